// The control of the planted-DLL test: a program that imports iphlpapi.dll at load time, as the shipped binaries
// once did. The planted DLL beside it must run, or the test could not tell a safe program from a blind one.

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>

int main()
{
    ULONG nSize = 0;
    ::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, nullptr, &nSize);
    return 0;
}

// A DLL as an attacker would leave it beside a program, copied there as iphlpapi.dll: its DllMain
// leaves a marker file beside the DLL itself (its own path followed by ".ran"), so a test sees whether any program
// loaded it. It exports the function a program importing iphlpapi asks for, and answers that there are no adapters.

#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID /*pReserved*/)
{
    if (dwReason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t szPath[MAX_PATH] = {};
    const DWORD nLength = ::GetModuleFileNameW(hInstance, szPath, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH)
        return TRUE;
    const std::wstring strMarker = std::wstring(szPath, nLength) + L".ran";
    const HANDLE hFile =
        ::CreateFileW(strMarker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(hFile);
    return TRUE;
}

extern "C" __declspec(dllexport) ULONG WINAPI GetAdaptersAddresses(ULONG, ULONG, void*, void*, ULONG*)
{
    return ERROR_NO_DATA;
}

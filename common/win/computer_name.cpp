#include "common/win/computer_name.h"

#include <windows.h>

#include <vector>

#include "common/win/wide.h"

std::u16string ReadComputerName()
{
    wchar_t szName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD nSize = ARRAYSIZE(szName);
    if (::GetComputerNameW(szName, &nSize))
        return FromWide(szName, nSize);
    // A longer name (possible on Wine, whose names come from the host) answers the size it needs, once.
    if (::GetLastError() != ERROR_BUFFER_OVERFLOW || nSize == 0 || nSize > 4096)
        return std::u16string();
    std::vector<wchar_t> buffer(nSize + 1);
    nSize = static_cast<DWORD>(buffer.size());
    if (!::GetComputerNameW(buffer.data(), &nSize))
        return std::u16string();
    return FromWide(buffer.data(), nSize);
}

#include "common/win/system_module.h"

#include <string>

HMODULE LoadSystemModule(const wchar_t* pszName, LoadLibraryExFn pLoad)
{
    const HMODULE hModule = pLoad(pszName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (hModule || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return hModule;
    // The flag is unknown to this loader. A bare name would be searched for in the program's directory and the
    // current one first, so the full path is given instead.
    wchar_t szDirectory[MAX_PATH] = {};
    const UINT nLength = ::GetSystemDirectoryW(szDirectory, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH)
        return nullptr;
    std::wstring strPath(szDirectory, nLength);
    if (strPath.back() != L'\\')
        strPath += L'\\';
    strPath += pszName;
    return pLoad(strPath.c_str(), nullptr, 0);
}

bool RestrictDllSearchToSystemDirectory()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // kernel32 is in every process before its first instruction runs, so asking for its handle loads nothing.
    const auto pSetDefaultDllDirectories = LoadModuleFunction<SetDefaultDllDirectoriesFn>(
        ::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    return pSetDefaultDllDirectories && pSetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

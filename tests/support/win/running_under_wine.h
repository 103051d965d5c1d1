#pragma once

// Whether a test runs under Wine, for the tests whose expectations differ between Wine and Windows.

#include <windows.h>

#include "common/win/scoped_win.h"
#include "inventory/win/cm_resources.h"

// Any one of three signs tells Wine, none of them by calling anything: ntdll's wine_get_version export, Wine's own
// key in the machine's registry, and the mark Wine writes into the DOS stub of its built-in DLLs. The first can be
// hidden (winecfg's "hide Wine version", the HideWineExports setting of Wine-staging and Proton), so it is never
// the only one asked.
inline bool IsRunningUnderWine()
{
    const HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
    if (hNtdll && ::GetProcAddress(hNtdll, "wine_get_version") != nullptr)
        return true;
    CUniqueRegKey wineKey;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Wine", 0, KEY_READ, wineKey.Put()) == ERROR_SUCCESS)
        return true;
    return hNtdll && IsWineBuiltinModule(hNtdll);
}

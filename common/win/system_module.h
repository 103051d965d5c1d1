#pragma once

// DLLs that are not on Windows' KnownDLLs list are never imported at load time: the loader would look for them in
// the program's folder before the system directory, so a DLL left beside the program (in a Downloads folder, say)
// would run inside it. They are loaded here, from the system directory only, when first needed.

#include <windows.h>

// The loader call LoadSystemModule uses: LoadLibraryExW's signature.
using LoadLibraryExFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);

// Loads a DLL of the system directory, never by a bare name that the search order could find elsewhere. The loader
// is asked with LOAD_LIBRARY_SEARCH_SYSTEM32 first; a Windows 7 or Server 2008 R2 without the loader update refuses
// that flag with ERROR_INVALID_PARAMETER, and then the DLL is loaded by its full path in the system directory.
HMODULE LoadSystemModule(const wchar_t* pszName, LoadLibraryExFn pLoad = &::LoadLibraryExW);

// A function of a loaded module as a pointer of its own type; null when the module is null or lacks it.
template <class Fn>
Fn LoadModuleFunction(HMODULE hModule, const char* pszName)
{
    if (!hModule)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)));
}

// One function of a system DLL; null when the DLL or the function cannot be had. Callers keep the answer in a
// static, so the DLL is loaded on first need and stays for the life of the process. It is never freed: freeing it
// from a static destructor would run inside the loader lock while a DLL (the library) unloads.
template <class Fn>
Fn SystemFunction(const wchar_t* pszModule, const char* pszName)
{
    return LoadModuleFunction<Fn>(LoadSystemModule(pszModule), pszName);
}

// The programs' first act: every DLL loaded afterwards by name, by the program or by Windows' own DLLs on its
// behalf, comes from the system directory only. SetDefaultDllDirectories is looked up in kernel32, since Windows 7
// without its loader update lacks it. False when it is missing or refuses. A library never calls this: the setting
// belongs to the process that hosts it.
bool RestrictDllSearchToSystemDirectory();

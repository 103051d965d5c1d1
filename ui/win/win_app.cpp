#include "ui/win/win_app.h"

#include <vector>

#include "common/win/wide.h"

namespace {

CWinApp* g_pApp = nullptr;
HINSTANCE g_hResourceModule = nullptr;

// The longest path the wide Win32 calls take.
constexpr DWORD kLongestPath = 32768;

}  // namespace

CWinApp::CWinApp() : m_hInstance(::GetModuleHandleW(nullptr))
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::SetRegistryKey(const std::u16string& strRegistryKey)
{
    m_strRegistryKey = strRegistryKey;
}

std::u16string CWinApp::GetModulePath() const
{
    return ModuleFilePath(m_hInstance);
}

CWinApp* GetCurrentApp()
{
    return g_pApp;
}

HINSTANCE GetResourceModule()
{
    return g_hResourceModule ? g_hResourceModule : ::GetModuleHandleW(nullptr);
}

void SetResourceModule(HINSTANCE hModule)
{
    g_hResourceModule = hModule;
}

std::u16string ModuleFilePath(HMODULE hModule)
{
    // GetModuleFileNameW truncates a path that does not fit and answers the full buffer size; the path is then read
    // again into the largest buffer there is, so a long path is never cut short.
    for (DWORD nSize = MAX_PATH;; nSize = kLongestPath) {
        std::vector<wchar_t> buffer(nSize, L'\0');
        const DWORD nLength = ::GetModuleFileNameW(hModule, buffer.data(), nSize);
        if (nLength == 0)
            return std::u16string();
        if (nLength < nSize || nSize == kLongestPath)
            return FromWide(buffer.data(), nLength < nSize ? nLength : nSize - 1);
    }
}

int RunApplication(HINSTANCE hInstance)
{
    CWinApp* pApp = GetCurrentApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    // An exception leaving the entry point would end the process without an exit code of the program's: memory
    // that runs out, or any other failure the application did not handle itself, ends the run with 1.
    try {
        pApp->InitInstance();
        return pApp->ExitInstance();
    } catch (...) {
        return 1;
    }
}

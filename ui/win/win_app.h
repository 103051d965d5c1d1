#pragma once

// The application object of the program's small window framework, and the module its resources come from.

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // Registers the object as the process's one application object.
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The start-up hook. This framework runs no message loop of its own: whatever InitInstance answers, the exit
    // hook follows at once, so a program does all its work in here (in modal dialogs).
    virtual BOOL InitInstance();

    // The exit hook: its value is the process exit code.
    virtual int ExitInstance();

    // Names the application's per-user settings key below HKEY_CURRENT_USER\Software. Nothing is created, read or
    // written through it here: the name is only kept.
    void SetRegistryKey(const std::u16string& strRegistryKey);

    // The full path of the program's executable file.
    std::u16string GetModulePath() const;

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    std::u16string m_strRegistryKey;
};

// The application object, or null when there is none (a test program).
CWinApp* GetCurrentApp();

// The module that dialog templates, icons, strings and pictures are loaded from: the program's own unless changed.
HINSTANCE GetResourceModule();
void SetResourceModule(HINSTANCE hModule);

// The full path of a module's file (null: the program's executable). A path too long for the first buffer of 260
// characters is read again with room for the longest path Windows knows, never truncated.
std::u16string ModuleFilePath(HMODULE hModule);

// Runs the application: its start-up hook, then its exit hook, whose value it returns. Called by wWinMain.
int RunApplication(HINSTANCE hInstance);

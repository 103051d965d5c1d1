#pragma once

// The interactive side of start-up on Windows: the common controls, and the main dialog as the application's main
// window.

#include "app/start_up.h"

class CWinApp;

class CWinUserInterface : public IUserInterface {
public:
    explicit CWinUserInterface(CWinApp& app) : m_app(app) {}

    // InitCommonControlsEx with the window classes of Windows 95 (ICC_WIN95_CLASSES), then the framework's own
    // start-up.
    void SetUp() override;

    // Names the per-user settings key "LumoHostID" (nothing is read or written through it), then runs the main
    // dialog modally as the main window until the user closes it.
    void RunMainDialog(const std::u16string& strHostId) override;

private:
    CWinApp& m_app;
};

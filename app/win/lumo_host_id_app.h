#pragma once

// The application object of LumoHostID.exe. Its start-up hook does all the work: the command line, the
// determination, then the output file or the main dialog. No message loop follows; the exit hook's value, the exit
// code, ends the process.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/win/win_app.h"

class CLumoHostIdApp : public CWinApp {
public:
    CLumoHostIdApp() = default;

    // Runs the start-up and answers false, so that no message loop follows.
    BOOL InitInstance() override;

    // The framework's own end, then the exit code.
    int ExitInstance() override;

    int32_t m_nExitCode = 0;  // 0, or 1 when the output file could not be created or written in full
};

// The process's arguments, the program name first, as the C runtime split them from the command line.
std::vector<std::u16string> GetProcessArguments();

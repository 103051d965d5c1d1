#include "app/win/lumo_host_id_app.h"

#include <windows.h>

#include <shellapi.h>
#include <stdlib.h>

#include "app/live_start_up.h"
#include "app/win/win_output_file_system.h"
#include "app/win/win_user_interface.h"
#include "common/memory_reserve.h"
#include "common/win/wide.h"

namespace {

// The argument vector of CommandLineToArgvW, freed with LocalFree.
class CArgumentVector {
public:
    CArgumentVector() : m_ppArguments(::CommandLineToArgvW(::GetCommandLineW(), &m_nCount)) {}
    ~CArgumentVector()
    {
        if (m_ppArguments)
            ::LocalFree(m_ppArguments);
    }
    CArgumentVector(const CArgumentVector&) = delete;
    CArgumentVector& operator=(const CArgumentVector&) = delete;

    std::vector<std::u16string> Get() const
    {
        std::vector<std::u16string> arguments;
        for (int i = 0; m_ppArguments && i < m_nCount; ++i)
            arguments.push_back(FromWide(m_ppArguments[i]));
        return arguments;
    }

private:
    int m_nCount = 0;
    LPWSTR* m_ppArguments;
};

}  // namespace

std::vector<std::u16string> GetProcessArguments()
{
    // The wide entry point has the C runtime split the command line into __wargv; should it not have, the shell's
    // splitting of the same command line follows the same rules.
    if (__wargv && __argc > 0) {
        std::vector<std::u16string> arguments;
        for (int i = 0; i < __argc; ++i)
            arguments.push_back(FromWide(__wargv[i]));
        return arguments;
    }
    return CArgumentVector().Get();
}

BOOL CLumoHostIdApp::InitInstance()
{
    m_nExitCode = kExitOk;
    // Enough for the exceptions and the emptied output file after memory ran out.
    InstallMemoryReserve(256 * 1024, kExitNoMemory);
    CWinOutputFileSystem fileSystem;
    CWinUserInterface userInterface(*this);
    m_nExitCode = RunLiveStartUp(GetProcessArguments, fileSystem, userInterface);
    return FALSE;
}

int CLumoHostIdApp::ExitInstance()
{
    CWinApp::ExitInstance();
    return m_nExitCode;
}

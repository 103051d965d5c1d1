#pragma once

// One way for the Windows tests to run a program as a process: its command line and working directory, its exit
// code, and a time limit after which it is ended, so that a program that hangs fails the test instead of hanging it.

#include <windows.h>

#include <optional>
#include <string>

#include "common/win/scoped_win.h"
#include "common/win/wide.h"

// The exit code a process is given when it is ended for running past its time.
constexpr UINT kTerminatedExitCode = 99;

// A started process. Its handles are closed on every path, and one that is still running when the object goes is
// ended.
class CTestProcess {
public:
    CTestProcess() = default;
    ~CTestProcess()
    {
        if (m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_process.Get(), kTerminatedExitCode);
    }
    CTestProcess(const CTestProcess&) = delete;
    CTestProcess& operator=(const CTestProcess&) = delete;

    // Starts the command line (the program's path first, quoted where it holds spaces) in the working directory,
    // or in the test's own when that is empty. False when it does not start.
    bool Start(const std::u16string& strCommandLine, const std::u16string& strWorkingDirectory = u"")
    {
        std::u16string strLine = strCommandLine;  // CreateProcessW may write into the command line
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        const wchar_t* const pszDirectory = strWorkingDirectory.empty() ? nullptr : AsWide(strWorkingDirectory);
        if (!::CreateProcessW(nullptr, AsWide(&strLine[0]), nullptr, nullptr, FALSE, 0, nullptr, pszDirectory,
                              &startup, &process))
            return false;
        m_process.Reset(process.hProcess);
        m_thread.Reset(process.hThread);
        m_dwProcessId = process.dwProcessId;
        return true;
    }

    DWORD GetProcessId() const { return m_dwProcessId; }

    // Waits at most nMilliseconds for the process to end and gives its exit code; none when it did not end in time
    // (it is then ended) or its exit code cannot be read.
    std::optional<DWORD> WaitForExit(DWORD nMilliseconds)
    {
        if (!m_process)
            return std::nullopt;
        if (::WaitForSingleObject(m_process.Get(), nMilliseconds) != WAIT_OBJECT_0) {
            ::TerminateProcess(m_process.Get(), kTerminatedExitCode);
            ::WaitForSingleObject(m_process.Get(), nMilliseconds);
            return std::nullopt;
        }
        DWORD dwCode = 0;
        if (!::GetExitCodeProcess(m_process.Get(), &dwCode))
            return std::nullopt;
        return dwCode;
    }

private:
    CUniqueHandle m_process;
    CUniqueHandle m_thread;
    DWORD m_dwProcessId = 0;
};

// Runs the command line to its end: its exit code, or none when it could not be started, did not end within
// nMilliseconds (it is then ended) or its exit code cannot be read.
inline std::optional<DWORD> RunToEnd(const std::u16string& strCommandLine, DWORD nMilliseconds,
                                     const std::u16string& strWorkingDirectory = u"")
{
    CTestProcess process;
    if (!process.Start(strCommandLine, strWorkingDirectory))
        return std::nullopt;
    return process.WaitForExit(nMilliseconds);
}

#pragma once

// One way for the Windows tests to run a program as a process: its command line, working directory and
// environment, its standard output and error collected, its exit code, and a time limit after which it is ended, so
// that a program that hangs fails the test instead of hanging it.

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "common/win/scoped_win.h"
#include "common/win/wide.h"

// The exit code a process is given when it is ended for running past its time.
constexpr UINT kTerminatedExitCode = 99;

// What a process starts with besides its command line.
struct CProcessOptions {
    std::u16string strWorkingDirectory;  // the test's own when empty
    // Variables set in the process's environment, over the test's own (names compare without regard to case).
    std::vector<std::pair<std::u16string, std::u16string>> environment;
    bool bCaptureOutput = false;  // standard output and error into one pipe, read by ReadOutput
};

// The test's own environment with the given variables set, as CreateProcessW takes it: each "NAME=value" ended by
// a null unit, sorted by name without regard to case as Windows keeps it, and one more null unit at the end.
inline std::u16string EnvironmentBlock(const std::vector<std::pair<std::u16string, std::u16string>>& variables)
{
    const auto upperName = [](std::u16string_view entry) {
        return AsciiUpperCopy(entry.substr(0, entry.find(u'=', 1)));  // "=C:=C:\" names start with '='
    };
    std::vector<std::u16string> entries;
    for (const auto& [strName, strValue] : variables)
        entries.push_back(strName + u"=" + strValue);
    if (wchar_t* const pBlock = ::GetEnvironmentStringsW()) {
        for (const wchar_t* pEntry = pBlock; *pEntry; pEntry += ::lstrlenW(pEntry) + 1) {
            const std::u16string strEntry = FromWide(pEntry);
            const bool bSet = std::any_of(variables.begin(), variables.end(), [&](const auto& variable) {
                return upperName(variable.first + u"=") == upperName(strEntry);
            });
            if (!bSet)
                entries.push_back(strEntry);
        }
        ::FreeEnvironmentStringsW(pBlock);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const std::u16string& a, const std::u16string& b) { return upperName(a) < upperName(b); });
    std::u16string strBlock;
    for (const std::u16string& strEntry : entries)
        strBlock += strEntry + u'\0';
    return strBlock + u'\0';
}

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
        CProcessOptions options;
        options.strWorkingDirectory = strWorkingDirectory;
        return Start(strCommandLine, options);
    }

    bool Start(const std::u16string& strCommandLine, const CProcessOptions& options)
    {
        std::u16string strLine = strCommandLine;  // CreateProcessW may write into the command line
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        CUniqueHandle writeEnd;
        if (options.bCaptureOutput) {
            // Only the writing end is inherited; the test keeps the reading end, which reaches the end of the output
            // once the process (and whatever it started) has closed its copy.
            SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
            HANDLE hRead = nullptr;
            HANDLE hWrite = nullptr;
            if (!::CreatePipe(&hRead, &hWrite, &inherit, 0))
                return false;
            m_output.Reset(hRead);
            writeEnd.Reset(hWrite);
            ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
            startup.hStdOutput = hWrite;
            startup.hStdError = hWrite;
        }
        std::u16string strEnvironment;
        if (!options.environment.empty())
            strEnvironment = EnvironmentBlock(options.environment);
        PROCESS_INFORMATION process = {};
        const std::u16string& strDirectory = options.strWorkingDirectory;
        if (!::CreateProcessW(nullptr, AsWide(&strLine[0]), nullptr, nullptr, options.bCaptureOutput,
                              CREATE_UNICODE_ENVIRONMENT, strEnvironment.empty() ? nullptr : &strEnvironment[0],
                              strDirectory.empty() ? nullptr : AsWide(strDirectory), &startup, &process))
            return false;
        m_process.Reset(process.hProcess);
        m_thread.Reset(process.hThread);
        m_dwProcessId = process.dwProcessId;
        return true;
    }

    // What the process wrote to standard output and error until both were closed, read for at most nMilliseconds;
    // the process is ended when the time runs out. Empty unless the output was captured.
    std::string ReadOutput(DWORD nMilliseconds)
    {
        std::string strOut;
        if (!m_output)
            return strOut;
        const ULONGLONG nDeadline = ::GetTickCount64() + nMilliseconds;
        // A pipe is read only when it holds something, so that the time limit holds while the process is silent.
        while (::GetTickCount64() < nDeadline) {
            DWORD dwAvailable = 0;
            if (!::PeekNamedPipe(m_output.Get(), nullptr, 0, nullptr, &dwAvailable, nullptr))
                return strOut;  // every writing end is closed and everything written has been read
            if (dwAvailable == 0) {
                ::Sleep(5);
                continue;
            }
            char buffer[4096];
            DWORD dwRead = 0;
            if (!::ReadFile(m_output.Get(), buffer, std::min<DWORD>(dwAvailable, sizeof(buffer)), &dwRead, nullptr))
                return strOut;
            strOut.append(buffer, dwRead);
        }
        if (m_process)
            ::TerminateProcess(m_process.Get(), kTerminatedExitCode);
        return strOut;
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
    CUniqueHandle m_output;  // the reading end of the captured output
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

// What a run to the end gave: the exit code as RunToEnd gives it, and everything written to standard output and
// error.
struct CProcessOutput {
    std::optional<DWORD> exitCode;
    std::string strOut;
};

inline CProcessOutput RunAndRead(const std::u16string& strCommandLine, DWORD nMilliseconds,
                                 CProcessOptions options = {})
{
    CProcessOutput result;
    CTestProcess process;
    options.bCaptureOutput = true;
    if (!process.Start(strCommandLine, options))
        return result;
    const ULONGLONG nStart = ::GetTickCount64();
    result.strOut = process.ReadOutput(nMilliseconds);
    const ULONGLONG nSpent = ::GetTickCount64() - nStart;
    if (nSpent < nMilliseconds)  // else the reading ended it for running past its time
        result.exitCode = process.WaitForExit(static_cast<DWORD>(nMilliseconds - nSpent));
    return result;
}

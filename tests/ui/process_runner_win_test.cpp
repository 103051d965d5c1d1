// The Windows tests' process runner, held against cmd.exe: exit codes, the working directory, the environment, the
// output and the time limit.

#include "support/win/process_runner.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win/wide.h"

namespace {

std::u16string SystemDirectory()
{
    wchar_t szDirectory[MAX_PATH] = {};
    const UINT nLength = ::GetSystemDirectoryW(szDirectory, MAX_PATH);
    return FromWide(szDirectory, nLength < MAX_PATH ? nLength : 0);
}

struct RunCase {
    const char* pszName;
    std::u16string strArguments;
    std::u16string strDirectory;
    std::optional<DWORD> exitCode;
};

TEST(ProcessRunnerTest, ExitCodesAndWorkingDirectory)
{
    const std::u16string strSystem = SystemDirectory();
    ASSERT_FALSE(strSystem.empty());
    const RunCase cases[] = {
        {"an exit code", u"/c exit 7", u"", 7},
        {"success", u"/c exit 0", u"", 0},
        {"the working directory", u"/c if exist cmd.exe (exit 3) else (exit 4)", strSystem, 3},
        {"another working directory", u"/c if exist cmd.exe (exit 3) else (exit 4)", strSystem + u"\\drivers", 4},
        {"a working directory that does not exist", u"/c exit 0", strSystem + u"\\no such directory", std::nullopt},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(RunToEnd(u"\"" + strSystem + u"\\cmd.exe\" " + c.strArguments, 60000, c.strDirectory), c.exitCode);
    }
    EXPECT_EQ(RunToEnd(u"\"" + strSystem + u"\\no-such-program.exe\"", 60000), std::nullopt);
}

struct OutputCase {
    const char* pszName;
    std::u16string strArguments;
    std::vector<std::pair<std::u16string, std::u16string>> environment;
    std::string strOut;
    DWORD dwExitCode;
};

TEST(ProcessRunnerTest, EnvironmentAndOutput)
{
    // A variable of the test's own, which the process inherits unless it is set anew.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LUMO_RUNNER_OWN", L"own"));
    const std::u16string strCmd = u"\"" + SystemDirectory() + u"\\cmd.exe\" ";
    const OutputCase cases[] = {
        {"standard output", u"/c echo hello", {}, "hello\r\n", 0},
        {"standard error with it", u"/c echo to-error 1>&2", {}, "to-error \r\n", 0},
        {"a variable set", u"/c echo %LUMO_RUNNER_SET%", {{u"LUMO_RUNNER_SET", u"abc"}}, "abc\r\n", 0},
        {"the exit code from a variable", u"/c exit %LUMO_RUNNER_CODE%", {{u"LUMO_RUNNER_CODE", u"5"}}, "", 5},
        {"the test's own variables kept", u"/c echo %LUMO_RUNNER_OWN%", {{u"LUMO_RUNNER_SET", u"x"}}, "own\r\n", 0},
        {"one of them set anew, whatever its case", u"/c echo %LUMO_RUNNER_OWN%", {{u"lumo_runner_own", u"new"}},
         "new\r\n", 0},
    };
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CProcessOptions options;
        options.environment = c.environment;
        const CProcessOutput result = RunAndRead(strCmd + c.strArguments, 60000, options);
        EXPECT_EQ(result.exitCode, c.dwExitCode);
        EXPECT_EQ(result.strOut, c.strOut);
    }
    // More than a pipe holds, read while the process writes it.
    const CProcessOutput many = RunAndRead(strCmd + u"/c for /l %i in (1,1,3000) do @echo line %i", 120000);
    EXPECT_EQ(many.exitCode, DWORD{0});
    EXPECT_EQ(many.strOut.substr(0, 8), "line 1\r\n");
    EXPECT_NE(many.strOut.find("line 3000\r\n"), std::string::npos);
    EXPECT_GT(many.strOut.size(), 30000u);
}

TEST(ProcessRunnerTest, AProcessPastItsTimeIsEnded)
{
    CTestProcess process;
    // ping waits a second between its 30 echoes.
    ASSERT_TRUE(process.Start(u"\"" + SystemDirectory() + u"\\ping.exe\" -n 30 127.0.0.1"));
    EXPECT_NE(process.GetProcessId(), 0u);
    EXPECT_EQ(process.WaitForExit(500), std::nullopt);
    // It was ended, not left running: a second wait finds it gone at once.
    EXPECT_EQ(process.WaitForExit(0), DWORD{kTerminatedExitCode});
    // Also while its output is read.
    const CProcessOutput silent = RunAndRead(u"\"" + SystemDirectory() + u"\\ping.exe\" -n 30 127.0.0.1", 500);
    EXPECT_EQ(silent.exitCode, std::nullopt);
}

}  // namespace

// The Windows tests' process runner, held against cmd.exe: exit codes, the working directory and the time limit.

#include "support/win/process_runner.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

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

TEST(ProcessRunnerTest, AProcessPastItsTimeIsEnded)
{
    CTestProcess process;
    // ping waits a second between its 30 echoes.
    ASSERT_TRUE(process.Start(u"\"" + SystemDirectory() + u"\\ping.exe\" -n 30 127.0.0.1"));
    EXPECT_NE(process.GetProcessId(), 0u);
    EXPECT_EQ(process.WaitForExit(500), std::nullopt);
    // It was ended, not left running: a second wait finds it gone at once.
    EXPECT_EQ(process.WaitForExit(0), DWORD{kTerminatedExitCode});
}

}  // namespace

// The tests' process runner, held against the shell: what it passes in, what it collects and how it ends a run.

#include "support/linux/process_runner.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <string>

namespace {

CProcessSetup Shell(const std::string& strScript)
{
    CProcessSetup setup;
    setup.pszProgram = "/bin/sh";
    setup.arguments = {"-c", strScript, "script", "first argument", ""};
    return setup;
}

struct RunCase {
    const char* pszName;
    CProcessSetup setup;
    std::optional<int> nExitCode;
    std::optional<int> nSignal;
    std::string strOut;
};

TEST(ProcessRunnerTest, PassesTheSetupAndCollectsTheRun)
{
    CProcessSetup inDirectory = Shell("pwd; exit 3");
    inDirectory.strDirectory = "/proc";
    CProcessSetup withEnvironment = Shell("printf '%s|%s' \"$LUMO_A\" \"$LUMO_B\"");
    withEnvironment.environment = {{"LUMO_A", "one"}, {"LUMO_B", "two words"}};
    CProcessSetup noDirectory = Shell("echo never");
    noDirectory.strDirectory = "/nonexistent/directory";
    CProcessSetup noProgram = Shell("");
    noProgram.pszProgram = "/nonexistent/program";
    const RunCase cases[] = {
        {"arguments arrive whole, empty ones too", Shell("printf '[%s]' \"$0\" \"$@\"; exit 0"), 0, std::nullopt,
         "[script][first argument][]"},
        {"the exit status", Shell("exit 42"), 42, std::nullopt, ""},
        {"the working directory", inDirectory, 3, std::nullopt, "/proc\n"},
        {"the environment", withEnvironment, 0, std::nullopt, "one|two words"},
        {"standard error is not standard output", Shell("echo out; echo err >&2"), 0, std::nullopt, "out\n"},
        {"output larger than a pipe holds", Shell("head -c 200000 /dev/zero | tr '\\0' x"), 0, std::nullopt,
         std::string(200000, 'x')},
        {"a signal", Shell("echo before; kill -TERM $$"), std::nullopt, SIGTERM, "before\n"},
        {"a directory that cannot be entered", noDirectory, 126, std::nullopt, ""},
        {"a program that does not exist", noProgram, 127, std::nullopt, ""},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const CProcessResult result = RunProcess(c.setup);
        EXPECT_TRUE(result.bStarted);
        EXPECT_FALSE(result.bTimedOut);
        EXPECT_EQ(result.nExitCode, c.nExitCode);
        EXPECT_EQ(result.nSignal, c.nSignal);
        EXPECT_EQ(result.strOut, c.strOut);
    }
}

TEST(ProcessRunnerTest, AProgramThatHangsIsKilledAtTheTimeLimit)
{
    // Both ways of hanging: with standard output open, and after closing it. The shell becomes the sleep, so that
    // killing it leaves nothing behind.
    for (const char* pszScript : {"echo started; exec sleep 30", "exec >&-; exec sleep 30"}) {
        SCOPED_TRACE(pszScript);
        CProcessSetup setup = Shell(pszScript);
        setup.nTimeLimitSeconds = 1;
        const CProcessResult result = RunProcess(setup);
        EXPECT_TRUE(result.bTimedOut);
        EXPECT_EQ(result.nSignal, SIGKILL);
        EXPECT_FALSE(result.nExitCode);
    }
}

TEST(ProcessRunnerTest, AClosedPipeEndsAWriterByItsSignal)
{
    CProcessSetup setup = Shell("while :; do echo x || exit 9; done");
    setup.out = EStdout::ClosedPipe;
    const CProcessResult result = RunProcess(setup);
    EXPECT_FALSE(result.bTimedOut);
    EXPECT_EQ(result.nSignal, SIGPIPE);  // the default disposition, whatever the test runner set
    EXPECT_TRUE(result.strOut.empty());
}

}  // namespace

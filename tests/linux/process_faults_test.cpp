// Both Linux programs as processes in the situations a caller can put them in: a FIFO that no one reads, a closed
// pipe, a file-size limit, and host names that are as long as Linux allows or hold control characters.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "common/linux/file_descriptor.h"
#include "fake_sysfs.h"
#include "inventory/base_host_id.h"
#include "support/linux/process_runner.h"

#if !defined(LUMOHOSTID_PATH) || !defined(LUMOHOSTID_INSPECT_PATH)
#error "LUMOHOSTID_PATH and LUMOHOSTID_INSPECT_PATH name the programs under test"
#endif

namespace {

CProcessSetup Launch(const char* pszProgram, std::vector<std::string> arguments, EStdout out = EStdout::Pipe,
                     std::optional<rlim_t> nFileSizeLimit = std::nullopt)
{
    CProcessSetup setup;
    setup.pszProgram = pszProgram;
    setup.arguments = std::move(arguments);
    setup.out = out;
    setup.nFileSizeLimit = nFileSizeLimit;
    return setup;
}

// Whether this test process may make a UTS namespace (root, or an unprivileged user namespace).
bool CanSetHostName()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(unshare(CLONE_NEWUTS) == 0 && sethostname("probe", 5) == 0 ? 0 : 1);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ThisHostId()
{
    CLiveSources live;
    CBaseHostId hostId(live.Get());
    const std::vector<uint8_t> bytes = OutputFileBytes(DetermineHostIdText(hostId));
    return std::string(bytes.begin(), bytes.end() - 1);
}

struct COutputCase {
    const char* pszName;
    CProcessSetup setup;
    int nExitCode;
};

// Every way an output can fail ends the process with its documented exit code, never by a signal, and promptly.
TEST(ProcessFaultsTest, FailedOutputGivesTheDocumentedExitCode)
{
    CFakeSysfs tmp;  // only as a temporary directory
    ASSERT_EQ(mkfifo(tmp.Path("fifo").c_str(), 0600), 0);
    const std::string strFile = tmp.Path("out/host.txt");
    const char* pszInspect = LUMOHOSTID_INSPECT_PATH;

    const COutputCase cases[] = {
        {"a FIFO that no one reads", Launch(LUMOHOSTID_PATH, {"/exit:" + tmp.Path("fifo")}), 1},
        {"/exit: into a closed pipe", Launch(LUMOHOSTID_PATH, {"/exit:/dev/stdout"}, EStdout::ClosedPipe), 1},
        {"interactive mode into a closed pipe", Launch(LUMOHOSTID_PATH, {}, EStdout::ClosedPipe), 0},
        {"a file-size limit of 0", Launch(LUMOHOSTID_PATH, {"/exit:" + strFile}, EStdout::Pipe, 0), 1},
        {"a file-size limit below 15 bytes", Launch(LUMOHOSTID_PATH, {"/exit:" + strFile}, EStdout::Pipe, 14), 1},
        {"inspect report into a closed pipe", Launch(pszInspect, {}, EStdout::ClosedPipe), 2},
        {"inspect JSON into a closed pipe", Launch(pszInspect, {"--json"}, EStdout::ClosedPipe), 2},
        {"inspect snapshot into a closed pipe", Launch(pszInspect, {"--snapshot", "-"}, EStdout::ClosedPipe), 2},
        {"inspect snapshot under a file-size limit", Launch(pszInspect, {"--snapshot", strFile}, EStdout::Pipe, 100), 2},
        {"inspect snapshot to a FIFO that no one reads", Launch(pszInspect, {"--snapshot", tmp.Path("fifo")}), 2},
    };
    for (const COutputCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const CProcessResult result = RunProcess(c.setup);
        ASSERT_TRUE(result.bStarted);
        EXPECT_FALSE(result.bTimedOut);
        EXPECT_FALSE(result.nSignal) << "ended by signal " << result.nSignal.value_or(0);
        EXPECT_EQ(result.nExitCode, c.nExitCode);
    }
}

// A FIFO with a reader gets the fifteen bytes, as a pipe given as /dev/stdout does.
TEST(ProcessFaultsTest, ReadOutputsReceiveTheHostId)
{
    const std::string strHostId = ThisHostId();
    const std::string strExpected = strHostId + std::string(1, '\0');

    const CProcessResult toStdout = RunProcess(Launch(LUMOHOSTID_PATH, {"/exit:/dev/stdout"}));
    EXPECT_EQ(toStdout.nExitCode, 0);
    EXPECT_EQ(toStdout.strOut, strExpected);

    CFakeSysfs tmp;
    const std::string strFifo = tmp.Path("fifo");
    ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
    // Opening the reading end without waiting for a writer; the program then finds a reader there.
    const CFileDescriptor reader(open(strFifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_GE(reader.Get(), 0);
    const CProcessResult toFifo = RunProcess(Launch(LUMOHOSTID_PATH, {"/exit:" + strFifo}));
    EXPECT_EQ(toFifo.nExitCode, 0);
    char bytes[64] = {};
    const ssize_t nRead = read(reader.Get(), bytes, sizeof(bytes));
    EXPECT_EQ(std::string(bytes, nRead > 0 ? static_cast<size_t>(nRead) : 0), strExpected);
}

struct CHostNameCase {
    const char* pszName;
    std::string strHostName;
    std::string strShown;
};

// The computer name line shows the whole host name, control characters as "?", and the output keeps its two lines.
TEST(ProcessFaultsTest, HostNamesPrintWholeOnOneLine)
{
    if (!CanSetHostName())
        GTEST_SKIP() << "no UTS namespace can be made here";
    const std::string strLongest(64, 'h');  // HOST_NAME_MAX
    const CHostNameCase cases[] = {
        {"the longest host name Linux allows", strLongest, strLongest},
        {"a line break", "evil\nHost ID: 00-00-00-02-02", "evil?Host ID: 00-00-00-02-02"},
        {"a carriage return, an escape and a delete", "a\rb\x1b[2Jc\x7f", "a?b?[2Jc?"},
        {"UTF-8", "b\xC3\xBCro", "b\xC3\xBCro"},
    };
    const std::string strHostIdLine = "Host ID: " + ThisHostId() + "\n";
    for (const CHostNameCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CProcessSetup setup;
        setup.pszProgram = LUMOHOSTID_PATH;
        setup.strHostName = c.strHostName;
        const CProcessResult result = RunProcess(setup);
        EXPECT_EQ(result.nExitCode, 0);
        EXPECT_EQ(result.strOut, "Computer name: " + c.strShown + "\n" + strHostIdLine);
    }
}

// The bytes of a file, or none when it cannot be read.
std::optional<std::string> FileBytes(const std::string& strPath)
{
    const CFileDescriptor file(open(strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        return std::nullopt;
    std::string bytes;
    char chunk[256];
    for (ssize_t n; (n = read(file.Get(), chunk, sizeof(chunk))) > 0;)
        bytes.append(chunk, static_cast<size_t>(n));
    return bytes;
}

void WriteBytes(const std::string& strPath, const std::string& bytes)
{
    const CFileDescriptor file(open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    ASSERT_GE(file.Get(), 0);
    ASSERT_EQ(write(file.Get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// An ID from an earlier run, which a run that failed must not leave in the file.
const std::string kStaleFile = std::string("00-00-00-02-02") + '\0';

#ifdef LUMO_FAIL_ALLOCATION_PATH

// How many allocations a run of the program makes, counted by the preloaded library.
size_t CountAllocations(CProcessSetup setup, const std::string& strCountFile)
{
    setup.environment = {{"LD_PRELOAD", LUMO_FAIL_ALLOCATION_PATH}, {"LUMO_ALLOCATION_COUNT_FILE", strCountFile}};
    const CProcessResult result = RunProcess(setup);
    EXPECT_EQ(result.nExitCode, 0);
    const std::optional<std::string> text = FileBytes(strCountFile);
    return text ? std::stoul(*text) : 0;
}

// Runs the program once for each allocation of a whole run, with that one alone failing, and hands each result that
// ended by itself to check. How many runs failed (did not exit with 0).
size_t ForEachFailedAllocation(const CProcessSetup& setup, const std::string& strCountFile,
                               const std::function<void(const CProcessResult&)>& check)
{
    const size_t nAllocations = CountAllocations(setup, strCountFile);
    // A run makes a few hundred; the bound keeps the test short should that grow by far.
    EXPECT_GT(nAllocations, 10u);
    EXPECT_LT(nAllocations, 5000u);
    size_t nFailures = 0;
    for (size_t nFailAt = 1; nFailAt <= std::min<size_t>(nAllocations, 5000); ++nFailAt) {
        SCOPED_TRACE("allocation " + std::to_string(nFailAt) + " of " + std::to_string(nAllocations));
        CProcessSetup failing = setup;
        failing.environment = {{"LD_PRELOAD", LUMO_FAIL_ALLOCATION_PATH},
                               {"LUMO_FAIL_ALLOCATION", std::to_string(nFailAt)}};
        const CProcessResult result = RunProcess(failing);
        EXPECT_FALSE(result.bTimedOut);
        if (!result.nExitCode) {
            ADD_FAILURE() << "ended by signal " << result.nSignal.value_or(0);
            return nFailures;
        }
        nFailures += *result.nExitCode != 0;
        check(result);
    }
    return nFailures;
}

// Each allocation of a whole run, from the first after the libraries are loaded to the last, fails in turn (that
// one alone): the file holds the host ID with exit code 0, or nothing at all with exit code 1; the interactive line
// shows the ID or is empty; the inspect tool gives the ID or exits with 2.
TEST(ProcessFaultsTest, EachFailedAllocationGivesTheIdOrTheFailure)
{
    CFakeSysfs tmp;
    const std::string strHostId = ThisHostId();
    const std::string strFile = tmp.Path("host.txt");
    const std::string strInteractive = "Host ID: " + strHostId + "\n";
    struct CModeCase {
        const char* pszName;
        CProcessSetup setup;
    };
    const CModeCase modes[] = {
        {"output file", Launch(LUMOHOSTID_PATH, {"/exit:" + strFile})},
        {"interactive", Launch(LUMOHOSTID_PATH, {})},
        {"inspect report", Launch(LUMOHOSTID_INSPECT_PATH, {})},
    };
    for (const CModeCase& mode : modes) {
        SCOPED_TRACE(mode.pszName);
        const bool bInspect = mode.setup.pszProgram == std::string(LUMOHOSTID_INSPECT_PATH);
        WriteBytes(strFile, kStaleFile);
        const auto check = [&](const CProcessResult& result) {
            EXPECT_TRUE(*result.nExitCode == 0 || *result.nExitCode == (bInspect ? 2 : 1)) << *result.nExitCode;
            if (bInspect) {
                const bool bShowsId = result.strOut.find("Host ID: " + strHostId + "\n") != std::string::npos;
                EXPECT_EQ(bShowsId, *result.nExitCode == 0) << result.strOut;
                EXPECT_EQ(result.strOut.find("Host ID: 00-00-00-02-02"), std::string::npos);
            } else if (mode.setup.arguments.empty()) {
                if (*result.nExitCode == 0)
                    EXPECT_TRUE(result.strOut.size() >= strInteractive.size() &&
                                result.strOut.compare(result.strOut.size() - strInteractive.size(),
                                                      strInteractive.size(), strInteractive) == 0)
                        << result.strOut;
                else
                    EXPECT_EQ(result.strOut.find("Host ID: " + strHostId), std::string::npos) << result.strOut;
            } else {
                EXPECT_EQ(FileBytes(strFile), *result.nExitCode == 0 ? strHostId + '\0' : std::string());
            }
            WriteBytes(strFile, kStaleFile);
        };
        EXPECT_GT(ForEachFailedAllocation(mode.setup, tmp.Path("count"), check), 0u);
    }
}

// The inspect tool's JSON answers are built as trees whose every value lies inside the document, so that memory
// running out at any allocation, however far the document has got, ends the run with exit code 2: nlohmann/json
// would allocate while destroying a half-built value outside it, which ended runs by a signal.
TEST(ProcessFaultsTest, InspectJsonAnswersGiveTheAnswerOrTheFailure)
{
    CFakeSysfs tmp;
    const std::string strExamples = LUMO_EXAMPLES_DIR;
    const std::string strUsbOnly = strExamples + "/usb_only_nic.json";
    struct CModeCase {
        const char* pszName;
        CProcessSetup setup;
    };
    const CModeCase modes[] = {
        {"diff",
         Launch(LUMOHOSTID_INSPECT_PATH, {"--diff", strUsbOnly, strExamples + "/wifi_only_laptop.json", "--json"})},
        {"what-if", Launch(LUMOHOSTID_INSPECT_PATH, {"--what-if", "--replay", strUsbOnly, "--json"})},
        {"check", Launch(LUMOHOSTID_INSPECT_PATH, {"--check", "44-9D-95-72-3E", "--json"})},
    };
    for (const CModeCase& mode : modes) {
        SCOPED_TRACE(mode.pszName);
        const auto check = [](const CProcessResult& result) {
            EXPECT_TRUE(*result.nExitCode == 0 || *result.nExitCode == 2) << *result.nExitCode;
            if (*result.nExitCode == 0) {
                EXPECT_TRUE(result.strOut.size() > 2 && result.strOut.compare(result.strOut.size() - 2, 2, "}\n") == 0)
                    << result.strOut;
            }
        };
        EXPECT_GT(ForEachFailedAllocation(mode.setup, tmp.Path("count"), check), 0u);
    }
}

#endif

// Under address-space limits from where the program first runs at all to where it runs in full, each run ends with
// an exit code of its own (0 or 1, the inspect tool's 0 or 2), never by a signal; an output file holds the ID or
// nothing. Below the first limit the dynamic loader cannot map the libraries and exits 127 before the program runs.
TEST(ProcessFaultsTest, AddressSpaceLimitsEndWithAnExitCode)
{
#ifdef LUMO_SANITIZE_BUILD
    GTEST_SKIP() << "the sanitizers' runtime reserves more address space than any limit here";
#endif
    CFakeSysfs tmp;
    const std::string strHostId = ThisHostId();
    const std::string strFile = tmp.Path("host.txt");
    struct CProgramCase {
        const char* pszName;
        CProcessSetup setup;
        int nFailure;
    };
    const CProgramCase programs[] = {
        {"lumohostid", Launch(LUMOHOSTID_PATH, {"/exit:" + strFile}), 1},
        {"lumohostid-inspect", Launch(LUMOHOSTID_INSPECT_PATH, {"--json"}), 2},
    };
    constexpr rlim_t kStep = 16 * 1024;
    constexpr rlim_t kHighest = 256 * 1024 * 1024;
    for (const CProgramCase& program : programs) {
        SCOPED_TRACE(program.pszName);
        // The first limit in steps of 64 KB at which the run succeeds; the loop is bounded by kHighest.
        rlim_t nFull = 1024 * 1024;
        for (; nFull <= kHighest; nFull += 4 * kStep) {
            CProcessSetup setup = program.setup;
            setup.nAddressSpaceLimit = nFull;
            if (RunProcess(setup).nExitCode == 0)
                break;
        }
        ASSERT_LE(nFull, kHighest);
        size_t nRan = 0;
        size_t nFailed = 0;
        // From 1.5 MB below that point, in steps of 16 KB, to just past it.
        for (rlim_t nLimit = nFull > 1536 * 1024 ? nFull - 1536 * 1024 : kStep; nLimit <= nFull + 4 * kStep;
             nLimit += kStep) {
            SCOPED_TRACE("limit " + std::to_string(nLimit / 1024) + " KB");
            WriteBytes(strFile, kStaleFile);
            CProcessSetup setup = program.setup;
            setup.nAddressSpaceLimit = nLimit;
            const CProcessResult result = RunProcess(setup);
            ASSERT_FALSE(result.bTimedOut);
            ASSERT_FALSE(result.nSignal) << "ended by signal " << result.nSignal.value_or(0);
            ASSERT_TRUE(result.nExitCode);
            if (*result.nExitCode == 127)
                continue;  // the loader, before the program
            ++nRan;
            if (*result.nExitCode != 0) {
                ++nFailed;
                EXPECT_EQ(*result.nExitCode, program.nFailure);
            }
            if (program.nFailure == 1 && *result.nExitCode == 0) {
                EXPECT_EQ(FileBytes(strFile), strHostId + '\0');
            }
        }
        EXPECT_GT(nRan, 0u);
        EXPECT_GT(nFailed, 0u);
    }
}

}  // namespace

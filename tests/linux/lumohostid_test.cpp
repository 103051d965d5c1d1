// End-to-end runs of the built lumohostid on this machine.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "common/text.h"
#include "fake_sysfs.h"
#include "hostid/release_host_id.h"
#include "inventory/base_host_id.h"
#include "inventory/linux/sysfs_net.h"
#include "support/linux/process_runner.h"

#ifndef LUMOHOSTID_PATH
#error "LUMOHOSTID_PATH names the program under test"
#endif

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
};

// Runs the program with the arguments in the directory, and collects its standard output and exit code.
ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& directory)
{
    CProcessSetup setup;
    setup.pszProgram = LUMOHOSTID_PATH;
    setup.arguments = arguments;
    setup.strDirectory = directory;
    setup.bKeepStderr = true;
    const CProcessResult result = RunProcess(setup);
    ProgramRun run;
    run.exitCode = result.nExitCode.value_or(-1);
    run.out = result.strOut;
    return run;
}

std::optional<std::vector<uint8_t>> ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// What the program must write: the host ID the library determines on this machine, as single bytes and a zero.
std::vector<uint8_t> ExpectedFileBytes()
{
    CLiveSources live;
    CBaseHostId hostId(live.Get());
    return OutputFileBytes(DetermineHostIdText(hostId));
}

// XX-XX-XX-XX-XX, upper-case hexadecimal, with the fifth pair the XOR of the first four.
bool IsHostIdText(const std::string& text)
{
    if (!std::regex_match(text, std::regex("^[0-9A-F]{2}(-[0-9A-F]{2}){4}$")))
        return false;
    unsigned bytes[5];
    for (int i = 0; i < 5; ++i)
        bytes[i] = static_cast<unsigned>(std::stoul(text.substr(3 * static_cast<size_t>(i), 2), nullptr, 16));
    return (bytes[0] ^ bytes[1] ^ bytes[2] ^ bytes[3]) == bytes[4];
}

std::string HostName()
{
    char name[256] = {};
    gethostname(name, sizeof(name) - 1);
    return name;
}

TEST(LumohostidTest, ExitSwitchCreatesTheDirectoriesAndWritesFifteenBytes)
{
    CFakeSysfs tmp;
    const std::vector<uint8_t> expected = ExpectedFileBytes();
    for (const char* sw : {"/exit:", "-exit:"}) {
        SCOPED_TRACE(sw);
        const std::string path = tmp.Path(std::string(sw[0] == '/' ? "slash" : "hyphen") + "/ids/a/host.txt");
        const ProgramRun run = RunProgram({sw + path}, tmp.Root());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "");  // no window, no text
        const auto bytes = ReadBytes(path);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(*bytes, expected);
        if (bytes->size() == 15) {
            EXPECT_EQ(bytes->back(), 0);
            EXPECT_TRUE(IsHostIdText(std::string(bytes->begin(), bytes->end() - 1)));
        } else {
            EXPECT_EQ(*bytes, std::vector<uint8_t>{0});  // nothing chosen: a single zero byte
        }
    }
}

// On machines such as the build VMs, where eth0 is a wired adapter on PCI (virtio) and no other wired adapter comes
// before it, the program chooses eth0 and writes the host ID of its address text, computed here by the rule that
// Windows applies to a wired PCI adapter.
std::optional<std::string> Eth0HostId()
{
    std::ifstream file("/sys/class/net/eth0/address");
    std::string address;
    if (!(file >> address))
        return std::nullopt;
    std::u16string text;
    for (const char ch : address) {
        if (ch != ':')
            text.push_back(AsciiToUpper(static_cast<char16_t>(ch)));
    }
    if (text.size() != 12 || text == u"000000000000")
        return std::nullopt;

    const auto interfaces = ScanNetInterfaces("/sys");
    if (!interfaces)
        return std::nullopt;
    for (const CNetInterface& netInterface : *interfaces) {
        const bool bWiredDevice = netInterface.m_bDeviceBacked && !netInterface.m_bWireless;
        if (netInterface.m_strName == "eth0") {
            if (!bWiredDevice || netInterface.m_strComponentId.rfind("PCI\\", 0) != 0)
                return std::nullopt;
            break;
        }
        if (bWiredDevice && netInterface.m_address.size() == 6)
            return std::nullopt;  // another wired adapter comes first
    }
    CHidDevNet record;
    record.m_strAddress = text;
    record.m_dwFlags = HID_BUS_PCI;
    return Utf16ToUtf8(CReleaseHostId(record).GetHostIdText());
}

TEST(LumohostidTest, ChoosesEth0OnThisKindOfMachine)
{
    const std::optional<std::string> expected = Eth0HostId();
    if (!expected)
        GTEST_SKIP() << "eth0 is not the first wired PCI adapter here";
    CFakeSysfs tmp;
    const std::string path = tmp.Path("ids/host.txt");
    ASSERT_EQ(RunProgram({"/exit:" + path}, tmp.Root()).exitCode, 0);
    const auto bytes = ReadBytes(path);
    ASSERT_TRUE(bytes.has_value());
    std::vector<uint8_t> expectedBytes(expected->begin(), expected->end());
    expectedBytes.push_back(0);
    EXPECT_EQ(*bytes, expectedBytes);
}

struct FailureCase {
    const char* name;
    std::string argument;
};

TEST(LumohostidTest, OutputFileThatCannotBeWrittenExitsWithOne)
{
    CFakeSysfs tmp;
    tmp.File("plain-file", "x");
    tmp.Dir("existing-dir");
    const FailureCase cases[] = {
        {"nothing after the switch", "/exit:"},
        {"below a regular file", "/exit:" + tmp.Path("plain-file/host.txt")},
        {"deeper below a regular file", "/exit:" + tmp.Path("plain-file/ids/host.txt")},
        {"where nobody may create files, root included", "/exit:/proc/lumohostid-test/host.txt"},
        {"a directory of that name", "/exit:" + tmp.Path("existing-dir")},
        {"a device that takes no bytes", "/exit:/dev/full"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRun run = RunProgram({c.argument}, tmp.Root());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(ReadBytes(tmp.Path("plain-file")), std::vector<uint8_t>{'x'});
    EXPECT_FALSE(Exists("/proc/lumohostid-test"));
}

TEST(LumohostidTest, PathRulesOfLinux)
{
    CFakeSysfs tmp;
    const std::vector<uint8_t> expected = ExpectedFileBytes();

    // Relative to the working directory, levels made as needed.
    EXPECT_EQ(RunProgram({"/exit:rel/dir/host.txt"}, tmp.Root()).exitCode, 0);
    EXPECT_EQ(ReadBytes(tmp.Path("rel/dir/host.txt")), expected);

    // A backslash is an ordinary character: this names a file in the working directory.
    EXPECT_EQ(RunProgram({"/exit:ids\\host.txt"}, tmp.Root()).exitCode, 0);
    EXPECT_EQ(ReadBytes(tmp.Path("ids\\host.txt")), expected);
    EXPECT_FALSE(Exists(tmp.Path("ids")));

    // An existing longer file is replaced by exactly the new bytes.
    tmp.File("old.txt", std::string(100, 'z'));
    EXPECT_EQ(RunProgram({"/exit:" + tmp.Path("old.txt")}, tmp.Root()).exitCode, 0);
    EXPECT_EQ(ReadBytes(tmp.Path("old.txt")), expected);

    // Two switches: both directories are made, only the later file is written.
    EXPECT_EQ(RunProgram({"/exit:" + tmp.Path("x/1.txt"), "/exit:" + tmp.Path("y/2.txt")}, tmp.Root()).exitCode, 0);
    EXPECT_TRUE(Exists(tmp.Path("x")));
    EXPECT_FALSE(Exists(tmp.Path("x/1.txt")));
    EXPECT_EQ(ReadBytes(tmp.Path("y/2.txt")), expected);
}

TEST(LumohostidTest, InteractiveModePrintsTheDialogFields)
{
    CFakeSysfs tmp;
    const std::vector<uint8_t> fileBytes = ExpectedFileBytes();
    const std::string hostId(fileBytes.begin(), fileBytes.end() - 1);
    const std::string expected = "Computer name: " + HostName() + "\nHost ID: " + hostId + "\n";
    // No arguments, and arguments that are no exit switch: interactive mode.
    const std::vector<std::vector<std::string>> runs = {
        {}, {"/EXIT:" + tmp.Path("a.txt")}, {"exit:" + tmp.Path("b.txt")}, {"//exit:" + tmp.Path("c.txt")}};
    for (const auto& arguments : runs) {
        const ProgramRun run = RunProgram(arguments, tmp.Root());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, expected);
    }
    EXPECT_FALSE(Exists(tmp.Path("a.txt")) || Exists(tmp.Path("b.txt")) || Exists(tmp.Path("c.txt")));
}

}  // namespace

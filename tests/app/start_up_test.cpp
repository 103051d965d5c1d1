#include "app/start_up.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/fake_file_system.h"
#include "core/fake_sources.h"

namespace {

class CRecordingUserInterface : public IUserInterface {
public:
    int setUps = 0;
    std::vector<std::u16string> dialogs;  // host-ID text of each main dialog shown

    void SetUp() override { ++setUps; }
    void RunMainDialog(const std::u16string& hostId) override { dialogs.push_back(hostId); }
};

const std::u16string kGuid = u"{6B7D3F10-1111-2222-3333-444455556666}";
const std::vector<uint8_t> kMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

// The machine of the typical run: one wired PCI adapter, host ID 44-9D-95-72-3E.
CFakeSources PciMachine()
{
    CFakeSources machine;
    machine.components = {Component(NCF_PHYSICAL, kGuid, u"PCI\\VEN_8086&DEV_100E\\3&1")};
    machine.devices = {Device({1, 2, 4}, u"PCI\\VEN_8086&DEV_100E\\3&1", kGuid)};
    machine.drivers[kGuid] = {kMac, kMac, std::nullopt};
    machine.adapters = {Adapter(kGuid, u"Intel(R) Ethernet", kMac)};
    return machine;
}

const std::vector<uint8_t> kHostIdBytes = {'4', '4', '-', '9', 'D', '-', '9', '5', '-', '7', '2', '-', '3', 'E', 0};

struct CommandLineCase {
    const char* name;
    std::vector<std::u16string> arguments;  // after the program name
    bool exitMode;
    std::u16string path;
    std::vector<std::u16string> created;  // directories created, in order
};

TEST(CommandLineTest, Switches)
{
    const CommandLineCase cases[] = {
        {"no arguments", {}, false, u"", {}},
        {"slash", {u"/exit:C:\\out\\id.txt"}, true, u"C:\\out\\id.txt", {u"C:\\out"}},
        {"hyphen", {u"-exit:C:\\out\\id.txt"}, true, u"C:\\out\\id.txt", {u"C:\\out"}},
        {"upper case", {u"/EXIT:C:\\id.txt"}, false, u"", {}},
        {"mixed case", {u"/Exit:C:\\id.txt"}, false, u"", {}},
        {"no switch character", {u"exit:C:\\id.txt"}, false, u"", {}},
        {"two slashes", {u"//exit:x"}, false, u"", {}},
        {"not at the start", {u"/myexit:x"}, false, u"", {}},
        {"other arguments ignored", {u"file.txt", u"/s", u"-", u"/"}, false, u"", {}},
        {"exit twice in one switch", {u"/exit:exit:x"}, true, u"exit:x", {}},
        {"empty path", {u"/exit:"}, true, u"", {}},
        {"relative path", {u"/exit:id.txt"}, true, u"id.txt", {}},
        {"deep path", {u"/exit:C:\\a\\b\\c\\id.txt"}, true, u"C:\\a\\b\\c\\id.txt", {u"C:\\a\\b", u"C:\\a\\b\\c"}},
        {"slash is no separator", {u"/exit:C:\\dir\\sub/id.txt"}, true, u"C:\\dir\\sub/id.txt", {u"C:\\dir"}},
        {"later switch wins", {u"/exit:C:\\x\\1.txt", u"/exit:C:\\y\\2.txt"}, true, u"C:\\y\\2.txt",
         {u"C:\\x", u"C:\\y"}},
        {"ignored switch after", {u"/exit:C:\\x\\1.txt", u"/EXIT:C:\\y\\2.txt"}, true, u"C:\\x\\1.txt", {u"C:\\x"}},
        {"missing drive", {u"/exit:Q:\\ids\\id.txt"}, true, u"Q:\\ids\\id.txt", {}},
        {"leading backslash", {u"/exit:\\id.txt"}, true, u"\\id.txt", {}},
    };
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeFileSystem fileSystem;
        fileSystem.directories.insert(u"C:\\a");
        CConfigurationData configuration(fileSystem);
        std::vector<std::u16string> arguments = {u"LumoHostID.exe"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        ParseCommandLine(arguments, configuration);
        EXPECT_EQ(configuration.m_bExit, c.exitMode);
        EXPECT_EQ(configuration.GetExitPath(), c.path);
        EXPECT_EQ(fileSystem.created, c.created);
    }
}

TEST(CommandLineTest, WalkHandsOverEachArgumentWithItsKind)
{
    struct CRecorder : CCommandLineInfo {
        std::vector<std::tuple<std::u16string, bool, bool>> calls;
        void ParseParam(const std::u16string& param, bool isSwitch, bool isLast) override
        {
            calls.emplace_back(param, isSwitch, isLast);
        }
    } recorder;
    ParseCommandLine({u"prog", u"/a", u"b", u"-", u"", u"//c"}, recorder);
    const std::vector<std::tuple<std::u16string, bool, bool>> expected = {
        {u"a", true, false}, {u"b", false, false}, {u"", true, false}, {u"", false, false}, {u"/c", true, true}};
    EXPECT_EQ(recorder.calls, expected);
    recorder.calls.clear();
    ParseCommandLine({u"prog"}, recorder);
    EXPECT_TRUE(recorder.calls.empty());
}

TEST(CommandLineTest, ExistingDirectoryIsNotCreatedAgain)
{
    CFakeFileSystem fileSystem;
    fileSystem.directories.insert(u"C:\\ids");
    CConfigurationData configuration(fileSystem);
    configuration.ParseParam(u"exit:C:\\ids\\host.txt", true, true);
    EXPECT_EQ(fileSystem.tested, std::vector<std::u16string>{u"C:\\ids"});
    EXPECT_TRUE(fileSystem.created.empty());
}

TEST(OutputFileTest, Bytes)
{
    EXPECT_EQ(OutputFileBytes(u"44-9D-95-72-3E"), kHostIdBytes);
    EXPECT_EQ(OutputFileBytes(u""), std::vector<uint8_t>{0});
    // The buffer holds 49 characters and the zero byte.
    const std::vector<uint8_t> longest = OutputFileBytes(std::u16string(60, u'A'));
    ASSERT_EQ(longest.size(), 50u);
    EXPECT_EQ(longest.back(), 0);
}

struct RunCase {
    const char* name;
    bool adapterChosen;
    std::vector<std::u16string> arguments;
    int32_t exitCode;
    std::vector<uint8_t> fileBytes;  // what C:\ids\host.txt holds afterwards; empty: no such file
    size_t dialogs;
};

TEST(StartUpTest, WholeSequence)
{
    const RunCase cases[] = {
        {"file with host ID", true, {u"/exit:C:\\ids\\host.txt"}, kExitOk, kHostIdBytes, 0},
        {"file without adapter", false, {u"/exit:C:\\ids\\host.txt"}, kExitOk, {0}, 0},
        {"empty path", true, {u"/exit:"}, kExitOutputFileFailed, {}, 0},
        {"missing drive", true, {u"/exit:Q:\\ids\\host.txt"}, kExitOutputFileFailed, {}, 0},
        {"interactive", true, {}, kExitOk, {}, 1},
        {"interactive without adapter", false, {u"/x"}, kExitOk, {}, 1},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources machine = c.adapterChosen ? PciMachine() : CFakeSources();
        CFakeFileSystem fileSystem;
        CRecordingUserInterface userInterface;
        std::vector<std::u16string> arguments = {u"LumoHostID.exe"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(RunStartUp(arguments, fileSystem, userInterface, machine.Get()), c.exitCode);
        EXPECT_EQ(userInterface.setUps, 1);
        ASSERT_EQ(userInterface.dialogs.size(), c.dialogs);
        if (c.dialogs) {
            EXPECT_EQ(userInterface.dialogs[0], c.adapterChosen ? u"44-9D-95-72-3E" : u"");
        }
        const auto file = fileSystem.files.find(u"C:\\ids\\host.txt");
        if (c.fileBytes.empty()) {
            EXPECT_EQ(file, fileSystem.files.end());
        } else {
            ASSERT_NE(file, fileSystem.files.end());
            EXPECT_EQ(file->second, c.fileBytes);
        }
        // The determination ran exactly once (two calls for the adapter table), whatever the mode.
        EXPECT_EQ(machine.tableCalls, 2);
    }
}

TEST(StartUpTest, ExistingLongerFileIsOverwritten)
{
    CFakeSources machine = PciMachine();
    CFakeFileSystem fileSystem;
    fileSystem.directories.insert(u"C:\\ids");
    fileSystem.files[u"C:\\ids\\host.txt"] = std::vector<uint8_t>(100, 'x');
    CRecordingUserInterface userInterface;
    EXPECT_EQ(RunStartUp({u"p", u"/exit:C:\\ids\\host.txt"}, fileSystem, userInterface, machine.Get()), kExitOk);
    EXPECT_EQ(fileSystem.files[u"C:\\ids\\host.txt"], kHostIdBytes);
}

TEST(StartUpTest, TwoSwitchesWriteOnlyTheLastFile)
{
    CFakeSources machine = PciMachine();
    CFakeFileSystem fileSystem;
    CRecordingUserInterface userInterface;
    EXPECT_EQ(RunStartUp({u"p", u"/exit:C:\\x\\1.txt", u"/exit:C:\\y\\2.txt"}, fileSystem, userInterface,
                         machine.Get()),
              kExitOk);
    EXPECT_TRUE(fileSystem.directories.count(u"C:\\x"));
    EXPECT_EQ(fileSystem.files.count(u"C:\\x\\1.txt"), 0u);
    EXPECT_EQ(fileSystem.files[u"C:\\y\\2.txt"], kHostIdBytes);
}

TEST(StartUpTest, FailedOrShortWriteIsReported)
{
    for (const bool shortWrite : {false, true}) {
        SCOPED_TRACE(shortWrite ? "short write" : "failed write");
        CFakeSources machine = PciMachine();
        CFakeFileSystem fileSystem;
        fileSystem.failWrites = !shortWrite;
        fileSystem.shortWriteBy = shortWrite ? 1 : 0;
        CRecordingUserInterface userInterface;
        EXPECT_EQ(RunStartUp({u"p", u"/exit:C:\\ids\\host.txt"}, fileSystem, userInterface, machine.Get()),
                  kExitOutputFileFailed);
    }
}

// Memory that runs out in the determination is a failure, never "no adapter": the file is emptied to zero bytes
// (an old ID in it is gone), the dialog's field is empty, and the exit code is 1 either way.
TEST(StartUpTest, MemoryRunningOutInTheDeterminationFailsTheRun)
{
    struct CThrowingTable : CFakeSources {
        uint32_t GetAdaptersAddresses(uint32_t&, std::vector<CAdapterEntry>&) override { throw std::bad_alloc(); }
    };
    struct CNoMemoryTable : CFakeSources {
        uint32_t GetAdaptersAddresses(uint32_t&, std::vector<CAdapterEntry>&) override { return kAdapterTableNoMemory; }
    };
    CThrowingTable throwing;
    static_cast<CFakeSources&>(throwing) = PciMachine();
    CNoMemoryTable noMemory;
    static_cast<CFakeSources&>(noMemory) = PciMachine();
    CFakeSources good = PciMachine();
    const CInventorySources throwingSources = throwing.Get();
    const CInventorySources noMemorySources = noMemory.Get();
    const CInventorySources goodSources = good.Get();
    struct CCase {
        const char* name;
        const CInventorySources* pSources;
        int32_t exitCode;
        std::vector<uint8_t> file;
    };
    const CCase cases[] = {
        {"a source throws std::bad_alloc", &throwingSources, kExitNoMemory, {}},
        {"no memory for the adapter table", &noMemorySources, kExitNoMemory, {}},
        {"no sources could be set up", nullptr, kExitNoMemory, {}},
        {"memory enough", &goodSources, kExitOk, kHostIdBytes},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeFileSystem fileSystem;
        fileSystem.files[u"C:\\ids\\host.txt"] = kHostIdBytes;  // an ID from an earlier run
        CRecordingUserInterface userInterface;
        EXPECT_EQ(RunStartUp({u"p", u"/exit:C:\\ids\\host.txt"}, fileSystem, userInterface, c.pSources), c.exitCode);
        EXPECT_EQ(fileSystem.files[u"C:\\ids\\host.txt"], c.file);

        CRecordingUserInterface interactive;
        EXPECT_EQ(RunStartUp({u"p"}, fileSystem, interactive, c.pSources), c.exitCode);
        ASSERT_EQ(interactive.dialogs.size(), 1u);
        EXPECT_EQ(interactive.dialogs[0], c.exitCode == kExitOk ? u"44-9D-95-72-3E" : u"");
    }
}

TEST(StartUpTest, FileIsWrittenOnlyAfterTheDetermination)
{
    struct CWatchingFileSystem : CFakeFileSystem {
        const CFakeSources* machine = nullptr;
        int tableCallsAtWrite = -1;
        EWriteResult WriteNewFile(const std::u16string& path, const std::vector<uint8_t>& bytes) override
        {
            tableCallsAtWrite = machine->tableCalls;
            return CFakeFileSystem::WriteNewFile(path, bytes);
        }
    } fileSystem;
    CFakeSources machine = PciMachine();
    fileSystem.machine = &machine;
    CRecordingUserInterface userInterface;
    EXPECT_EQ(RunStartUp({u"p", u"/exit:id.txt"}, fileSystem, userInterface, machine.Get()), kExitOk);
    EXPECT_EQ(fileSystem.tableCallsAtWrite, 2);
    EXPECT_EQ(fileSystem.files[u"id.txt"], kHostIdBytes);
    EXPECT_TRUE(fileSystem.created.empty());  // no backslash: no directory is made
}

TEST(StartUpTest, DirectoryIsCreatedBeforeTheDetermination)
{
    // The adapter table is read only after the output directory exists.
    struct CWatchingSources : CFakeSources {
        CFakeFileSystem* fileSystem = nullptr;
        bool directoryExistedAtTable = false;
        uint32_t GetAdaptersAddresses(uint32_t& size, std::vector<CAdapterEntry>& out) override
        {
            directoryExistedAtTable = fileSystem->directories.count(u"C:\\ids") != 0;
            return CFakeSources::GetAdaptersAddresses(size, out);
        }
    } machine;
    CFakeFileSystem fileSystem;
    machine.fileSystem = &fileSystem;
    CRecordingUserInterface userInterface;
    RunStartUp({u"p", u"/exit:C:\\ids\\host.txt"}, fileSystem, userInterface, machine.Get());
    EXPECT_TRUE(machine.directoryExistedAtTable);
}

}  // namespace

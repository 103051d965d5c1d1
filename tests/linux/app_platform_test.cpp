// The Linux platform of start-up against a real file system, in a temporary directory.

#include "app/linux/linux_platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/linux/computer_name.h"
#include "common/text.h"
#include "fake_sysfs.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool IsDir(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

TEST(LinuxFileSystemTest, PathExists)
{
    CFakeSysfs tmp;  // only as a temporary directory
    tmp.Dir("dir");
    tmp.File("file", "x");
    tmp.RawLink("dangling", "nowhere");
    tmp.Link("link-to-dir", "dir");
    CLinuxFileSystem fileSystem;
    const std::pair<const char*, bool> cases[] = {
        {"dir", true}, {"file", true}, {"missing", false}, {"dangling", false}, {"link-to-dir", true},
        {"file/below", false},
    };
    for (const auto& [name, exists] : cases)
        EXPECT_EQ(fileSystem.PathExists(Utf8ToUtf16(tmp.Path(name))), exists) << name;
}

TEST(LinuxFileSystemTest, CreateDirectoryTreeMakesEveryMissingLevel)
{
    CFakeSysfs tmp;
    CLinuxFileSystem fileSystem;
    fileSystem.CreateDirectoryTree(Utf8ToUtf16(tmp.Path("a/b/c")));
    EXPECT_TRUE(IsDir(tmp.Path("a")) && IsDir(tmp.Path("a/b")) && IsDir(tmp.Path("a/b/c")));

    fileSystem.CreateDirectoryTree(Utf8ToUtf16(tmp.Path("x//y/")));
    EXPECT_TRUE(IsDir(tmp.Path("x/y")));

    // A backslash is part of a name on Linux.
    fileSystem.CreateDirectoryTree(Utf8ToUtf16(tmp.Path("p\\q")));
    EXPECT_TRUE(IsDir(tmp.Path("p\\q")));
    EXPECT_FALSE(IsDir(tmp.Path("p")));

    // A file in the way stops the work without harm.
    tmp.File("f", "x");
    fileSystem.CreateDirectoryTree(Utf8ToUtf16(tmp.Path("f/g/h")));
    EXPECT_FALSE(IsDir(tmp.Path("f/g")));
    EXPECT_EQ(ReadBytes(tmp.Path("f")), std::vector<uint8_t>{'x'});

    fileSystem.CreateDirectoryTree(u"");  // nothing to make
}

struct WriteCase {
    const char* name;
    std::string path;  // relative to the temporary directory unless absolute
    EWriteResult result;
};

TEST(LinuxFileSystemTest, WriteNewFile)
{
    CFakeSysfs tmp;
    tmp.File("longer.txt", std::string(100, 'z'));
    tmp.Dir("dir");
    tmp.File("file", "x");
    CLinuxFileSystem fileSystem;
    const std::vector<uint8_t> bytes = {'4', '4', '-', '9', 'D', 0};
    const WriteCase cases[] = {
        {"new file", "new.txt", EWriteResult::Written},
        {"existing longer file is emptied first", "longer.txt", EWriteResult::Written},
        {"a directory of that name", "dir", EWriteResult::CannotCreate},
        {"missing directory", "missing/id.txt", EWriteResult::CannotCreate},
        {"below a file", "file/id.txt", EWriteResult::CannotCreate},
        {"empty path", "", EWriteResult::CannotCreate},
        {"a device that takes nothing", "/dev/full", EWriteResult::WriteFailed},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.path.empty() || c.path[0] == '/' ? c.path : tmp.Path(c.path);
        EXPECT_EQ(fileSystem.WriteNewFile(Utf8ToUtf16(path), bytes), c.result);
        if (c.result == EWriteResult::Written) {
            EXPECT_EQ(ReadBytes(path), bytes);
        }
    }
}

TEST(LinuxPlatformTest, InteractiveText)
{
    EXPECT_EQ(InteractiveText("vm", u"44-9D-95-72-3E"), "Computer name: vm\nHost ID: 44-9D-95-72-3E\n");
    EXPECT_EQ(InteractiveText("", u""), "Computer name: \nHost ID: \n");
}

TEST(LinuxPlatformTest, ComputerNameIsTheKernelsHostName)
{
    // The kernel shows the same name in /proc, with a line break after it: read that way, the name must agree.
    std::ifstream file("/proc/sys/kernel/hostname");
    std::string strExpected;
    ASSERT_TRUE(std::getline(file, strExpected));
    ASSERT_FALSE(strExpected.empty());
    EXPECT_EQ(ReadComputerName(), strExpected);
}

TEST(LinuxPlatformTest, ArgumentsFromArgv)
{
    const char* argv[] = {"lumohostid", "/exit:/tmp/\xC3\xA9t\xC3\xA9/id.txt", "-x", nullptr};
    EXPECT_EQ(ArgumentsFromArgv(3, argv),
              (std::vector<std::u16string>{u"lumohostid", u"/exit:/tmp/\u00E9t\u00E9/id.txt", u"-x"}));
    EXPECT_TRUE(ArgumentsFromArgv(0, argv).empty());
}

TEST(LinuxPlatformTest, FileNamesThatAreNotUtf8ArriveUnchanged)
{
    // Linux file names are bytes: a name in another encoding must name the same file, not one with U+FFFD in it.
    CFakeSysfs tmp;
    const std::string directory = tmp.Path("ids-\xE9t\xE9");  // Latin-1, not UTF-8
    const std::string path = directory + "/h\xFF.txt";
    const char* argv[] = {"lumohostid", nullptr};
    const std::string argument = "/exit:" + path;
    argv[1] = argument.c_str();
    const std::vector<std::u16string> arguments = ArgumentsFromArgv(2, argv);
    ASSERT_EQ(arguments.size(), 2u);

    CLinuxFileSystem fileSystem;
    const std::u16string strPath = arguments[1].substr(6);
    fileSystem.CreateDirectoryTree(strPath.substr(0, strPath.rfind(u'/')));
    EXPECT_TRUE(IsDir(directory));
    EXPECT_EQ(fileSystem.WriteNewFile(strPath, {'x', 0}), EWriteResult::Written);
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'x', 0}));
    EXPECT_TRUE(fileSystem.PathExists(strPath));
}

}  // namespace

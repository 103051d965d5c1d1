// LumoHostID.exe end to end under Wine, in file-output mode: the file it writes and its exit code, in the seeded
// prefix (one PCI network device bound to one of Wine's adapters) and in the plain one (no such device).

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "hostid/release_host_id.h"
#include "inventory/hid_dev_net.h"
#include "support/win/files.h"
#include "support/win/process_runner.h"
#include "win/seeded_device.h"
#include "win_test_support.h"

namespace {

const std::u16string kProgram = BuildTreePath(LUMO_HOSTID_EXE);

// The longest a run of the program may take; the determination takes a fraction of it.
constexpr DWORD kRunMilliseconds = 60000;

// Runs the program with the arguments (in the working directory, when one is given) and returns its exit code;
// none when it could not be started or did not end in time (it is then ended).
std::optional<DWORD> RunProgram(const std::u16string& strArguments, const std::u16string& strWorkingDirectory = u"")
{
    return RunToEnd(u"\"" + kProgram + u"\" " + strArguments, kRunMilliseconds, strWorkingDirectory);
}

bool IsDirectory(const std::u16string& strPath)
{
    const DWORD dwAttributes = ::GetFileAttributesW(AsWide(strPath));
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A drive letter that names no drive of the prefix.
std::u16string MissingDrive()
{
    const DWORD dwDrives = ::GetLogicalDrives();
    for (int i = 25; i >= 3; --i) {
        if (!(dwDrives & (1u << i)))
            return std::u16string(1, static_cast<char16_t>(u'A' + i)) + u":";
    }
    return u"";
}

// The GUID the seeding bound the device to, or none when the prefix is not seeded.
std::optional<std::u16string> SeededGuid()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, LUMO_SEEDED_CLASS_KEY, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t szValue[128] = {};
    DWORD cbValue = sizeof(szValue) - sizeof(wchar_t);
    const LSTATUS nResult =
        ::RegQueryValueExW(hKey, L"NetCfgInstanceId", nullptr, nullptr, reinterpret_cast<BYTE*>(szValue), &cbValue);
    ::RegCloseKey(hKey);
    if (nResult != ERROR_SUCCESS)
        return std::nullopt;
    return FromWide(szValue);
}

// The host ID of the adapter the adapter table lists under that name: the digest of its address text, as a wired
// PCI adapter's. Empty when the table has no such adapter.
std::u16string ExpectedHostId(const std::u16string& strName)
{
    ULONG nSize = 64 * 1024;
    std::vector<unsigned char> buffer(nSize);
    auto* pFirst = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, pFirst, &nSize) != NO_ERROR)
        return u"";
    for (const IP_ADAPTER_ADDRESSES* p = pFirst; p; p = p->Next) {
        if (!p->AdapterName || !EqualsNoCase(AsciiToUtf16(p->AdapterName), strName))
            continue;
        CHidDevNet record;
        record.m_strGuid = strName;
        record.m_strAddress = FormatAddressText(p->PhysicalAddress, p->PhysicalAddressLength);
        record.m_dwFlags = HID_BUS_PCI;
        return CReleaseHostId(record).GetHostIdText();
    }
    return u"";
}

std::vector<uint8_t> OutputBytes(const std::u16string& strHostId)
{
    std::vector<uint8_t> bytes(strHostId.begin(), strHostId.end());
    bytes.push_back(0);
    return bytes;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTree(u"C:\\ids"); }
    void TearDown() override { RemoveTree(u"C:\\ids"); }
};

TEST_F(ProgramTest, SeededPrefixFileHoldsTheAdaptersHostId)
{
    const std::optional<std::u16string> strGuid = SeededGuid();
    if (!strGuid)
        GTEST_SKIP() << "the host has no adapter with a usable address, so the prefix is not seeded";
    const std::u16string strHostId = ExpectedHostId(*strGuid);
    ASSERT_EQ(strHostId.size(), 14u) << Narrow(*strGuid);

    // Both directories are created, and the file holds the 14 characters and a zero byte.
    ASSERT_FALSE(IsDirectory(u"C:\\ids"));
    EXPECT_EQ(RunProgram(u"/exit:C:\\ids\\sub\\host.txt"), 0u);
    EXPECT_TRUE(IsDirectory(u"C:\\ids\\sub"));
    EXPECT_EQ(ReadFileBytes(u"C:\\ids\\sub\\host.txt"), OutputBytes(strHostId));

    // The hyphen form, over an existing longer file: exactly 15 bytes afterwards.
    const HANDLE hFile = ::CreateFileW(L"C:\\ids\\sub\\host.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD nWritten = 0;
    ::WriteFile(hFile, std::string(100, 'x').data(), 100, &nWritten, nullptr);
    ::CloseHandle(hFile);
    EXPECT_EQ(RunProgram(u"-exit:C:\\ids\\sub\\host.txt"), 0u);
    EXPECT_EQ(ReadFileBytes(u"C:\\ids\\sub\\host.txt"), OutputBytes(strHostId));

    // Of two switches only the last file is written; both directories are made.
    EXPECT_EQ(RunProgram(u"/exit:C:\\ids\\x\\1.txt /exit:C:\\ids\\y\\2.txt"), 0u);
    EXPECT_TRUE(IsDirectory(u"C:\\ids\\x"));
    EXPECT_FALSE(ReadFileBytes(u"C:\\ids\\x\\1.txt"));
    EXPECT_EQ(ReadFileBytes(u"C:\\ids\\y\\2.txt"), OutputBytes(strHostId));
}

TEST_F(ProgramTest, PlainPrefixFileHoldsOneZeroByte)
{
    ASSERT_FALSE(SeededGuid()) << "this test runs in the prefix without a network device";
    EXPECT_EQ(RunProgram(u"/exit:C:\\ids\\sub\\host.txt"), 0u);
    EXPECT_TRUE(IsDirectory(u"C:\\ids\\sub"));
    EXPECT_EQ(ReadFileBytes(u"C:\\ids\\sub\\host.txt"), std::vector<uint8_t>{0});
}

TEST_F(ProgramTest, FilesAtQuotedPathsWithSpaces)
{
    // The command lines exactly as typed in cmd.exe, which hands them to CreateProcess unchanged. The C runtime
    // splits them: quotes group the spaces into one argument and are dropped wherever they stand, so both quoted
    // forms name the same file. Unquoted, the path ends at the first space and the rest is another argument.
    const std::optional<std::u16string> strGuid = SeededGuid();
    const std::vector<uint8_t> expected = strGuid ? OutputBytes(ExpectedHostId(*strGuid)) : std::vector<uint8_t>{0};
    const struct {
        const char* name;
        std::u16string arguments;
        std::u16string path;         // the file written
        std::u16string notExpected;  // a file that must not be there afterwards
    } cases[] = {
        {"whole switch quoted", u"\"/exit:C:\\my ids\\host.txt\"", u"C:\\my ids\\host.txt", u"C:\\my"},
        {"path quoted", u"/exit:\"C:\\my ids\\host.txt\"", u"C:\\my ids\\host.txt", u"C:\\my"},
        {"missing directories quoted", u"/exit:\"C:\\my ids\\sub dir\\host.txt\"", u"C:\\my ids\\sub dir\\host.txt",
         u"C:\\my ids\\sub"},
        {"not quoted", u"/exit:C:\\my ids\\host.txt", u"C:\\my", u"C:\\my ids\\host.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(u"C:\\my ids");
        RemoveTree(u"C:\\my");
        EXPECT_EQ(RunProgram(c.arguments), 0u);
        EXPECT_EQ(ReadFileBytes(c.path), expected);
        EXPECT_FALSE(ReadFileBytes(c.notExpected));
    }
    RemoveTree(u"C:\\my ids");
    RemoveTree(u"C:\\my");
}

TEST_F(ProgramTest, FilesAtRelativePathsLandBelowTheWorkingDirectory)
{
    // A relative path is taken from the working directory, and its missing directories are created there as an
    // absolute path's are.
    const std::optional<std::u16string> strGuid = SeededGuid();
    const std::vector<uint8_t> expected = strGuid ? OutputBytes(ExpectedHostId(*strGuid)) : std::vector<uint8_t>{0};
    const std::u16string strWork = u"C:\\ids\\work";
    const struct {
        std::u16string arguments;
        std::u16string path;  // the file written
    } cases[] = {
        {u"/exit:sub\\id.txt", strWork + u"\\sub\\id.txt"},
        {u"-exit:a\\b\\c\\id.txt", strWork + u"\\a\\b\\c\\id.txt"},
        {u"/exit:..\\up\\id.txt", u"C:\\ids\\up\\id.txt"},
        {u"/exit:.\\here\\id.txt", strWork + u"\\here\\id.txt"},
        {u"/exit:id.txt", strWork + u"\\id.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.arguments));
        RemoveTree(u"C:\\ids");
        ASSERT_TRUE(::CreateDirectoryW(L"C:\\ids", nullptr) && ::CreateDirectoryW(AsWide(strWork), nullptr));
        EXPECT_EQ(RunProgram(c.arguments, strWork), 0u);
        EXPECT_EQ(ReadFileBytes(c.path), expected);
    }
}

TEST_F(ProgramTest, FilesThatCannotBeCreatedGiveExitCode1)
{
    const std::u16string strDrive = MissingDrive();
    ASSERT_FALSE(strDrive.empty());
    const struct {
        const char* name;
        std::u16string arguments;
    } cases[] = {
        {"empty path", u"/exit:"},
        {"missing drive", u"/exit:" + strDrive + u"\\ids\\host.txt"},
        {"path of a directory", u"/exit:C:\\windows"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunProgram(c.arguments), 1u);
    }
    EXPECT_FALSE(IsDirectory(strDrive + u"\\ids"));
}

}  // namespace

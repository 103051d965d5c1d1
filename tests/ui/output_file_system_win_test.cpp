// The Windows output file of start-up: the directory test and creation, and the file creation and write, in a
// directory of the test's own below the temporary directory.

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/win/win_output_file_system.h"
#include "support/win/files.h"
#include "win_test_support.h"

namespace {

class OutputFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t szTemp[MAX_PATH] = {};
        ASSERT_GT(::GetTempPathW(MAX_PATH, szTemp), 0u);
        m_strRoot = FromWide(szTemp) + u"lumo-output-test";
        RemoveRoot();
        ASSERT_TRUE(::CreateDirectoryW(AsWide(m_strRoot), nullptr));
    }
    void TearDown() override { RemoveRoot(); }

    void RemoveRoot() { RemoveTree(m_strRoot); }

    std::vector<uint8_t> FileBytes(const std::u16string& strPath)
    {
        return ReadFileBytes(strPath).value_or(std::vector<uint8_t>());
    }

    std::u16string m_strRoot;
    CWinOutputFileSystem m_fileSystem;
};

TEST_F(OutputFileSystemTest, DirectoriesAreTestedAndCreatedWithTheirParents)
{
    EXPECT_EQ(m_fileSystem.GetDirectorySeparator(), u'\\');
    EXPECT_TRUE(m_fileSystem.PathExists(m_strRoot));
    const std::u16string strDeep = m_strRoot + u"\\a\\b\\c";
    EXPECT_FALSE(m_fileSystem.PathExists(m_strRoot + u"\\a"));
    m_fileSystem.CreateDirectoryTree(strDeep);
    EXPECT_TRUE(m_fileSystem.PathExists(m_strRoot + u"\\a"));
    EXPECT_TRUE(m_fileSystem.PathExists(strDeep));
    // Creating what exists is silent.
    m_fileSystem.CreateDirectoryTree(strDeep);
    EXPECT_TRUE(m_fileSystem.PathExists(strDeep));
    // A file counts as existing too.
    ASSERT_EQ(m_fileSystem.WriteNewFile(strDeep + u"\\f.txt", {1}), EWriteResult::Written);
    EXPECT_TRUE(m_fileSystem.PathExists(strDeep + u"\\f.txt"));
}

TEST_F(OutputFileSystemTest, FilesAreCreatedOrEmptied)
{
    const std::vector<uint8_t> hostId = {'4', '4', '-', '9', 'D', '-', '9', '5', '-', '7', '2', '-', '3', 'E', 0};
    const std::u16string strFile = m_strRoot + u"\\host.txt";
    ASSERT_EQ(m_fileSystem.WriteNewFile(strFile, std::vector<uint8_t>(100, 'x')), EWriteResult::Written);
    EXPECT_EQ(FileBytes(strFile).size(), 100u);
    // A longer file is emptied first: exactly the new bytes remain.
    ASSERT_EQ(m_fileSystem.WriteNewFile(strFile, hostId), EWriteResult::Written);
    EXPECT_EQ(FileBytes(strFile), hostId);
    ASSERT_EQ(m_fileSystem.WriteNewFile(strFile, {0}), EWriteResult::Written);
    EXPECT_EQ(FileBytes(strFile), std::vector<uint8_t>{0});
}

TEST_F(OutputFileSystemTest, FilesThatCannotBeCreated)
{
    const struct {
        const char* name;
        std::u16string path;
    } cases[] = {
        {"empty path", u""},
        {"missing directory", m_strRoot + u"\\missing\\host.txt"},
        {"a directory", m_strRoot},
        {"trailing backslash", m_strRoot + u"\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m_fileSystem.WriteNewFile(c.path, {0}), EWriteResult::CannotCreate);
    }
}

}  // namespace

// The version reader over a version resource given as plain data.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/file_version_info.h"

namespace {

// A file's version resource as plain data. It records every call.
class CFakeVersionResource : public IVersionResourceReader {
public:
    uint32_t size = 1000;
    uint32_t sizeError = 0;
    bool readOk = true;
    uint32_t readError = 0;
    std::optional<std::pair<uint16_t, uint16_t>> translation = std::make_pair(uint16_t(0x0409), uint16_t(0x04B0));
    std::map<std::u16string, std::u16string> strings;

    int sizeCalls = 0;
    std::vector<std::u16string> files;
    std::vector<std::u16string> queried;

    uint32_t GetSize(const std::u16string& file, uint32_t& error) override
    {
        ++sizeCalls;
        files.push_back(file);
        error = sizeError;
        return size;
    }
    bool Read(const std::u16string& file, std::vector<uint8_t>& buffer, uint32_t& error) override
    {
        EXPECT_EQ(buffer.size(), size);
        files.push_back(file);
        error = readError;
        return readOk;
    }
    std::optional<std::pair<uint16_t, uint16_t>> QueryFirstTranslation(const std::vector<uint8_t>&) override
    {
        return translation;
    }
    std::optional<std::u16string> QueryString(const std::vector<uint8_t>&, const std::u16string& path) override
    {
        queried.push_back(path);
        const auto found = strings.find(path);
        if (found == strings.end())
            return std::nullopt;
        return found->second;
    }
};

const std::u16string kFile = u"C:\\Program Files\\Kavro\\LumoHostID.exe";

TEST(VersionPathTest, Formatting)
{
    EXPECT_EQ(VersionStringPath(0x0409, 0x04B0, u"FileVersion"), u"\\StringFileInfo\\040904B0\\FileVersion");
    EXPECT_EQ(VersionStringPath(0x0007, 0x04e4, u"CompanyName"), u"\\StringFileInfo\\000704E4\\CompanyName");
    EXPECT_EQ(VersionStringPath(0xFFFF, 0x0000, u"X"), u"\\StringFileInfo\\FFFF0000\\X");
}

TEST(SplitVersionTest, Tokens)
{
    const struct {
        std::u16string text;
        int32_t before[4];
        int32_t after[4];
    } cases[] = {
        {u"2.5.1.310", {0, 0, 0, 0}, {2, 5, 1, 310}},
        {u"1..2", {0, 0, 0, 0}, {1, 2, 0, 0}},
        {u"3a.4", {0, 0, 0, 0}, {3, 4, 0, 0}},
        {u"", {9, 9, 9, 9}, {9, 9, 9, 9}},
        {u"...7", {9, 9, 9, 9}, {7, 9, 9, 9}},
        {u"...", {9, 9, 9, 9}, {9, 9, 9, 9}},
        {u"1.2.3.4.5", {0, 0, 0, 0}, {1, 2, 3, 4}},
        {u"1.2.", {9, 9, 9, 9}, {1, 2, 9, 9}},
        {u"x.-3. 6", {9, 9, 9, 9}, {0, -3, 6, 9}},
        {u"1, 0, 0, 0", {9, 9, 9, 9}, {1, 9, 9, 9}},
        {u"4294967296.1", {0, 0, 0, 0}, {2147483647, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        int32_t numbers[4] = {c.before[0], c.before[1], c.before[2], c.before[3]};
        SplitVersion(c.text, numbers);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(numbers[i], c.after[i]) << "number " << i;
    }
}

TEST(FileVersionInfoTest, Failures)
{
    constexpr uint32_t kResourceTypeNotFound = 1813;
    const struct {
        const char* name;
        uint32_t size;
        uint32_t sizeError;
        bool readOk;
        uint32_t readError;
        bool translation;
        std::u16string error;
    } cases[] = {
        {"no version resource", 0, kResourceTypeNotFound, true, 0, true, u"gp=1813"},
        {"size query failed without a code", 0, 0, true, 0, true, u"gp=0"},
        {"no memory", kVersionResourceLargestBytes + 1, 0, true, 0, true, u"nomem=12"},
        {"read failed", 1000, 0, false, 5, true, u"gfvi=5"},
        {"read failed, large code", 1000, 0, false, 4294967295u, true, u"gfvi=4294967295"},
        {"no translation table", 1000, 0, true, 0, false, u"vqvt=2"},
        {"nothing failed", 1000, 0, true, 0, true, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeVersionResource resource;
        resource.size = c.size;
        resource.sizeError = c.sizeError;
        resource.readOk = c.readOk;
        resource.readError = c.readError;
        if (!c.translation)
            resource.translation.reset();
        resource.strings[u"\\StringFileInfo\\040904B0\\FileVersion"] = u"2.5.1.310";
        CFileVersionInfo info(resource);
        info.m_strFile = kFile;
        info.m_strError = u"old";
        EXPECT_EQ(info.GetFileVersion(), c.error.empty() ? u"2.5.1.310" : u"");
        EXPECT_EQ(info.m_strError, c.error);
        EXPECT_TRUE(info.m_bLoaded);
        EXPECT_EQ(info.m_nFileVersion[3], c.error.empty() ? 310 : 0);
        for (const std::u16string& file : resource.files)
            EXPECT_EQ(file, kFile);
        // Failed or not, the resource is loaded once.
        info.GetFileVersion();
        EXPECT_EQ(resource.sizeCalls, 1);
    }
}

TEST(FileVersionInfoTest, FlagsInQueryOrderForTheFirstTranslation)
{
    CFakeVersionResource resource;
    resource.translation = std::make_pair(uint16_t(0x0407), uint16_t(0x04E4));
    const std::u16string prefix = u"\\StringFileInfo\\040704E4\\";
    resource.strings = {
        {prefix + u"FileDescription", u"Host ID"},  {prefix + u"FileVersion", u"1.2.3.4"},
        {prefix + u"ProductVersion", u"5..6"},      {prefix + u"LegalCopyright", u"(C) Kavro"},
        {prefix + u"CompanyName", u"Kavro"},        {u"\\StringFileInfo\\040904B0\\FileVersion", u"9.9.9.9"},
    };
    CFileVersionInfo info(resource);
    info.m_nFlags = VI_FILEVERSION | VI_PRODUCTVERSION | VI_FILEDESCRIPTION | VI_LEGALCOPYRIGHT | VI_COMPANYNAME;
    info.Load();
    const std::vector<std::u16string> order = {prefix + u"FileDescription", prefix + u"FileVersion",
                                               prefix + u"ProductVersion", prefix + u"LegalCopyright",
                                               prefix + u"CompanyName"};
    EXPECT_EQ(resource.queried, order);
    EXPECT_EQ(info.m_strFileDescription, u"Host ID");
    EXPECT_EQ(info.m_strFileVersion, u"1.2.3.4");
    EXPECT_EQ(info.m_strProductVersion, u"5..6");
    EXPECT_EQ(info.m_strLegalCopyright, u"(C) Kavro");
    EXPECT_EQ(info.m_strCompanyName, u"Kavro");
    const int32_t fileNumbers[4] = {1, 2, 3, 4};
    const int32_t productNumbers[4] = {5, 6, 0, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(info.m_nFileVersion[i], fileNumbers[i]);
        EXPECT_EQ(info.m_nProductVersion[i], productNumbers[i]);
    }
    EXPECT_EQ(info.m_strError, u"");
}

TEST(FileVersionInfoTest, DefaultFlagsAndMissingStrings)
{
    CFakeVersionResource resource;
    CFileVersionInfo info(resource);
    info.m_strFileVersion = u"kept";
    info.Load();
    // Only FileVersion is asked for; a string that is not there leaves its field and is no failure.
    EXPECT_EQ(resource.queried, std::vector<std::u16string>{u"\\StringFileInfo\\040904B0\\FileVersion"});
    EXPECT_EQ(info.m_strFileVersion, u"kept");
    EXPECT_EQ(info.m_strError, u"");
}

TEST(FileVersionInfoTest, VersionLine)
{
    EXPECT_EQ(VersionLineText(u"1.0.0"), u"Version 1.0.0");
    EXPECT_EQ(VersionLineText(u""), u"");
}

}  // namespace

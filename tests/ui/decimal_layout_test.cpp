// The plain parts of the dialog base: decimal parsing, the stored position text, the registry key path and the
// reading of the "XY" value.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ui/decimal.h"
#include "support/utf16le.h"
#include "ui/layout.h"

namespace {

TEST(DecimalTest, ReadsLikeTheCLibrary)
{
    const struct {
        std::u16string text;
        int32_t value;
    } cases[] = {
        {u"120", 120},
        {u"  \t\n\v\f\r45", 45},
        {u"+7", 7},
        {u"-8", -8},
        {u"34,56", 34},
        {u"3a", 3},
        {u"abc", 0},
        {u"", 0},
        {u"-", 0},
        {u"+-1", 0},
        {u" - 1", 0},
        {u"0012", 12},
        {u"2147483647", 2147483647},
        {u"2147483648", 2147483647},
        {u"-2147483648", -2147483647 - 1},
        {u"-2147483649", -2147483647 - 1},
        {u"99999999999999999999999999999999", 2147483647},
        {u"-99999999999999999999999999999999", -2147483647 - 1},
        {u"\u00A0" u"5", 0},  // only the C locale's white space is skipped
        {u"\uFF11", 0},       // only the ASCII digits count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int>(c.text.begin(), c.text.end())));
        EXPECT_EQ(ParseDecimalLong(c.text), c.value);
    }
}

TEST(LayoutTest, StoredTextsAndTheirEffect)
{
    const struct {
        std::u16string text;
        std::optional<CXYPosition> position;
    } cases[] = {
        {u"120,45", CXYPosition{120, 45}},
        {u"0,0", CXYPosition{0, 0}},
        {u"-8,45", std::nullopt},
        {u"45,-8", std::nullopt},
        {u"120,", std::nullopt},
        {u",45", std::nullopt},
        {u",", std::nullopt},
        {u"45", std::nullopt},
        {u"", std::nullopt},
        {u"abc,45", CXYPosition{0, 45}},
        {u"12,34,56", CXYPosition{12, 34}},
        {u" 7, 9", CXYPosition{7, 9}},
        {u"7 ,9x", CXYPosition{7, 9}},
        {u"99999999999,5", CXYPosition{2147483647, 5}},
        {u"-99999999999,5", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        const std::optional<CXYPosition> position = ParseXYValue(c.text);
        ASSERT_EQ(position.has_value(), c.position.has_value());
        if (position) {
            EXPECT_EQ(*position, *c.position);
        }
    }
}

TEST(LayoutTest, SavedTextReadsBackAsTheSamePosition)
{
    for (const CXYPosition p : {CXYPosition{0, 0}, CXYPosition{120, 45}, CXYPosition{2147483647, 7}}) {
        const std::u16string text = FormatXYValue(p.x, p.y);
        ASSERT_EQ(ParseXYValue(text), p);
    }
    EXPECT_EQ(FormatXYValue(-1920, 30), u"-1920,30");
    EXPECT_EQ(XYValueDataBytes(u"120,45"), 14u);
}

TEST(LayoutTest, KeyPath)
{
    EXPECT_EQ(DefaultKavroKey(), u"Software\\Kavro\\VEDA\\");
    EXPECT_EQ(ScreenName(1920, 1080), u"Screen1920x1080");
    EXPECT_EQ(LayoutName(129), u"Dlg129");
    EXPECT_EQ(LayoutName(132), u"Dlg132");
    const std::u16string subkey = LayoutSubkey(ScreenName(1024, 768), LayoutName(129));
    EXPECT_EQ(subkey, u"Layout\\Screen1024x768\\Dlg129");
    EXPECT_EQ(ExtendKeyPath(DefaultKavroKey(), subkey), u"Software\\Kavro\\VEDA\\Layout\\Screen1024x768\\Dlg129\\");
    // The product key follows "Software\Kavro\" directly.
    EXPECT_EQ(ExtendKeyPath(ProductKavroKey(u"Lumo\\"), subkey),
              u"Software\\Kavro\\Lumo\\Layout\\Screen1024x768\\Dlg129\\");
    EXPECT_EQ(ProductKavroKey(u"Lumo"), u"Software\\Kavro\\Lumo");
}

TEST(LayoutTest, TakingDataAsText)
{
    const struct {
        const char* name;
        std::vector<uint8_t> data;
        std::u16string text;
    } cases[] = {
        {"terminated", Utf16LeBytes(std::u16string(u"12,34") + u'\0'), u"12,34"},
        {"without null", Utf16LeBytes(u"12,34"), u"12,34"},
        {"odd byte dropped", {'1', 0, '2', 0, '3'}, u"12"},
        {"stops at the first null", Utf16LeBytes(std::u16string(u"1,2\0" u"9,9", 7)), u"1,2"},
        {"empty", {}, u""},
        {"one byte", {'1'}, u""},
        {"high byte kept", {0x41, 0x04}, u"\u0441"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TakeDataAsText(c.data.data(), c.data.size()), c.text);
    }
}

// A registry value for ReadXYValueText: its data and type, answering as RegQueryValueExW does. It records the
// buffer sizes it was asked with.
class CFakeValue : public IXYValueQuery {
public:
    CFakeValue(uint32_t result, uint32_t type, std::vector<uint8_t> data)
        : m_nResult(result), m_dwType(type), m_data(std::move(data))
    {
    }

    uint32_t Query(uint8_t* pBuffer, uint32_t& nBytes, uint32_t& dwType) override
    {
        sizes.push_back(nBytes);
        if (m_nResult != kRegSuccess)
            return m_nResult;
        dwType = m_dwType;
        const uint32_t nSize = static_cast<uint32_t>(m_data.size() + growBy * (sizes.size() - 1));
        if (nSize > nBytes || claimedSize) {
            nBytes = claimedSize ? claimedSize : nSize;
            return kRegMoreData;
        }
        std::memcpy(pBuffer, m_data.data(), m_data.size());
        nBytes = nSize;
        return kRegSuccess;
    }

    std::vector<uint32_t> sizes;
    uint32_t growBy = 0;       // the value grows by this many bytes between queries
    uint32_t claimedSize = 0;  // the value claims this size on every query, however large the buffer

private:
    uint32_t m_nResult;
    uint32_t m_dwType;
    std::vector<uint8_t> m_data;
};

TEST(ReadXYValueTest, Outcomes)
{
    constexpr uint32_t kRegBinary = 3;
    constexpr uint32_t kFileNotFound = 2;
    const std::u16string longText = u"12,34" + std::u16string(200, u' ');  // 412 bytes with the null
    const struct {
        const char* name;
        uint32_t result;
        uint32_t type;
        std::vector<uint8_t> data;
        std::u16string text;
        std::vector<uint32_t> sizes;
    } cases[] = {
        {"short text", kRegSuccess, kRegTypeSz, Utf16LeBytes(std::u16string(u"120,45") + u'\0'), u"120,45", {256}},
        {"missing", kFileNotFound, kRegTypeSz, {}, u"", {256}},
        {"short binary", kRegSuccess, kRegBinary, Utf16LeBytes(u"120,45"), u"", {256}},
        {"exactly 256 bytes", kRegSuccess, kRegTypeSz, Utf16LeBytes(std::u16string(127, u'7') + u'\0'),
         std::u16string(127, u'7'), {256}},
        {"long text read in full", kRegSuccess, kRegTypeSz, Utf16LeBytes(longText + u'\0'), longText, {256, 412}},
        // Above 256 bytes the data is taken as text whatever its type.
        {"long binary", kRegSuccess, kRegBinary, Utf16LeBytes(longText), longText, {256, 410}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeValue value(c.result, c.type, c.data);
        EXPECT_EQ(ReadXYValueText(value), c.text);
        EXPECT_EQ(value.sizes, c.sizes);
    }
}

TEST(ReadXYValueTest, SecondQueryFailsOrClaimsTooMuch)
{
    const std::u16string longText = u"1,2" + std::u16string(300, u' ');
    {
        SCOPED_TRACE("the value grew between the queries");
        CFakeValue value(kRegSuccess, kRegTypeSz, Utf16LeBytes(longText));
        value.growBy = 2;
        EXPECT_EQ(ReadXYValueText(value), u"");
        EXPECT_EQ(value.sizes.size(), 2u);
    }
    {
        SCOPED_TRACE("a size beyond any position is not allocated");
        CFakeValue value(kRegSuccess, kRegTypeSz, Utf16LeBytes(longText));
        value.claimedSize = 0xFFFFFFFF;
        EXPECT_EQ(ReadXYValueText(value), u"");
        EXPECT_EQ(value.sizes, std::vector<uint32_t>{256});
    }
    {
        SCOPED_TRACE("more data but not more than the first buffer");
        CFakeValue value(kRegSuccess, kRegTypeSz, Utf16LeBytes(longText));
        value.claimedSize = 200;
        EXPECT_EQ(ReadXYValueText(value), u"");
        EXPECT_EQ(value.sizes, std::vector<uint32_t>{256});
    }
    {
        SCOPED_TRACE("the largest size read");
        CFakeValue value(kRegSuccess, kRegTypeSz, Utf16LeBytes(std::u16string(u"5,6") + u'\0'));
        value.claimedSize = kXYLargestValueBytes;
        EXPECT_EQ(ReadXYValueText(value), u"");  // the fake keeps claiming, so the second query fails
        EXPECT_EQ(value.sizes, (std::vector<uint32_t>{256, kXYLargestValueBytes}));
    }
}

}  // namespace

#include "support/record_match.h"
#include "support/utf16le.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Every field set, each text to a value of its own.
CHidDevNet Filled()
{
    return CHidDevNet{u"{6b7d3f10-0000-0000-0000-000000000001}", u"PCI", false, u"001A2B3C4D5E", 0x21,
                      u"001A2B3C4D5E", u"001A2B3C4D5F"};
}

struct FieldCase {
    ERecordField eField;
    std::function<void(CHidDevNet&)> change;
    const char* pszMessage;  // what the failure must say about the field
};

// Each field on its own: a difference fails the match and is named with both values, and leaving the field out of
// the comparison lets it pass.
TEST(RecordMatchTest, EachDifferingFieldIsNamed)
{
    const FieldCase cases[] = {
        {kRecordGuid, [](CHidDevNet& r) { r.m_strGuid = u"{x}"; },
         "GUID is \"{x}\", expected \"{6b7d3f10-0000-0000-0000-000000000001}\""},
        {kRecordPnpId, [](CHidDevNet& r) { r.m_strPnpId = u"USB"; }, "enumerator is \"USB\", expected \"PCI\""},
        {kRecordWireless, [](CHidDevNet& r) { r.m_bWireless = true; }, "wireless is yes, expected no"},
        {kRecordAddress, [](CHidDevNet& r) { r.m_strAddress.clear(); },
         "address is \"\", expected \"001A2B3C4D5E\""},
        {kRecordFlags, [](CHidDevNet& r) { r.m_dwFlags = 0x1A0; }, "flags is 0x1A0, expected 0x21"},
        {kRecordPermanentAddress, [](CHidDevNet& r) { r.m_strPermanentAddress = u"0"; },
         "permanent address is \"0\", expected \"001A2B3C4D5E\""},
        {kRecordCurrentAddress, [](CHidDevNet& r) { r.m_strCurrentAddress = u"1"; },
         "current address is \"1\", expected \"001A2B3C4D5F\""},
    };
    const CHidDevNet expected = Filled();
    EXPECT_TRUE(SameRecord(expected, expected));
    unsigned nSeen = 0;
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.pszMessage);
        CHidDevNet actual = Filled();
        c.change(actual);
        const testing::AssertionResult result = SameRecord(actual, expected);
        EXPECT_FALSE(result);
        EXPECT_NE(std::string(result.message()).find(c.pszMessage), std::string::npos) << result.message();
        EXPECT_TRUE(SameRecord(actual, expected, kRecordAllFields & ~c.eField));
        EXPECT_FALSE(SameRecord(actual, expected, c.eField));
        nSeen |= c.eField;
    }
    EXPECT_EQ(nSeen, static_cast<unsigned>(kRecordAllFields));  // no field without a case
}

TEST(RecordMatchTest, EveryDifferenceIsListed)
{
    CHidDevNet actual = Filled();
    actual.m_strPnpId = u"USB";
    actual.m_dwFlags = 0;
    const testing::AssertionResult result = SameRecord(actual, Filled());
    ASSERT_FALSE(result);
    EXPECT_STREQ(result.message(), "record \"{6b7d3f10-0000-0000-0000-000000000001}\": enumerator is \"USB\", "
                                   "expected \"PCI\"; flags is 0x0, expected 0x21");
}

// Low byte first, every unit, surrogates and units above 0xFF included; the null only when asked for.
TEST(Utf16LeTest, LowByteFirst)
{
    EXPECT_EQ(Utf16LeBytes(u""), std::vector<uint8_t>{});
    EXPECT_EQ(Utf16LeBytes(u"", true), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(Utf16LeBytes(u"{a"), (std::vector<uint8_t>{0x7B, 0, 0x61, 0}));
    EXPECT_EQ(Utf16LeBytes(u"\u20AC\U0001F600", true),
              (std::vector<uint8_t>{0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
    EXPECT_EQ(Utf16LeBytes(std::u16string(1, u'\0')), (std::vector<uint8_t>{0, 0}));  // a null inside the text stays
}

}  // namespace

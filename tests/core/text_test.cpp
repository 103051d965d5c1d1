#include "common/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTest, FoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(EqualsNoCase(u"{6B7D3F10-ABCD-EF00}", u"{6b7d3f10-abcd-ef00}"));
    EXPECT_FALSE(EqualsNoCase(u"abc", u"abd"));
    EXPECT_FALSE(EqualsNoCase(u"abc", u"abcd"));
    EXPECT_FALSE(EqualsNoCase(u"\u00e9", u"\u00c9"));  // é and É are not folded
    EXPECT_EQ(AsciiUpperCopy(u"wlan \u00e9[]"), u"WLAN \u00e9[]");
    EXPECT_EQ(AsciiLowerCopy(u"PCI_@Z"), u"pci_@z");
}

struct Utf8Case {
    std::string utf8;
    std::u16string utf16;
};

TEST(TextTest, Utf8RoundTrip)
{
    const Utf8Case cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},  // a surrogate pair in UTF-16
        {"\xC3\xA9t\xC3\xA9", u"\u00e9t\u00e9"},
    };
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

TEST(TextTest, MalformedInputBecomesReplacementCharacters)
{
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD");            // truncated sequence
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");      // overlong form
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate is one broken sequence
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00), u'x'}), "\xEF\xBF\xBDx");
}

TEST(TextTest, FileNamesConvertWithoutLoss)
{
    const std::string names[] = {
        "", "host.txt", "/tmp/ids/h\xC3\xB6st.txt", "bad\xFF\xFEname", "\xC3", "\xE2\x82", "\xED\xA0\x80",
        "\xEF\xBF\xBD", "\xC0\xAF", "\x80\x80", "a\\b", "\xF0\x9F\x98\x80\xF0\x9F",
    };
    for (const std::string& name : names) {
        const std::u16string text = FileNameToUtf16(name);
        EXPECT_EQ(Utf16ToFileName(text), name);
    }
    EXPECT_EQ(FileNameToUtf16("a\xFF"), (std::u16string{u'a', char16_t(0xDCFF)}));
    EXPECT_EQ(FileNameToUtf16("\xC3\xB6"), u"\u00f6");
    // Text that came from elsewhere: a lone surrogate outside the escapes cannot be a byte.
    EXPECT_EQ(Utf16ToFileName(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace

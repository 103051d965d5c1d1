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

struct SequenceCase {
    const char* text;
    size_t length;  // 0: no well-formed sequence starts the text
};

// Each lead-byte range at its edges, with the second byte just inside and just outside its range.
TEST(TextTest, Utf8SequenceLengthFollowsTheWellFormedRanges)
{
    const SequenceCase cases[] = {
        {"", 0},
        {"A\xC3\xA9", 1},
        {"\x80", 0},  // a continuation byte cannot lead
        {"\xC1\xBF", 0},  // an overlong two-byte form
        {"\xC2\x80", 2},
        {"\xDF\xBFx", 2},
        {"\xC2", 0},  // cut short
        {"\xC2\xC0", 0},
        {"\xE0\x9F\xBF", 0},  // an overlong three-byte form
        {"\xE0\xA0\x80", 3},
        {"\xE1\x80\x80", 3},
        {"\xEC\xBF\x7F", 0},  // a third byte that continues nothing
        {"\xED\x9F\xBF", 3},
        {"\xED\xA0\x80", 0},  // a surrogate
        {"\xEE\x80\x80", 3},
        {"\xEF\xBF\xBF", 3},
        {"\xEF\xBF", 0},
        {"\xF0\x8F\xBF\xBF", 0},  // an overlong four-byte form
        {"\xF0\x90\x80\x80", 4},
        {"\xF1\x80\x80\x80", 4},
        {"\xF3\xBF\xBF\xBF", 4},
        {"\xF3\xBF\xBF\xC0", 0},
        {"\xF4\x8F\xBF\xBF", 4},
        {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
        {"\xF5\x80\x80\x80", 0},
        {"\xFF", 0},
    };
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(Utf8SequenceLength(c.text), c.length);
    }
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

struct HexCase {
    uint64_t nValue;
    int nDigits;
    EHexCase eCase;
    std::string text;
};

// Every digit in both letter cases, widths from one digit to sixteen, and bits above the width left out: the GUID
// texts, adapter addresses, digests and host IDs all rest on these digits.
TEST(TextTest, FormatsHexDigitsInEitherCase)
{
    const HexCase cases[] = {
        {0x0123456789ABCDEFull, 16, EHexCase::kUpper, "0123456789ABCDEF"},
        {0xFEDCBA9876543210ull, 16, EHexCase::kLower, "fedcba9876543210"},
        {0x6B7D3F10, 8, EHexCase::kLower, "6b7d3f10"},
        {0xABCD, 4, EHexCase::kUpper, "ABCD"},
        {0x0A, 2, EHexCase::kUpper, "0A"},
        {0x1FF, 2, EHexCase::kUpper, "FF"},  // only the lowest digits
        {0x7, 1, EHexCase::kLower, "7"},
        {0x123, 0, EHexCase::kUpper, ""},
    };
    for (const HexCase& c : cases) {
        std::string narrow = "<";
        AppendHex(narrow, c.nValue, c.nDigits, c.eCase);
        EXPECT_EQ(narrow, "<" + c.text) << c.nValue;
        std::u16string wide = u"<";
        AppendHex(wide, c.nValue, c.nDigits, c.eCase);
        EXPECT_EQ(wide, u"<" + AsciiToUtf16(c.text)) << c.nValue;
    }
    for (unsigned n = 0; n < 256; ++n) {
        const char upper = HexDigit(n);
        const char lower = HexDigit(n, EHexCase::kLower);
        EXPECT_EQ(HexDigitValue(static_cast<char16_t>(upper)), static_cast<int>(n % 16)) << n;
        EXPECT_EQ(HexDigitValue(static_cast<char16_t>(lower)), static_cast<int>(n % 16)) << n;
        EXPECT_EQ(upper, static_cast<char>(AsciiToUpper(static_cast<char16_t>(lower)))) << n;
        EXPECT_NE(n % 16 >= 10, upper == lower) << n;  // letters differ by case, digits do not
        std::string byte;
        AppendHexByte(byte, static_cast<uint8_t>(n));
        std::u16string wideByte;
        AppendHexByte(wideByte, static_cast<uint8_t>(n));
        EXPECT_EQ(byte, (std::string{HexDigit(n >> 4), upper})) << n;
        EXPECT_EQ(wideByte, AsciiToUtf16(byte)) << n;
    }
    EXPECT_EQ(HexDigitValue(u'g'), -1);
    EXPECT_EQ(HexDigitValue(u'/'), -1);
}

struct PrintableCase {
    std::u16string text;
    std::string printable;
};

TEST(TextTest, PrintableTextHasNoControlCharacters)
{
    const PrintableCase cases[] = {
        {u"", ""},
        {u"eth0", "eth0"},
        {u"a\nb", "a?b"},
        {u"\x1B[31mred", "?[31mred"},
        {u"\t\r\x7F", "???"},
        {u" ~", " ~"},                                    // the ends of printable ASCII stay
        {u"\u0080\u00e9", "\xC2\x80\xC3\xA9"},            // only ASCII's control characters are replaced
        {std::u16string{u'x', char16_t(0)}, "x?"},
        {std::u16string(1, char16_t(0xD800)), "\xEF\xBF\xBD"},  // a lone surrogate as in every UTF-8 text
    };
    for (const PrintableCase& c : cases)
        EXPECT_EQ(PrintableUtf8(c.text), c.printable) << Utf16ToUtf8(c.text);
}

}  // namespace

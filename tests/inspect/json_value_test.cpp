// The snapshot's JSON reader and writer: what well-formed JSON reads as, what is refused and where.

#include <gtest/gtest.h>

#include <string>

#include "inspect/json_value.h"

namespace {

struct StringCase {
    const char* name;
    std::string json;
    std::string text;  // the string's contents, UTF-8
};

TEST(JsonValueTest, StringsAreUnescapedToUtf8)
{
    const StringCase cases[] = {
        {"plain", R"("abc")", "abc"},
        {"UTF-8 as it stands", "\"B\xC3\xBCro \xF0\x9F\x98\x80\"", "B\xC3\xBCro \xF0\x9F\x98\x80"},
        {"simple escapes", R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
        {"escape of a null", R"("a\u0000b")", std::string("a\0b", 3)},
        {"escape above 0x7FF", R"("\u20AC")", "\xE2\x82\xAC"},
        {"surrogate pair", R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},
        {"escape after plain text that stays in place", R"("{6B7D}\t")", "{6B7D}\t"},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.name);
        CJsonDocument document;
        CJsonError error;
        ASSERT_TRUE(ParseJson(c.json, 4, document, error)) << error.m_strMessage;
        ASSERT_TRUE(document.GetRoot().IsString());
        EXPECT_EQ(document.GetRoot().GetText(), c.text);
    }
}

struct NumberCase {
    const char* name;
    std::string json;
    CJsonValue::EKind kind;
    bool negative;
    bool beyond;
    uint64_t magnitude;
};

TEST(JsonValueTest, IntegersKeepSignAndMagnitudeUpTo64Bits)
{
    using K = CJsonValue::EKind;
    const NumberCase cases[] = {
        {"zero", "0", K::Integer, false, false, 0},
        {"minus zero", "-0", K::Integer, true, false, 0},
        {"largest unsigned", "18446744073709551615", K::Integer, false, false, UINT64_MAX},
        {"one beyond unsigned", "18446744073709551616", K::Integer, false, true, 0},
        {"smallest signed", "-9223372036854775808", K::Integer, true, false, uint64_t(1) << 63},
        {"one below signed", "-9223372036854775809", K::Integer, true, true, 0},
        {"fraction", "1.5", K::Number, false, false, 1},
        {"exponent", "1e5", K::Number, false, false, 1},
        {"negative exponent", "-2E-3", K::Number, true, false, 2},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        CJsonDocument document;
        CJsonError error;
        ASSERT_TRUE(ParseJson(c.json, 4, document, error)) << error.m_strMessage;
        const CJsonValue value = document.GetRoot();
        EXPECT_EQ(value.GetKind(), c.kind);
        EXPECT_EQ(value.IsNegative(), c.negative);
        EXPECT_EQ(value.IsBeyond64Bits(), c.beyond);
        if (!c.beyond && c.kind == K::Integer) {
            EXPECT_EQ(value.GetMagnitude(), c.magnitude);
        }
        EXPECT_EQ(value.GetText(), c.json);
    }
}

struct RefusedCase {
    const char* name;
    std::string json;
    std::string path;
    std::string message;  // a piece of it
};

TEST(JsonValueTest, RefusesWhatIsNotJsonAndSaysWhere)
{
    const RefusedCase cases[] = {
        {"leading zero", "[01]", "[1]", "unexpected character '1' at byte 3; expected a comma or ']'"},
        {"a lone minus", "[-]", "[0]", "expected a digit"},
        {"fraction without digits", "[1.]", "[0]", "expected a digit"},
        {"single quotes", "{'a': 1}", "", "expected a key in quotes"},
        {"trailing comma", "[1, ]", "[1]", "expected a value"},
        {"missing colon", R"({"a" 1})", "a", "expected a colon"},
        {"unknown escape", R"(["\x"])", "[0]", "expected an escape"},
        {"lone low surrogate", R"(["\uDE00"])", "[0]", "low surrogate without a high one"},
        {"lone high surrogate", R"(["\uD83Dx"])", "[0]", "high surrogate without a low one"},
        {"high surrogate before a non-surrogate", R"(["\uD83D\u0041"])", "[0]", "high surrogate without a low one"},
        {"raw line end in a string", "[\"a\nb\"]", "[0]", "control character (byte 0x0A)"},
        {"zero byte in a string", std::string("[\"a\0b\"]", 7), "[0]", "control character (zero byte)"},
        {"overlong UTF-8", "[\"\xC0\x80\"]", "[0]", "not UTF-8"},
        {"overlong three-byte UTF-8", "[\"\xE0\x80\x80\"]", "[0]", "not UTF-8"},
        {"UTF-8 of a surrogate", "[\"\xED\xA0\x80\"]", "[0]", "not UTF-8"},
        {"beyond U+10FFFF", "[\"\xF4\x90\x80\x80\"]", "[0]", "not UTF-8"},
        {"cut UTF-8 sequence", "[\"\xE2\x82\"]", "[0]", "not UTF-8"},
        {"text after the document", "{} x", "", "text after the document, at byte 4"},
        {"zero byte after the document", std::string("{}\n\0 {}", 6), "", "a zero byte after the document, at byte 4"},
        {"second document", "{} {}", "", "text after the document"},
        {"empty", " \n ", "", "the document is empty"},
        {"unclosed string", R"({"a": "b)", "a", "ends early; expected the end of the string"},
        {"unclosed array within the limit", "[[1,", "[0][1]", "ends early; expected a value"},
        {"five levels where four may nest", "[[[[[]]]]]", "[0][0][0][0]", "nested more than 4 deep"},
        {"deep objects", R"({"a":{"b":{"c":{"d":{}}}}})", "a.b.c.d", "nested more than 4 deep"},
        {"key given twice among few", R"({"a":1,"b":2,"a":3})", "a", "given twice"},
        {"key given twice among many",
         R"({"k0":0,"k1":1,"k2":2,"k3":3,"k4":4,"k5":5,"k6":6,"k7":7,"k8":8,"k9":9,"k10":10,"k3":11})", "k3",
         "given twice"},
        {"key given twice right after the index starts",
         R"({"k0":0,"k1":1,"k2":2,"k3":3,"k4":4,"k5":5,"k6":6,"k7":7,"k0":8})", "k0", "given twice"},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        CJsonDocument document;
        CJsonError error;
        ASSERT_FALSE(ParseJson(c.json, 4, document, error));
        EXPECT_EQ(error.m_strPath, c.path);
        EXPECT_NE(error.m_strMessage.find(c.message), std::string::npos) << error.m_strMessage;
    }
}

TEST(JsonValueTest, ByteOrderMarkAndWhiteSpaceAroundTheDocumentAreTaken)
{
    CJsonDocument document;
    CJsonError error;
    EXPECT_TRUE(ParseJson("\xEF\xBB\xBF \t\r\n{}\r\n\t ", 4, document, error)) << error.m_strMessage;
    EXPECT_TRUE(document.GetRoot().IsObject());
}

// Objects small and large find every key, in document order, and nothing else.
TEST(JsonValueTest, ObjectsFindEveryMemberThroughTheirIndex)
{
    for (const int nMembers : {0, 1, 8, 9, 17, 1000}) {
        SCOPED_TRACE(nMembers);
        std::string json = "{";
        for (int i = 0; i < nMembers; ++i)
            json += (i ? ",\"" : "\"") + std::string(i % 3 == 0 ? "a-rather-long-key-that-is-not-short-" : "k") +
                    std::to_string(i) + "\":" + std::to_string(i);
        json += "}";
        CJsonDocument document;
        CJsonError error;
        ASSERT_TRUE(ParseJson(json, 4, document, error)) << error.m_strMessage;
        const CJsonValue root = document.GetRoot();
        ASSERT_EQ(root.GetSize(), static_cast<size_t>(nMembers));
        for (int i = 0; i < nMembers; ++i) {
            const std::string key =
                std::string(i % 3 == 0 ? "a-rather-long-key-that-is-not-short-" : "k") + std::to_string(i);
            EXPECT_EQ(root.GetKey(static_cast<size_t>(i)), key);
            CJsonValue value = root;
            ASSERT_TRUE(root.Find(key, value)) << key;
            EXPECT_EQ(value.GetMagnitude(), static_cast<uint64_t>(i));
        }
        CJsonValue value = root;
        EXPECT_FALSE(root.Find("k", value));
        EXPECT_FALSE(root.Find("K1", value));
    }
}

// Paths cut long keys so that every message stays one short line.
TEST(JsonValueTest, LongKeysAreCutInPaths)
{
    const std::string key(1000, 'k');
    CJsonDocument document;
    CJsonError error;
    ASSERT_FALSE(ParseJson("{\"" + key + "\": [[[[", 4, document, error));
    EXPECT_EQ(error.m_strPath, std::string(kMaxPathKeyChars, 'k') + "...[0][0][0]");
    // A cut never splits a character, and a long path keeps its end.
    const std::string deep = "{\"" + std::string(50, 'a') + "\": {\"" + std::string(50, 'b') + "\": {\"" +
                             std::string(50, 'c') + "\": [[";
    ASSERT_FALSE(ParseJson(deep, 4, document, error));
    EXPECT_EQ(error.m_strPath.size(), kMaxPathBytes);
    EXPECT_EQ(error.m_strPath, "..." + std::string(19, 'b') + "...." + std::string(kMaxPathKeyChars, 'c') + "...[0]");
    EXPECT_EQ(JsonMemberPath("a", std::string(kMaxPathKeyChars - 1, 'x') + "\xC3\xBC\xC3\xBC"),
              "a." + std::string(kMaxPathKeyChars - 1, 'x') + "\xC3\xBC...");
}

}  // namespace

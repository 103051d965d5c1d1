// The snapshot reader's JSON: what well-formed JSON reads as, what is refused with which message and where, and
// that a fault of the format is the same whatever order the document gives its members in.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "inspect/snapshot.h"

namespace {

// A valid format-2 document; one member's value can be replaced, and more members added.
std::string Document(const std::string& computerName = "\"WS\"", const std::string& resources = "[]",
                     const std::string& extra = "")
{
    return "{\"format\": 2, \"computer_name\": " + computerName +
           ", \"components\": null, \"devices\": [{\"instance_id\": null, \"resources\": " + resources +
           ", \"netcfg_instance_id\": null}], \"drivers\": {}, \"adapters\": null, "
           "\"adapter_table\": {\"size_query\": 111, \"read\": 31}" +
           extra + "}";
}

struct StringCase {
    const char* name;
    std::string json;
    std::string text;  // the string's contents, UTF-8
};

TEST(SnapshotJsonTest, StringsAreUnescapedToUtf8)
{
    const StringCase cases[] = {
        {"plain", R"("abc")", "abc"},
        {"UTF-8 as it stands", "\"B\xC3\xBCro \xF0\x9F\x98\x80\"", "B\xC3\xBCro \xF0\x9F\x98\x80"},
        {"simple escapes", R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
        {"escape of a null", R"("a\u0000b")", std::string("a\0b", 3)},
        {"escape above 0x7FF", R"("\u20AC")", "\xE2\x82\xAC"},
        {"surrogate pair", R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},
        {"escape after plain text", R"("{6B7D}\t")", "{6B7D}\t"},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSnapshot snapshot;
        CSnapshotError error;
        ASSERT_TRUE(ParseSnapshot(Document(c.json), snapshot, error)) << error.m_strMessage;
        EXPECT_EQ(snapshot.m_strComputerName, Utf8ToUtf16(c.text));
    }
}

struct NumberCase {
    const char* name;
    std::string json;
    bool negative;
    uint64_t bits;        // the type's bits, two's complement when negative
    std::string message;  // the whole message when it is refused, else empty
};

// Resource types take any integer of 64 bits; the message quotes the number as the document has it.
TEST(SnapshotJsonTest, IntegersKeepSignAndMagnitudeUpTo64Bits)
{
    const std::string longDigits(400, '1');
    const NumberCase cases[] = {
        {"zero", "0", false, 0, ""},
        {"minus zero is zero", "-0", false, 0, ""},
        {"largest unsigned", "18446744073709551615", false, UINT64_MAX, ""},
        {"smallest signed", "-9223372036854775808", true, uint64_t(1) << 63, ""},
        {"minus one", "-1", true, UINT64_MAX, ""},
        {"one beyond unsigned", "18446744073709551616", false, 0,
         "expected an integer from -9223372036854775808 to 18446744073709551615, found 18446744073709551616"},
        {"one below signed", "-9223372036854775809", false, 0,
         "expected an integer from -9223372036854775808 to 18446744073709551615, found -9223372036854775809"},
        {"an integer beyond 64 bits, cut in the message", std::string(300, '1'), false, 0,
         "expected an integer from -9223372036854775808 to 18446744073709551615, found " +
             std::string(40, '1') + "..."},
        // nlohmann/json ends the parse on a number no double holds.
        {"an integer beyond every double, cut in the message", longDigits, false, 0,
         "a number beyond the range of a double: " + std::string(40, '1') + "..."},
        {"fraction", "1.5", false, 0, "expected an integer, found the number 1.5"},
        {"exponent", "1e5", false, 0, "expected an integer, found the number 1e5"},
        {"negative exponent", "-2E-3", false, 0, "expected an integer, found the number -2E-3"},
        {"a number beyond every double", "1e400", false, 0, "a number beyond the range of a double: 1e400"},
        {"a tiny number", "1e-400", false, 0, "expected an integer, found the number 1e-400"},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSnapshot snapshot;
        CSnapshotError error;
        const bool bRead = ParseSnapshot(Document("\"WS\"", "[" + c.json + "]"), snapshot, error);
        if (!c.message.empty()) {
            ASSERT_FALSE(bRead);
            EXPECT_EQ(error.m_strPath, "devices[0].resources[0]");
            EXPECT_EQ(error.m_strMessage, c.message);
            continue;
        }
        ASSERT_TRUE(bRead) << error.m_strMessage;
        ASSERT_EQ(snapshot.m_devices->at(0).m_resourceTypes.size(), 1u);
        const CSnapshotResourceType type = snapshot.m_devices->at(0).m_resourceTypes[0];
        EXPECT_EQ(type.IsNegative(), c.negative);
        EXPECT_EQ(type.IsNegative() ? static_cast<uint64_t>(type.GetSigned()) : type.GetUnsigned(), c.bits);
    }
}

struct RefusedCase {
    const char* name;
    std::string json;
    std::string path;
    std::string message;  // all of it
};

TEST(SnapshotJsonTest, RefusesWhatIsNotJsonAndSaysWhere)
{
    const RefusedCase cases[] = {
        {"leading zero", "[01]", "[1]", "malformed JSON: unexpected number literal; expected ']', at byte 3"},
        {"a number right after another", "[0-1]", "[1]",
         "malformed JSON: unexpected number literal; expected ']', at byte 4"},
        {"a lone minus", "[-]", "[0]", "malformed JSON: invalid number; expected digit after '-', at byte 3"},
        {"fraction without digits", "[1.]", "[0]",
         "malformed JSON: invalid number; expected digit after '.', at byte 4"},
        {"single quotes", "{'a': 1}", "",
         "malformed JSON: invalid literal, at byte 2"},
        {"trailing comma in an array", "[1, ]", "[1]",
         "malformed JSON: unexpected ']'; expected '[', '{', or a literal, at byte 5"},
        {"trailing comma in an object", R"({"a":1,})", "",
         "malformed JSON: unexpected '}'; expected string literal, at byte 8"},
        {"missing colon", R"({"a" 1})", "a", "malformed JSON: unexpected number literal; expected ':', at byte 6"},
        {"a literal cut short", "[tru]", "[0]", "malformed JSON: invalid literal, at byte 5"},
        {"unknown escape", R"(["\x"])", "[0]",
         "malformed JSON: invalid string: forbidden character after backslash, at byte 4"},
        {"short \\u escape", R"(["\u12G4"])", "[0]",
         "malformed JSON: invalid string: '\\u' must be followed by 4 hex digits, at byte 7"},
        {"lone low surrogate", R"(["\uDE00"])", "[0]",
         "malformed JSON: invalid string: surrogate U+DC00..U+DFFF must follow U+D800..U+DBFF, at byte 8"},
        {"lone high surrogate", R"(["\uD83Dx"])", "[0]",
         "malformed JSON: invalid string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF, at byte 9"},
        {"high surrogate before a non-surrogate", R"(["\uD83D\u0041"])", "[0]",
         "malformed JSON: invalid string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF, at byte 14"},
        {"raw line end in a string", "[\"a\nb\"]", "[0]",
         "malformed JSON: invalid string: control character U+000A (LF) must be escaped to \\u000A or \\n, at byte 4"},
        {"zero byte in a string", std::string("[\"a\0b\"]", 7), "[0]",
         "malformed JSON: an unexpected zero byte, at byte 4"},
        {"zero byte where a value goes", std::string("[1,\0]", 5), "[1]",
         "malformed JSON: an unexpected zero byte, at byte 4"},
        {"overlong UTF-8", "[\"\xC0\x80\"]", "[0]", "malformed JSON: invalid string: ill-formed UTF-8 byte, at byte 3"},
        {"cut UTF-8 sequence, told at the byte that breaks it", "[\"ab\xC3\xBC\xE2\x82\"]", "[0]",
         "malformed JSON: invalid string: ill-formed UTF-8 byte, at byte 9"},
        {"overlong three-byte UTF-8", "[\"\xE0\x80\x80\"]", "[0]", "ill-formed UTF-8"},
        {"UTF-8 of a surrogate", "[\"\xED\xA0\x80\"]", "[0]", "ill-formed UTF-8"},
        {"beyond U+10FFFF", "[\"\xF4\x90\x80\x80\"]", "[0]", "ill-formed UTF-8"},
        {"text after the document", "{} x", "", "malformed JSON: text after the document, at byte 4"},
        {"zero byte after the document", std::string("{}\n\0 {}", 6), "",
         "malformed JSON: a zero byte after the document, at byte 4"},
        {"second document", "{} {}", "", "malformed JSON: text after the document, at byte 4"},
        {"empty", " \n ", "", "malformed JSON: the document is empty"},
        {"half a byte order mark", "\xEF\xBB", "", "malformed JSON: invalid BOM; must be 0xEF 0xBB 0xBF if given, at byte 3"},
        {"unclosed string", R"({"a": "b)", "a",
         "malformed JSON: invalid string: missing closing quote, at byte 9"},
        {"unclosed array within the limit", "[[1,", "[0][1]",
         "malformed JSON: unexpected end of input; expected '[', '{', or a literal, at byte 5"},
        {"five levels where four may nest", "[[[[[]]]]]", "[0][0][0][0]",
         "arrays and objects nested more than 4 deep, deeper than the format goes"},
        {"deep objects", R"({"a":{"b":{"c":{"d":{}}}}})", "a.b.c.d",
         "arrays and objects nested more than 4 deep, deeper than the format goes"},
        {"key given twice among few", R"({"a":1,"b":2,"a":3})", "a", "the key is given twice in one object"},
        {"key given twice among many",
         R"({"k0":0,"k1":1,"k2":2,"k3":3,"k4":4,"k5":5,"k6":6,"k7":7,"k8":8,"k9":9,"k10":10,"k3":11})", "k3",
         "the key is given twice in one object"},
        {"key given twice right after the set starts",
         R"({"k0":0,"k1":1,"k2":2,"k3":3,"k4":4,"k5":5,"k6":6,"k7":7,"k8":8,"k0":9})", "k0",
         "the key is given twice in one object"},
        {"key given twice in a member the format ignores", Document("\"WS\"", "[]", R"(, "x": {"a": 1, "a": 2})"),
         "x.a", "the key is given twice in one object"},
        {"a number beyond every double in a member the format ignores", Document("\"WS\"", "[]", R"(, "x": [0, -1e999])"),
         "x[1]", "a number beyond the range of a double: -1e999"},

        // Faults of the JSON text come before faults of the format, wherever they are.
        {"malformed after a fault of the format", R"({"format": 3, "x": [1,]})", "x[1]",
         "malformed JSON: unexpected ']'; expected '[', '{', or a literal, at byte 23"}
,
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSnapshot snapshot;
        CSnapshotError error;
        ASSERT_FALSE(ParseSnapshot(c.json, snapshot, error));
        EXPECT_EQ(error.m_strPath, c.path);
        if (c.message.rfind("malformed", 0) == 0 || c.message.rfind("arrays", 0) == 0 ||
            c.message.rfind("the key", 0) == 0 || c.message.rfind("a number", 0) == 0)
            EXPECT_EQ(error.m_strMessage, c.message);
        else
            EXPECT_NE(error.m_strMessage.find(c.message), std::string::npos) << error.m_strMessage;
    }
}

TEST(SnapshotJsonTest, ByteOrderMarkWhiteSpaceAndMembersTheFormatIgnoresAreTaken)
{
    const std::string accepted[] = {
        "\xEF\xBB\xBF \t\r\n" + Document() + "\r\n\t ",
        // Anything in a member the format does not list.
        Document("\"WS\"", "[]", R"(, "x": [1e300, -1e-999, )" + std::string(300, '9') + R"(, {"a": []}, "\u0000"])"),
    };
    for (const std::string& text : accepted) {
        CSnapshot snapshot;
        CSnapshotError error;
        EXPECT_TRUE(ParseSnapshot(text, snapshot, error)) << error.m_strMessage;
        EXPECT_EQ(snapshot.m_strComputerName, u"WS");
    }
}

// Objects small and large find every duplicate key and take every distinct one.
TEST(SnapshotJsonTest, DuplicateKeysAreFoundInObjectsOfAnySize)
{
    for (const int nMembers : {1, 8, 9, 17, 1000}) {
        SCOPED_TRACE(nMembers);
        std::string members;
        for (int i = 0; i < nMembers; ++i)
            members += (i ? ",\"" : "\"") + std::string(i % 3 == 0 ? "a-rather-long-key-that-is-not-short-" : "k") +
                       std::to_string(i) + "\":" + std::to_string(i);
        CSnapshot snapshot;
        CSnapshotError error;
        EXPECT_TRUE(ParseSnapshot(Document("\"WS\"", "[]", ", \"x\": {" + members + "}"), snapshot, error))
            << error.m_strMessage;
        for (const int nTwice : {0, nMembers / 2, nMembers - 1}) {
            const std::string key =
                std::string(nTwice % 3 == 0 ? "a-rather-long-key-that-is-not-short-" : "k") + std::to_string(nTwice);
            ASSERT_FALSE(ParseSnapshot(Document("\"WS\"", "[]", ", \"x\": {" + members + ", \"" + key + "\": 0}"),
                                       snapshot, error));
            EXPECT_EQ(error.m_strPath, "x." + key);
            EXPECT_EQ(error.m_strMessage, "the key is given twice in one object");
        }
    }
}

// The first fault is the first in the order the format is checked in, not in the order of the document: the
// format number, then the members as the format lists them, each list element by element, each element field by
// field.
TEST(SnapshotJsonTest, TheFaultGivenDoesNotDependOnTheOrderOfMembers)
{
    struct OrderCase {
        const char* name;
        std::vector<std::string> members;  // in the order the format lists them
        std::string path;
        std::string message;
    };
    const std::string device = R"({"instance_id": null, "resources": [], "netcfg_instance_id": null})";
    const OrderCase cases[] = {
        {"an unknown format before everything",
         {R"("format": 9)", R"("computer_name": 1)", R"("drivers": 1)"}, "format",
         "unknown format 9; this program reads formats 1 to 2"},
        {"a missing format before everything", {R"("computer_name": 1)", R"("drivers": 1)"}, "format", "missing"},
        {"the computer name before the drivers",
         {R"("format": 2)", R"("computer_name": 1)", R"("components": null)", R"("devices": null)",
          R"("drivers": 1)"},
         "computer_name", "expected a string, found the integer 1"},
        {"fields of one element in their order",
         {R"("format": 2)", R"("computer_name": "x")",
          R"("components": [{"id": 5, "instance_guid": "{}", "characteristics": -1}])"},
         "components[0].characteristics", "expected an integer from 0 to 4294967295, found -1"},
        {"a missing field before a later bad one",
         {R"("format": 2)", R"("computer_name": "x")", R"("components": [{"id": 5, "characteristics": 1}])"},
         "components[0].instance_guid", "missing"},
        {"the first element with a fault",
         {R"("format": 2)", R"("computer_name": "x")", R"("components": null)",
          "\"devices\": [" + device + R"(, {"instance_id": 1, "resources": [], "netcfg_instance_id": null}, 3])"},
         "devices[1].instance_id", "expected a string or null, found the integer 1"},
        {"a format-1 resource type beyond 32 bits",
         {R"("format": 1)", R"("computer_name": "x")", R"("components": null)",
          R"("devices": [{"instance_id": null, "resources": [4294967296], "netcfg_instance_id": {}}])"},
         "devices[0].resources[0]", "expected an integer from 0 to 4294967295, found 4294967296"},
        {"a format-2 NetCfgInstanceId object without data",
         {R"("format": 2)", R"("computer_name": "x")", R"("components": null)",
          R"("devices": [{"instance_id": null, "resources": [4294967296], "netcfg_instance_id": {}}])"},
         "devices[0].netcfg_instance_id.data", "missing"},
        {"two driver keys for one device before the driver's value",
         {R"("format": 2)", R"("computer_name": "x")", R"("components": null)", R"("devices": null)",
          R"("drivers": {"{ab}": {"permanent": null, "current": null}, "{AB}": 7})"},
         "drivers.{AB}", "names the same device as drivers.{ab}, apart from letter case"},
        {"the table's own fields before its agreement with the adapters",
         {R"("format": 2)", R"("computer_name": "x")", R"("components": null)", R"("devices": null)",
          R"("drivers": {})", R"("adapters": [])", R"("adapter_table": {"size_query": 111, "read": true})"},
         "adapter_table.read", "expected an integer, found true"},
        {"the agreement of the table and the adapters last",
         {R"("format": 2)", R"("computer_name": "x")", R"("components": null)", R"("devices": null)",
          R"("drivers": {})", R"("adapters": [])", R"("adapter_table": {"size_query": 111, "read": 31})"},
         "adapters", "expected null: the read did not answer 0 (NO_ERROR)"},
        {"format 1 ignores the adapter table",
         {R"("format": 1)", R"("computer_name": "x")", R"("components": null)", R"("devices": null)",
          R"("drivers": {})", R"("adapters": 5)", R"("adapter_table": 5)"},
         "adapters", "expected an array or null, found the integer 5"},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> members = c.members;
        // The format's order, the reverse, and a rotation.
        for (int nOrder = 0; nOrder < 3; ++nOrder) {
            if (nOrder == 1)
                std::reverse(members.begin(), members.end());
            if (nOrder == 2)
                std::rotate(members.begin(), members.begin() + 1, members.end());
            std::string text = "{";
            for (size_t i = 0; i < members.size(); ++i)
                text += (i ? ", " : "") + members[i];
            text += "}";
            SCOPED_TRACE(text);
            CSnapshot snapshot;
            CSnapshotError error;
            ASSERT_FALSE(ParseSnapshot(text, snapshot, error));
            EXPECT_EQ(error.m_strPath, c.path);
            EXPECT_EQ(error.m_strMessage, c.message);
        }
    }
}

// Paths cut long keys so that every message stays one short line.
TEST(SnapshotJsonTest, LongKeysAreCutInPaths)
{
    const std::string key(1000, 'k');
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_FALSE(ParseSnapshot("{\"" + key + "\": [[[[", snapshot, error));
    EXPECT_EQ(error.m_strPath, std::string(kMaxPathKeyChars, 'k') + "...[0][0][0]");
    // A cut never splits a character, and a long path keeps its end.
    const std::string deep = "{\"" + std::string(50, 'a') + "\": {\"" + std::string(50, 'b') + "\": {\"" +
                             std::string(50, 'c') + "\": [[";
    ASSERT_FALSE(ParseSnapshot(deep, snapshot, error));
    EXPECT_EQ(error.m_strPath.size(), kMaxPathBytes);
    EXPECT_EQ(error.m_strPath, "..." + std::string(19, 'b') + "...." + std::string(kMaxPathKeyChars, 'c') + "...[0]");
    const std::string wide = std::string(kMaxPathKeyChars - 1, 'x') + "\xC3\xBC\xC3\xBC";
    ASSERT_FALSE(ParseSnapshot("{\"a\": {\"" + wide + "\": [[[", snapshot, error));
    EXPECT_EQ(error.m_strPath, "a." + std::string(kMaxPathKeyChars - 1, 'x') + "\xC3\xBC...[0][0]");
}

}  // namespace

// Snapshot formats 1 and 2: what is read, what is refused with which field path, and what is written.

#include <gtest/gtest.h>

#include <cstdio>

#include "inspect/snapshot.h"
#include "support.h"

namespace {

// A valid document with one of each thing; each part can be replaced by a test.
struct Doc {
    std::string format = "2";
    std::string computerName = "\"WS-0042\"";
    std::string components =
        R"([ { "characteristics": 4, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}", "id": "PCI\\VEN_8086" } ])";
    std::string devices =
        R"([ { "instance_id": "PCI\\VEN_8086&DEV_100E\\3&1", "resources": [1, 4, 2], "netcfg_instance_id": "{6B7D3F10-1111-2222-3333-444455556666}" } ])";
    std::string drivers = R"({ "{6b7d3f10-1111-2222-3333-444455556666}": { "permanent": "001A2B3C4D5E", "current": null } })";
    std::string adapters =
        R"([ { "name": "{6B7D3F10-1111-2222-3333-444455556666}", "description": "Intel(R) Ethernet", "address": "001A2B3C4D5E" } ])";
    std::string adapterTable = R"({ "size_query": 111, "read": 0 })";

    std::string Text() const
    {
        return "{ \"format\": " + format + ",\n  \"computer_name\": " + computerName + ",\n  \"components\": " +
               components + ",\n  \"devices\": " + devices + ",\n  \"drivers\": " + drivers +
               ",\n  \"adapters\": " + adapters + ",\n  \"adapter_table\": " + adapterTable + " }\n";
    }
};

Doc With(std::string Doc::*part, std::string value)
{
    Doc doc;
    doc.*part = std::move(value);
    return doc;
}

std::string Repeat(const std::string& piece, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

struct MalformedCase {
    const char* name;
    std::string text;
    std::string where;    // the field path the message names, or "" for the document as a whole
    std::string message;  // a piece of the message
};

std::vector<MalformedCase> MalformedCases()
{
    const std::string full = Doc().Text();
    return {
        {"truncated inside a resource list", full.substr(0, full.find("4, 2]")), "devices[0].resources[1]",
         "malformed JSON"},
        {"truncated after the first member", "{ \"format\": 1,", "", "malformed JSON"},
        {"empty file", "", "", "malformed JSON"},
        {"text after the document", full + "x", "", "malformed JSON"},
        {"text that is not UTF-8", With(&Doc::computerName, "\"WS-\xC3\x28\"").Text(), "computer_name",
         "malformed JSON"},
        {"number that is no integer",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": [2.5], "netcfg_instance_id": null } ])").Text(),
         "devices[0].resources[0]", "expected an integer, found the number 2.5"},
        {"number beyond every double",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": [1e400], "netcfg_instance_id": null } ])").Text(),
         "devices[0].resources[0]", "a number beyond the range of a double: 1e400"},
        {"top level is an array", "[ 1, 2 ]", "", "expected an object at the top level, found an array"},
        {"top level is a string", "\"format\"", "", "expected an object at the top level, found a string"},
        {"unknown format number", With(&Doc::format, "3").Text(), "format", "unknown format 3"},
        {"format zero", With(&Doc::format, "0").Text(), "format", "unknown format 0"},
        {"negative format", With(&Doc::format, "-1").Text(), "format", "unknown format -1"},
        {"format as text", With(&Doc::format, "\"1\"").Text(), "format", "expected an integer, found a string"},
        {"format as a fraction", With(&Doc::format, "1.0").Text(), "format", "expected an integer, found the number"},
        {"format missing", R"({ "computer_name": "x" })", "format", "missing"},
        {"key given twice", R"({ "format": 1, "format": 1 })", "format", "given twice"},
        {"computer name is a number", With(&Doc::computerName, "42").Text(), "computer_name",
         "expected a string, found the integer 42"},
        {"computer name missing", R"({ "format": 1 })", "computer_name", "missing"},
        {"components is an object", With(&Doc::components, "{}").Text(), "components",
         "expected an array or null, found an object"},
        {"component is not an object", With(&Doc::components, "[ 4 ]").Text(), "components[0]",
         "expected an object, found the integer 4"},
        {"characteristics negative",
         With(&Doc::components, R"([ { "characteristics": -1, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}", "id": null } ])").Text(),
         "components[0].characteristics", "expected an integer from 0 to 4294967295, found -1"},
        {"characteristics beyond 32 bits",
         With(&Doc::components, R"([ { "characteristics": 4294967296, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}", "id": null } ])").Text(),
         "components[0].characteristics", "expected an integer from 0 to 4294967295"},
        {"characteristics as a fraction",
         With(&Doc::components, R"([ { "characteristics": 4.5, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}", "id": null } ])").Text(),
         "components[0].characteristics", "expected an integer"},
        {"instance GUID without braces",
         With(&Doc::components, R"([ { "characteristics": 4, "instance_guid": "6B7D3F10-1111-2222-3333-444455556666", "id": null } ])").Text(),
         "components[0].instance_guid", "expected a GUID in braces"},
        {"instance GUID with a letter that is not hex",
         With(&Doc::components, R"([ { "characteristics": 4, "instance_guid": "{6B7D3F10-1111-2222-3333-44445555666G}", "id": null } ])").Text(),
         "components[0].instance_guid", "expected a GUID in braces"},
        {"component ID is a number",
         With(&Doc::components, R"([ { "characteristics": 4, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}", "id": 7 } ])").Text(),
         "components[0].id", "expected a string or null, found the integer 7"},
        {"component ID missing",
         With(&Doc::components, R"([ { "characteristics": 4, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}" } ])").Text(),
         "components[0].id", "missing"},
        {"resource type is text",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": [], "netcfg_instance_id": null }, { "instance_id": null, "resources": ["1"], "netcfg_instance_id": null } ])").Text(),
         "devices[1].resources[0]", "expected an integer, found a string"},
        {"resources is null",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": null, "netcfg_instance_id": null } ])").Text(),
         "devices[0].resources", "expected an array of integers, found null"},
        {"instance ID is true",
         With(&Doc::devices, R"([ { "instance_id": true, "resources": [], "netcfg_instance_id": null } ])").Text(),
         "devices[0].instance_id", "expected a string or null, found true"},
        {"NetCfgInstanceId missing", With(&Doc::devices, R"([ { "instance_id": null, "resources": [] } ])").Text(),
         "devices[0].netcfg_instance_id", "missing"},
        {"drivers is null", With(&Doc::drivers, "null").Text(), "drivers", "expected an object, found null"},
        {"drivers missing", R"({ "format": 1, "computer_name": "x", "components": null, "devices": null })", "drivers",
         "missing"},
        {"driver entry is a string", With(&Doc::drivers, R"({ "{a}": "001A2B3C4D5E" })").Text(), "drivers.{a}",
         "expected an object, found a string"},
        {"two driver keys equal apart from letter case",
         With(&Doc::drivers, R"({ "{ab}": { "permanent": null, "current": null }, "{AB}": { "permanent": null, "current": null } })").Text(),
         "drivers.{AB}", "names the same device as drivers.{ab}"},
        {"257-byte driver answer",
         With(&Doc::drivers, "{ \"{a}\": { \"permanent\": \"" + Repeat("AB", 257) + "\", \"current\": null } }").Text(),
         "drivers.{a}.permanent", "257 bytes, more than the 256"},
        {"odd number of hex digits in a driver answer",
         With(&Doc::drivers, R"({ "{a}": { "permanent": null, "current": "001A2B3C4D5" } })").Text(), "drivers.{a}.current",
         "odd number of digits (11)"},
        {"driver answer is a number", With(&Doc::drivers, R"({ "{a}": { "permanent": 12, "current": null } })").Text(),
         "drivers.{a}.permanent", "expected a string of hexadecimal digits or null, found the integer 12"},
        {"driver answer missing", With(&Doc::drivers, R"({ "{a}": { "permanent": null } })").Text(), "drivers.{a}.current",
         "missing"},
        {"9-byte adapter address",
         With(&Doc::adapters, R"([ { "name": null, "description": null, "address": "001A2B3C4D5E6F7081" } ])").Text(),
         "adapters[0].address", "9 bytes, more than the 8"},
        {"character that is not hex in an adapter address",
         With(&Doc::adapters, R"([ { "name": null, "description": null, "address": "00112233445G" } ])").Text(),
         "adapters[0].address", "character 12 'G' is not a hexadecimal digit"},
        {"separators in an adapter address",
         With(&Doc::adapters, R"([ { "name": null, "description": null, "address": "00-11-22-33-44-55" } ])").Text(),
         "adapters[0].address", "character 3 '-' is not a hexadecimal digit"},
        {"odd number of hex digits in an adapter address",
         With(&Doc::adapters, R"([ { "name": null, "description": null, "address": "001" } ])").Text(),
         "adapters[0].address", "odd number of digits (3)"},
        {"adapter address null",
         With(&Doc::adapters, R"([ { "name": null, "description": null, "address": null } ])").Text(),
         "adapters[0].address", "expected a string of hexadecimal digits, found null"},
        {"adapter name is a number",
         With(&Doc::adapters, R"([ { "name": 1, "description": null, "address": "" } ])").Text(), "adapters[0].name",
         "expected a string or null"},
        {"adapters is a string", With(&Doc::adapters, "\"none\"").Text(), "adapters",
         "expected an array or null, found a string"},
        // What only format 2 says, and what format 1 still refuses.
        {"resource type beyond 32 bits in format 1",
         [] {
             Doc doc = With(&Doc::format, "1");
             doc.devices = R"([ { "instance_id": null, "resources": [4294967296], "netcfg_instance_id": null } ])";
             return doc.Text();
         }(),
         "devices[0].resources[0]", "expected an integer from 0 to 4294967295"},
        {"registry bytes in format 1",
         [] {
             Doc doc = With(&Doc::format, "1");
             doc.devices = R"([ { "instance_id": null, "resources": [], "netcfg_instance_id": { "data": "00" } } ])";
             return doc.Text();
         }(),
         "devices[0].netcfg_instance_id", "expected a string or null, found an object"},
        {"resource type beyond 64 bits",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": [18446744073709551616], "netcfg_instance_id": null } ])").Text(),
         "devices[0].resources[0]", "expected an integer"},
        {"registry bytes that are not hex",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": [], "netcfg_instance_id": { "data": "7B0X" } } ])").Text(),
         "devices[0].netcfg_instance_id.data", "character 4 'X' is not a hexadecimal digit"},
        {"registry bytes missing",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": [], "netcfg_instance_id": { } } ])").Text(),
         "devices[0].netcfg_instance_id.data", "missing"},
        {"NetCfgInstanceId is a number",
         With(&Doc::devices, R"([ { "instance_id": null, "resources": [], "netcfg_instance_id": 5 } ])").Text(),
         "devices[0].netcfg_instance_id", "expected a string, null or an object"},
        {"adapter table answers missing", R"({ "format": 2, "computer_name": "", "components": null, "devices": null, "drivers": {}, "adapters": null })",
         "adapter_table", "missing"},
        {"read answer missing", With(&Doc::adapterTable, R"({ "size_query": 111 })").Text(), "adapter_table.read",
         "missing"},
        {"read answer negative", With(&Doc::adapterTable, R"({ "size_query": 111, "read": -1 })").Text(),
         "adapter_table.read", "expected an integer from 0 to 4294967295"},
        {"read failed but the table is there", With(&Doc::adapterTable, R"({ "size_query": 111, "read": 31 })").Text(),
         "adapters", "expected null"},
        {"read succeeded without a table",
         [] {
             Doc doc = With(&Doc::adapters, "null");
             return doc.Text();
         }(),
         "adapters", "expected an array"},
        {"no read after a size query without memory",
         [] {
             Doc doc = With(&Doc::adapters, "null");
             doc.adapterTable = R"({ "size_query": 4294967295, "read": 0 })";
             return doc.Text();
         }(),
         "adapter_table.read", "expected null"},
        {"a read after every other size query", With(&Doc::adapterTable, R"({ "size_query": 232, "read": null })").Text(),
         "adapter_table.read", "expected an integer"},
    };
}

// Each malformed snapshot: exit code 2, nothing on standard output, and one line on standard error that names the
// file and the field path.
TEST(SnapshotTest, MalformedSnapshotsGiveOneLineWithFileAndFieldPath)
{
    for (const MalformedCase& c : MalformedCases()) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost host;
        host.files[u"bad.json"] = c.text;
        EXPECT_EQ(host.Run({u"--replay", u"bad.json"}), 2);
        EXPECT_EQ(host.out, "");
        const std::string prefix = "bad.json: " + (c.where.empty() ? std::string() : c.where + ": ");
        EXPECT_EQ(host.err.compare(0, prefix.size(), prefix), 0) << host.err;
        EXPECT_NE(host.err.find(c.message), std::string::npos) << host.err;
        ASSERT_FALSE(host.err.empty());
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(host.err)), host.err) << "the line is UTF-8";
        EXPECT_EQ(host.err.find('\n'), host.err.size() - 1) << "one line: " << host.err;
        EXPECT_EQ(host.liveSourceRequests, 0);
    }
}

// Driver keys by the ten thousand, the last one naming the device of an earlier one.
std::string ManyDrivers(size_t count, const std::string& last)
{
    std::string drivers = "{";
    char szKey[64];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(szKey, sizeof(szKey), "\"{%08zx-aaaa-bbbb-cccc-ddddeeeeffff}\"", i);
        drivers += std::string(i ? ", " : "") + szKey + ": { \"permanent\": null, \"current\": null }";
    }
    return drivers + ", \"" + last + "\": { \"permanent\": null, \"current\": null } }";
}

// Files no one would write by hand: each gives exit code 2 and one short line naming the field, at once, never a
// crash or a line the size of the file.
TEST(SnapshotTest, HostileFilesGiveOneShortLine)
{
    const std::string full = Doc().Text();
    const MalformedCase cases[] = {
        {"160 KB of nested brackets", std::string(80000, '[') + std::string(80000, ']'), "[0][0][0][0]",
         "nested more than 4 deep"},
        {"400,000 unclosed brackets", std::string(400000, '['), "[0][0][0][0]", "nested more than 4 deep"},
        {"100,000 unclosed objects", Repeat("{\"devices\": ", 100000), "devices.devices.devices.devices",
         "nested more than 4 deep"},
        {"nesting within the format, unclosed", R"({"format": 2, "devices": [{"resources": [1, )",
         "devices[0].resources[1]", "unexpected end of input"},
        {"deeper than the format inside a device", With(&Doc::devices, R"([ { "extra": [[1]] } ])").Text(),
         "devices[0].extra[0]", "nested more than 4 deep"},
        {"a zero byte after the document", full + std::string("\0garbage", 8), "", "a zero byte after the document"},
        {"a zero byte after white space", full + std::string("\n\0", 2), "", "a zero byte after the document"},
        {"a second document", full + full, "", "text after the document"},
        {"40,000 driver keys, the last the same device as the first but one",
         With(&Doc::drivers, ManyDrivers(40000, "{00000001-AAAA-BBBB-CCCC-DDDDEEEEFFFF}")).Text(),
         "drivers.{00000001-AAAA-BBBB-CCCC-DDDDEEEEFFFF}",
         "names the same device as drivers.{00000001-aaaa-bbbb-cccc-ddddeeeeffff}"},
        {"40,000 driver keys, the last given twice",
         With(&Doc::drivers, ManyDrivers(40000, "{00009c3f-aaaa-bbbb-cccc-ddddeeeeffff}")).Text(),
         "drivers.{00009c3f-aaaa-bbbb-cccc-ddddeeeeffff}", "given twice"},
        {"a key of 100,000 characters, unclosed",
         "{ \"format\": 2, \"drivers\": { \"" + std::string(100000, 'k') + "\": { \"permanent\": \"00",
         "drivers." + std::string(kMaxPathKeyChars, 'k') + "....permanent", "missing closing quote"},
        {"the longest of nlohmann/json's accounts at the end of a long path",
         "{ \"drivers\": { \"" + std::string(50, 'k') + "\": { \"" + std::string(50, 'j') + "\": [\"a\nb\"] } } }",
         "..." + std::string(19, 'k') + "...." + std::string(kMaxPathKeyChars, 'j') + "...[0]",
         "malformed JSON: invalid string: control character U+000A (LF) must be escaped to \\u000A or \\n, at byte"},
        {"a number of 100,000 digits", With(&Doc::format, std::string(100000, '9')).Text(), "format",
         "a number beyond the range of a double: 9999999999"},

        {"a string of 1,000,000 characters where an integer belongs",
         With(&Doc::format, "\"" + std::string(1000000, 'x') + "\"").Text(), "format", "expected an integer"},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost host;
        host.files[u"bad.json"] = c.text;
        EXPECT_EQ(host.Run({u"--replay", u"bad.json", u"--json"}), 2);
        EXPECT_EQ(host.out, "");
        const std::string prefix = "bad.json: " + (c.where.empty() ? std::string() : c.where + ": ");
        EXPECT_EQ(host.err.compare(0, prefix.size(), prefix), 0) << host.err;
        EXPECT_NE(host.err.find(c.message), std::string::npos) << host.err;
        EXPECT_EQ(host.err.find('\n'), host.err.size() - 1) << "one line: " << host.err;
        EXPECT_LT(host.err.size(), 200u) << host.err;
    }
}

// The same documents with harmless white space around them are read.
TEST(SnapshotTest, WhiteSpaceAndAByteOrderMarkAroundTheDocumentAreTaken)
{
    CSnapshot snapshot;
    CSnapshotError error;
    EXPECT_TRUE(ParseSnapshot("\xEF\xBB\xBF\r\n" + Doc().Text() + " \t\r\n\n", snapshot, error)) << error.m_strMessage;
}

TEST(SnapshotTest, UnreadableFileIsNamedOnOneLine)
{
    CFakeInspectHost host;
    EXPECT_EQ(host.Run({u"--replay", u"missing.json", u"--json"}), 2);
    EXPECT_EQ(host.out, "");
    EXPECT_EQ(host.err, "missing.json: cannot be read: No such file or directory\n");

    // A file name with a line end in it still gives one line.
    CFakeInspectHost odd;
    EXPECT_EQ(odd.Run({u"--replay", u"a\nb.json"}), 2);
    EXPECT_EQ(odd.err, "a?b.json: cannot be read: No such file or directory\n");
}

TEST(SnapshotTest, ReadsEveryFieldInEitherLetterCaseAndIgnoresUnlistedKeys)
{
    const std::string text = R"({
      "format": 1, "comment": "written by hand", "computer_name": "Büro-PC",
      "components": [ { "characteristics": 132, "instance_guid": "{6b7d3f10-aaaa-bbbb-cccc-ddddeeeeffff}",
                        "id": null, "display_name": "ignored" } ],
      "devices": [ { "instance_id": null, "resources": [0, 7, 4294967295], "netcfg_instance_id": "{X}\u0000junk",
                     "extra": [1, 2] } ],
      "drivers": { "{Ab}": { "permanent": "aBcDeF", "current": "", "speed": 1000 } },
      "adapters": [ { "name": null, "description": null, "address": "0102030405060708", "mtu": 1500 } ],
      "future": { "anything": [true] } })";
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(text, snapshot, error)) << error.m_strPath << ": " << error.m_strMessage;

    EXPECT_EQ(snapshot.m_strComputerName, u"B\u00FCro-PC");
    ASSERT_TRUE(snapshot.m_components && snapshot.m_components->size() == 1);
    const CNetCfgComponentInfo& component = (*snapshot.m_components)[0];
    EXPECT_EQ(component.m_dwCharacteristics, 132u);
    EXPECT_EQ(FormatGuidText(component.m_guidInstance), u"{6b7d3f10-aaaa-bbbb-cccc-ddddeeeeffff}");
    EXPECT_FALSE(component.m_strId);

    ASSERT_TRUE(snapshot.m_devices && snapshot.m_devices->size() == 1);
    const CSnapshotDevice& device = (*snapshot.m_devices)[0];
    EXPECT_EQ(device.m_resourceTypes, (std::vector<CSnapshotResourceType>{0, 7, 4294967295u}));
    EXPECT_FALSE(device.m_strInstanceId);
    EXPECT_EQ(device.m_netCfgInstanceIdData, RegistryString(std::u16string(u"{X}\0junk", 8)));

    ASSERT_EQ(snapshot.m_drivers.size(), 1u);
    EXPECT_EQ(snapshot.m_drivers[0].m_strName, u"{Ab}");
    EXPECT_EQ(snapshot.m_drivers[0].m_permanent, Bytes({0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(snapshot.m_drivers[0].m_current, std::vector<uint8_t>());

    ASSERT_TRUE(snapshot.m_adapters && snapshot.m_adapters->size() == 1);
    const CAdapterEntry& adapter = (*snapshot.m_adapters)[0];
    EXPECT_FALSE(adapter.m_strName);
    EXPECT_FALSE(adapter.m_strDescription);
    EXPECT_EQ(adapter.m_nAddressLength, 8u);
    EXPECT_EQ(FormatAddressText(adapter.m_address, 8), u"0102030405060708");
}

// Format 2 holds what format 1 could not: any 64-bit resource type, registry bytes as stored, the table's answers.
TEST(SnapshotTest, FormatTwoHoldsWhatFormatOneCouldNot)
{
    Doc doc;
    doc.devices = R"([ { "instance_id": null, "resources": [-9223372036854775808, -1, 0, 4294967296, 18446744073709551615],
                         "netcfg_instance_id": { "data": "7b0041007D00" } } ])";
    doc.adapters = "null";
    doc.adapterTable = R"({ "size_query": 232, "read": 1232 })";
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(doc.Text(), snapshot, error)) << error.m_strPath << ": " << error.m_strMessage;
    const CSnapshotDevice& device = (*snapshot.m_devices)[0];
    EXPECT_EQ(device.m_resourceTypes,
              (std::vector<CSnapshotResourceType>{CSnapshotResourceType::FromSigned(INT64_MIN),
                                                  CSnapshotResourceType::FromSigned(-1), 0,
                                                  CSnapshotResourceType::FromUnsigned(4294967296u),
                                                  CSnapshotResourceType::FromUnsigned(UINT64_MAX)}));
    EXPECT_FALSE(device.m_resourceTypes[1].AsType());
    EXPECT_FALSE(device.m_resourceTypes[3].AsType());
    EXPECT_EQ(device.m_resourceTypes[2].AsType(), 0u);
    EXPECT_EQ(device.m_netCfgInstanceIdData, Bytes({'{', 0, 'A', 0, '}', 0}));
    EXPECT_EQ(NetCfgInstanceIdText(device.m_netCfgInstanceIdData), u"{A}");
    EXPECT_EQ(snapshot.m_dwTableSizeAnswer, 232u);
    EXPECT_EQ(snapshot.m_dwTableReadAnswer, 1232u);

    // Written back the same, and a format-1 reading leaves the answers unsaid.
    const std::string text = SerializeSnapshot(snapshot);
    EXPECT_NE(text.find("-9223372036854775808,"), std::string::npos) << text;
    EXPECT_NE(text.find("18446744073709551615\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"data\": \"7B0041007D00\""), std::string::npos) << text;
    CSnapshot back;
    ASSERT_TRUE(ParseSnapshot(text, back, error)) << error.m_strPath << ": " << error.m_strMessage;
    EXPECT_EQ(SerializeSnapshot(back), text);

    CSnapshot old;
    ASSERT_TRUE(ParseSnapshot(With(&Doc::format, "1").Text(), old, error)) << error.m_strMessage;
    EXPECT_FALSE(old.m_dwTableSizeAnswer);
    EXPECT_FALSE(old.m_dwTableReadAnswer);
}

// The integer -0 is 0 in every integer field and in both formats, as 0 is; -1 is refused where only 0 and above
// are taken.
TEST(SnapshotTest, MinusZeroReadsAsZeroInBothFormats)
{
    struct CFieldCase {
        const char* name;
        std::string Doc::*part;
        std::string zero;       // the part with 0 in the field
        std::string minusZero;  // the same with -0
    };
    const CFieldCase fields[] = {
        {"characteristics", &Doc::components,
         R"([ { "characteristics": 0, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}", "id": "x" } ])",
         R"([ { "characteristics": -0, "instance_guid": "{6B7D3F10-1111-2222-3333-444455556666}", "id": "x" } ])"},
        {"resources", &Doc::devices, R"([ { "instance_id": "x", "resources": [0, 1], "netcfg_instance_id": null } ])",
         R"([ { "instance_id": "x", "resources": [-0, 1], "netcfg_instance_id": null } ])"},
    };
    for (const char* pszFormat : {"1", "2"}) {
        for (const CFieldCase& c : fields) {
            SCOPED_TRACE(std::string(c.name) + " in format " + pszFormat);
            Doc zero = With(c.part, c.zero);
            zero.format = pszFormat;
            Doc minusZero = With(c.part, c.minusZero);
            minusZero.format = pszFormat;
            CSnapshot expected;
            CSnapshot actual;
            CSnapshotError error;
            ASSERT_TRUE(ParseSnapshot(zero.Text(), expected, error)) << error.m_strPath << ": " << error.m_strMessage;
            ASSERT_TRUE(ParseSnapshot(minusZero.Text(), actual, error)) << error.m_strPath << ": " << error.m_strMessage;
            EXPECT_EQ(SerializeSnapshot(actual), SerializeSnapshot(expected));
        }
    }
    // The size query's answer in format 2, and -1 still refused there.
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(With(&Doc::adapterTable, R"({ "size_query": -0, "read": -0 })").Text(), snapshot, error))
        << error.m_strMessage;
    EXPECT_EQ(snapshot.m_dwTableSizeAnswer, 0u);
    EXPECT_EQ(snapshot.m_dwTableReadAnswer, 0u);
    EXPECT_FALSE(ParseSnapshot(With(&Doc::adapterTable, R"({ "size_query": -1, "read": 0 })").Text(), snapshot, error));
}

TEST(SnapshotTest, LimitsAreInclusive)
{
    Doc doc;
    doc.drivers = "{ \"{a}\": { \"permanent\": \"" + Repeat("0f", 256) + "\", \"current\": \"\" } }";
    doc.adapters = R"([ { "name": "", "description": "", "address": "" } ])";
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(doc.Text(), snapshot, error)) << error.m_strPath << ": " << error.m_strMessage;
    EXPECT_EQ(snapshot.m_drivers[0].m_permanent->size(), 256u);
    EXPECT_EQ((*snapshot.m_adapters)[0].m_nAddressLength, 0u);
    EXPECT_EQ((*snapshot.m_adapters)[0].m_strName, std::u16string());
}

TEST(SnapshotTest, NullSourcesStayNull)
{
    const std::string text = R"({ "format": 1, "computer_name": "", "components": null, "devices": null,
                                  "drivers": {}, "adapters": null })";
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(text, snapshot, error));
    EXPECT_FALSE(snapshot.m_components);
    EXPECT_FALSE(snapshot.m_devices);
    EXPECT_TRUE(snapshot.m_drivers.empty());
    EXPECT_FALSE(snapshot.m_adapters);
}

// Written in the order of the format, hex in upper case, GUIDs in upper case; reading it back gives the same.
TEST(SnapshotTest, WritesFormatTwoAndReadsItBack)
{
    CSnapshot snapshot;
    snapshot.m_strComputerName = u"WS-0042";
    snapshot.m_components.emplace();
    snapshot.m_components->push_back(Component(0x84, u"{6b7d3f10-aaaa-bbbb-cccc-ddddeeeeffff}", u"usb\\vid_0b95"));
    snapshot.m_devices.emplace();
    snapshot.m_devices->push_back(
        CSnapshotDevice{{1, 4}, u"PCI\\X\\1", RegistryString(std::u16string(u"{g}\0x", 5))});
    snapshot.m_devices->push_back(CSnapshotDevice{{}, std::nullopt, std::nullopt});
    snapshot.m_drivers.push_back(CSnapshotDriver{u"{g}", Bytes({0x00, 0xab}), std::nullopt});
    snapshot.m_adapters.emplace();
    snapshot.m_adapters->push_back(Adapter(u"{G}", std::nullopt, {0xde, 0xad, 0xbe, 0xef, 0x00, 0x01}));

    const std::string text = SerializeSnapshot(snapshot);
    EXPECT_EQ(text,
              "{\n"
              "  \"format\": 2,\n"
              "  \"computer_name\": \"WS-0042\",\n"
              "  \"components\": [\n"
              "    {\n"
              "      \"characteristics\": 132,\n"
              "      \"instance_guid\": \"{6B7D3F10-AAAA-BBBB-CCCC-DDDDEEEEFFFF}\",\n"
              "      \"id\": \"usb\\\\vid_0b95\"\n"
              "    }\n"
              "  ],\n"
              "  \"devices\": [\n"
              "    {\n"
              "      \"instance_id\": \"PCI\\\\X\\\\1\",\n"
              "      \"resources\": [\n"
              "        1,\n"
              "        4\n"
              "      ],\n"
              "      \"netcfg_instance_id\": \"{g}\\u0000x\"\n"
              "    },\n"
              "    {\n"
              "      \"instance_id\": null,\n"
              "      \"resources\": [],\n"
              "      \"netcfg_instance_id\": null\n"
              "    }\n"
              "  ],\n"
              "  \"drivers\": {\n"
              "    \"{g}\": {\n"
              "      \"permanent\": \"00AB\",\n"
              "      \"current\": null\n"
              "    }\n"
              "  },\n"
              "  \"adapters\": [\n"
              "    {\n"
              "      \"name\": \"{G}\",\n"
              "      \"description\": null,\n"
              "      \"address\": \"DEADBEEF0001\"\n"
              "    }\n"
              "  ],\n"
              "  \"adapter_table\": {\n"
              "    \"size_query\": 111,\n"
              "    \"read\": 0\n"
              "  }\n"
              "}\n");

    CSnapshot back;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(text, back, error)) << error.m_strPath << ": " << error.m_strMessage;
    EXPECT_EQ(SerializeSnapshot(back), text);
}

struct NetCfgCase {
    const char* name;
    std::vector<uint8_t> data;
    std::optional<std::u16string> text;  // none: only the bytes can say it
};

// An adapter's friendly name is written only when the system gave one, and read back; snapshots without it read as
// before.
TEST(SnapshotTest, FriendlyNameIsOptional)
{
    Doc doc;
    doc.adapters = R"([ { "name": "eth0", "description": "Ethernet", "address": "001A2B3C4D5E", "friendly_name": "wlan_up" },
                        { "name": "eth1", "description": null, "address": "" } ])";
    CSnapshot snapshot;
    CSnapshotError error;
    ASSERT_TRUE(ParseSnapshot(doc.Text(), snapshot, error)) << error.m_strMessage;
    ASSERT_EQ(snapshot.m_adapters->size(), 2u);
    EXPECT_EQ((*snapshot.m_adapters)[0].m_strFriendlyName, std::optional<std::u16string>(u"wlan_up"));
    EXPECT_FALSE((*snapshot.m_adapters)[1].m_strFriendlyName);

    const std::string written = SerializeSnapshot(snapshot);
    EXPECT_NE(written.find("\"friendly_name\": \"wlan_up\""), std::string::npos) << written;
    EXPECT_EQ(written.find("friendly_name"), written.rfind("friendly_name")) << written;
    CSnapshot again;
    ASSERT_TRUE(ParseSnapshot(written, again, error)) << error.m_strMessage;
    EXPECT_EQ((*again.m_adapters)[0].m_strFriendlyName, std::optional<std::u16string>(u"wlan_up"));

    doc.adapters = R"([ { "name": "eth0", "description": null, "address": "", "friendly_name": 7 } ])";
    EXPECT_FALSE(ParseSnapshot(doc.Text(), snapshot, error));
    EXPECT_EQ(error.m_strPath, "adapters[0].friendly_name");
}

// A NetCfgInstanceId is written as text only when that text, stored as a registry string, gives the same bytes.
TEST(SnapshotTest, NetCfgInstanceIdIsTextOnlyWhenTheTextGivesTheSameBytes)
{
    const NetCfgCase cases[] = {
        {"stored with its null", Bytes({'{', 0, 'a', 0, '}', 0, 0, 0}), u"{a}"},
        {"stored without a null", Bytes({'{', 0, 'a', 0, '}', 0}), std::nullopt},
        {"two nulls", Bytes({'a', 0, 0, 0, 0, 0}), std::u16string(u"a\0", 2)},
        {"embedded null", Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}), std::u16string(u"a\0b", 3)},
        {"odd length", Bytes({'a', 0, 0, 0, 7}), std::nullopt},
        {"unit above 0xFF", Bytes({0xAC, 0x20, 0, 0}), u"\u20AC"},
        {"unpaired surrogate", Bytes({0x00, 0xD8, 0, 0}), std::nullopt},
        {"empty data", {}, std::nullopt},
        {"a lone null", Bytes({0, 0}), u""},
        {"a lone byte", Bytes({0}), std::nullopt},
    };
    for (const NetCfgCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NetCfgInstanceIdTextFromData(c.data), c.text);
        if (c.text) {
            EXPECT_EQ(NetCfgInstanceIdDataFromText(*c.text), c.data);
        }
    }
}

}  // namespace

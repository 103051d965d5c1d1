// The support desk's questions: --check a typed host ID, --what-if each adapter were absent, --diff two snapshots.
// The what-if is held against a removal done independently on the JSON text of each example, and the "why" of the
// comparison against sentences worked out by hand for machines that differ in one thing each.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/random_machine.h"
#include "inspect/recording_sources.h"
#include "inspect/what_if.h"
#include "inventory/base_host_id.h"
#include "support.h"
#include "support/what_if_by_replay.h"

namespace {

using json = nlohmann::ordered_json;

const char* const kExampleFiles[] = {
    "adapter_table_unreadable.json", "hyperv_guest.json", "laptop_wifi_usb_dock.json",
    "two_wifi_adapters.json",        "usb_only_nic.json", "wifi_and_bluetooth.json",
    "wifi_only_laptop.json",         "wired_pci_desktop.json", "xen_guest.json",
};

std::string ReadExample(const std::string& file)
{
    std::ifstream stream(std::string(LUMO_EXAMPLES_DIR) + "/" + file, std::ios::binary);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
}

// An example snapshot with an edit made to its JSON.
json Edited(const char* file, const std::function<void(json&)>& edit)
{
    json document = json::parse(ReadExample(file));
    edit(document);
    return document;
}

std::string Upper(std::string text)
{
    for (char& ch : text)
        ch = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 32) : ch;
    return text;
}

// The removal of one adapter, written over the JSON text instead of the parsed snapshot: components, devices,
// drivers and table entries that name the GUID go. A NetCfgInstanceId names what precedes its first null.
json WithoutGuidJson(json document, const std::string& guid)
{
    const std::string key = Upper(guid);
    auto names = [&](const json& value) {
        const std::string text = value.is_string() ? value.get<std::string>() : std::string();
        return Upper(text.substr(0, text.find('\0'))) == key;
    };
    auto erase = [&](json& list, const char* field) {
        if (!list.is_array())
            return;
        json kept = json::array();
        for (const json& item : list) {
            if (!names(item[field]))
                kept.push_back(item);
        }
        list = kept;
    };
    erase(document["components"], "instance_guid");
    erase(document["devices"], "netcfg_instance_id");
    erase(document["adapters"], "name");
    json drivers = json::object();
    for (const auto& [name, driver] : document["drivers"].items()) {
        if (Upper(name) != key)
            drivers[name] = driver;
    }
    document["drivers"] = drivers;
    return document;
}

json ReplayJson(const std::string& text)
{
    CFakeInspectHost host;
    host.files[u"s.json"] = text;
    EXPECT_EQ(host.Run({u"--replay", u"s.json", u"--json"}), 0) << host.err;
    return json::parse(host.out);
}

// --- --check ---------------------------------------------------------------------------------------------------

TEST(CheckModeTest, AnswersAndExitCodes)
{
    struct {
        std::u16string id;
        int exitCode;
        const char* text;
        json normalized;
        const char* reason;
    } const cases[] = {
        {u"44-9D-95-72-3E", 0, "valid: 44-9D-95-72-3E\n", "44-9D-95-72-3E", nullptr},
        {u" 44 - 9d-95-72-3e ", 0, "valid: 44-9D-95-72-3E\n", "44-9D-95-72-3E", nullptr},
        {u"44-9D-95-72-3F", 1, "not valid: the check byte should be 3E: one of the pairs was mistyped\n",
         "44-9D-95-72-3F", "the check byte should be 3E: one of the pairs was mistyped"},
        {u"44-9D-95-77-3B", 1, "not valid: not a host ID of this program: type code 7\n", "44-9D-95-77-3B",
         "not a host ID of this program: type code 7"},
        {u"", 1, nullptr, nullptr, "empty"},
        {u"44-9D-95-72\n3E", 1, nullptr, nullptr, "byte 0x0A"},
        {u"44-9D-95-72-3\u00C9", 1, nullptr, nullptr, "byte 0xC3"},
        // Arguments that are not UTF-8 arrive as the programs read them; the reason names the byte typed.
        {FileNameToUtf16("44-9D-95-72-3\xFF"), 1, nullptr, nullptr, "is byte 0xFF,"},
        {FileNameToUtf16("\x80" "4-9D-95-72-3E"), 1, nullptr, nullptr, "character 1 is byte 0x80,"},
        {FileNameToUtf16("44-9D-95-72-3E\xC3"), 1, nullptr, nullptr, "is byte 0xC3 where a hyphen belongs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.id));
        CFakeInspectHost text;
        EXPECT_EQ(text.Run({u"--check", c.id}), c.exitCode);
        EXPECT_EQ(text.err, "");
        if (c.text) {
            EXPECT_EQ(text.out, c.text);
        }
        // One line, whatever was typed.
        EXPECT_EQ(text.out.find('\n'), text.out.size() - 1) << text.out;

        CFakeInspectHost structured;
        EXPECT_EQ(structured.Run({u"--json", u"--check", c.id}), c.exitCode);
        const json answer = json::parse(structured.out);
        EXPECT_EQ(answer["valid"], c.exitCode == 0);
        EXPECT_EQ(answer["normalized"], c.normalized);
        if (c.reason) {
            EXPECT_NE(answer["reason"].get<std::string>().find(c.reason), std::string::npos) << answer["reason"];
        } else {
            EXPECT_TRUE(answer["reason"].is_null());
        }
        EXPECT_EQ(structured.liveSourceRequests + text.liveSourceRequests, 0);
    }
}

// --- --what-if -------------------------------------------------------------------------------------------------

// A device that names the adapter only through its NetCfgInstanceId (no component), in another letter case, with
// bytes after the null that the registry kept; two table entries name it, one in lower case.
CSnapshot DeviceOnlyMachine()
{
    CSnapshot snapshot;
    snapshot.m_components = std::vector<CNetCfgComponentInfo>{
        Component(NCF_PHYSICAL, u"{6B7D3F10-1111-2222-3333-444455556666}", u"pci\\ven_8086&dev_100e")};
    CSnapshotDevice keep;
    keep.m_resourceTypes = {1, 4};
    keep.m_strInstanceId = u"PCI\\VEN_8086&DEV_100E\\1";
    keep.m_netCfgInstanceIdData = NetCfgInstanceIdDataFromText(u"{6B7D3F10-1111-2222-3333-444455556666}");
    CSnapshotDevice gone;
    gone.m_resourceTypes = {1, 2, 4};
    gone.m_strInstanceId = u"PCI\\VEN_10EC&DEV_8168\\2";
    gone.m_netCfgInstanceIdData =
        NetCfgInstanceIdDataFromText(std::u16string(u"{AABBCCDD-0000-4000-8000-000000000001}") + u'\0' + u"junk");
    snapshot.m_devices = std::vector<CSnapshotDevice>{keep, gone};
    snapshot.m_drivers = {
        {u"{6b7d3f10-1111-2222-3333-444455556666}", Bytes({0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), std::nullopt},
        {u"{aabbccdd-0000-4000-8000-000000000001}", Bytes({0, 0xE0, 0x4C, 1, 2, 3}), std::nullopt},
    };
    snapshot.m_adapters = std::vector<CAdapterEntry>{
        Adapter(u"{AABBCCDD-0000-4000-8000-000000000001}", u"Realtek", {0, 0xE0, 0x4C, 1, 2, 3}),
        Adapter(u"{6B7D3F10-1111-2222-3333-444455556666}", u"Intel", {0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}),
        Adapter(u"{aabbccdd-0000-4000-8000-000000000001}", u"Realtek again", {0, 0xE0, 0x4C, 1, 2, 4}),
    };
    return snapshot;
}

TEST(WhatIfTest, RemovesEveryAnswerAboutTheGuidAndNothingElse)
{
    const CSnapshot snapshot = DeviceOnlyMachine();
    const CSnapshot without = SnapshotWithoutAdapter(snapshot, u"{aabbccdd-0000-4000-8000-000000000001}");
    ASSERT_EQ(without.m_devices->size(), 1u);
    EXPECT_EQ(without.m_devices->front().m_strInstanceId, u"PCI\\VEN_8086&DEV_100E\\1");
    ASSERT_EQ(without.m_drivers.size(), 1u);
    EXPECT_EQ(without.m_drivers.front().m_strName, u"{6b7d3f10-1111-2222-3333-444455556666}");
    ASSERT_EQ(without.m_adapters->size(), 1u);
    EXPECT_EQ(without.m_adapters->front().m_strDescription, u"Intel");
    EXPECT_EQ(without.m_components->size(), 1u);

    // The replay has no record of the absent adapter left at all.
    CFakeInspectHost host;
    const CInspectReport report = ReplaySnapshotReport(without);
    ASSERT_EQ(report.m_records.size(), 1u);
    EXPECT_EQ(report.m_records[0].m_strGuid, u"{6b7d3f10-1111-2222-3333-444455556666}");

    // The component goes by its instance GUID as well.
    const CSnapshot noIntel = SnapshotWithoutAdapter(snapshot, u"{6B7D3F10-1111-2222-3333-444455556666}");
    EXPECT_TRUE(noIntel.m_components->empty());
    EXPECT_EQ(noIntel.m_devices->size(), 1u);
    EXPECT_EQ(noIntel.m_adapters->size(), 2u);

    // The empty GUID text is the devices without a NetCfgInstanceId and the entries without a name.
    CSnapshot unnamed = snapshot;
    unnamed.m_devices->push_back(CSnapshotDevice{{1}, u"PCI\\X\\3", std::nullopt});
    unnamed.m_adapters->push_back(Adapter(std::nullopt, u"nameless", {2, 0, 0, 0, 0, 1}));
    const CSnapshot noUnnamed = SnapshotWithoutAdapter(unnamed, u"");
    EXPECT_EQ(noUnnamed.m_devices->size(), 2u);
    EXPECT_EQ(noUnnamed.m_adapters->size(), 3u);
}

TEST(WhatIfTest, DeviceOnlyAdapterAbsenceChangesTheChoice)
{
    // The Realtek adapter is first in the table and wired: it is chosen. Without it, the Intel one is.
    const CWhatIfReport whatIf = BuildWhatIf(DeviceOnlyMachine());
    EXPECT_EQ(whatIf.m_base.m_strSelectedGuid, u"{AABBCCDD-0000-4000-8000-000000000001}");
    ASSERT_EQ(whatIf.m_without.size(), 2u);
    EXPECT_EQ(whatIf.m_without[0].m_strGuid, u"{6b7d3f10-1111-2222-3333-444455556666}");
    EXPECT_EQ(whatIf.m_without[0].m_outcome.m_strHostId, whatIf.m_base.m_strHostId);
    EXPECT_EQ(whatIf.m_without[1].m_outcome.m_strSelectedGuid, u"{6b7d3f10-1111-2222-3333-444455556666}");
    EXPECT_EQ(whatIf.m_without[1].m_outcome.m_strHostId, u"44-9D-95-72-3E");
    EXPECT_EQ(whatIf.m_without[1].m_outcome.m_rule, EChoiceRule::Primary);
}

// Every example: each absence gives what a replay of the snapshot edited by hand gives, and the unreadable table
// what a replay with "adapters": null gives.
TEST(WhatIfTest, EachExampleAgreesWithAnIndependentRemoval)
{
    for (const char* file : kExampleFiles) {
        SCOPED_TRACE(file);
        const std::string text = ReadExample(file);
        const json document = json::parse(text);
        CFakeInspectHost host;
        host.files[u"s.json"] = text;
        ASSERT_EQ(host.Run({u"--what-if", u"--replay", u"s.json", u"--json"}), 0) << host.err;
        const json whatIf = json::parse(host.out);
        const json base = ReplayJson(text);
        EXPECT_EQ(whatIf["host_id"], base["host_id"]);
        EXPECT_EQ(whatIf["selected"], base["selected"]);
        EXPECT_EQ(whatIf["how"], base["how"]);
        ASSERT_EQ(whatIf["without"].size(), base["records"].size());  // no example shares a GUID
        for (const json& absence : whatIf["without"]) {
            const std::string guid = absence["guid"];
            SCOPED_TRACE(guid);
            const json expected = ReplayJson(WithoutGuidJson(document, guid).dump());
            EXPECT_EQ(absence["host_id"], expected["host_id"]);
            EXPECT_EQ(absence["selected"], expected["selected"]);
            EXPECT_EQ(absence["how"], expected["how"]);
            EXPECT_EQ(absence["changes"], absence["host_id"] != base["host_id"]);
            if (!absence["selected_guid"].is_null()) {
                EXPECT_NE(Upper(absence["selected_guid"]), Upper(guid));
            }
        }
        json noTable = document;
        noTable["adapters"] = nullptr;
        const json expected = ReplayJson(noTable.dump());
        EXPECT_EQ(whatIf["table_unreadable"]["host_id"], expected["host_id"]);
        EXPECT_EQ(whatIf["table_unreadable"]["how"], expected["how"]);

        // The readable form marks exactly the absences that change the ID.
        CFakeInspectHost readable;
        readable.files[u"s.json"] = text;
        ASSERT_EQ(readable.Run({u"--replay", u"s.json", u"--what-if"}), 0);
        size_t nMarked = 0;
        std::istringstream lines(readable.out);
        for (std::string line; std::getline(lines, line);)
            nMarked += line.rfind("* ", 0) == 0 ? 1 : 0;
        size_t nChanging = whatIf["table_unreadable"]["changes"] ? 1 : 0;
        for (const json& absence : whatIf["without"])
            nChanging += absence["changes"] ? 1 : 0;
        EXPECT_EQ(nMarked, nChanging) << readable.out;
    }
}

// Each sentence of the readable what-if: an absence that changes the host ID (to another or to none), one that
// leaves it, one that leaves no host ID, and the unreadable table.
TEST(WhatIfTest, TextNamesTheAdapterAndTheNewId)
{
    const char* const kGuid = "{6b7d3f10-1111-2222-3333-444455556666}";
    const struct {
        const char* name;
        const char* file;
        std::function<void(json&)> edit;
        std::string line;
    } cases[] = {
        {"another host ID", "laptop_wifi_usb_dock.json", nullptr,
         "\n* unplugging the USB adapter {12345678-9abc-def0-1234-56789abcdef0} changes the host ID to E1-25-EC-32-1A "
         "(record [0] {a1b2c3d4-0001-4000-8000-00aabbccdd01} by the rule address-match)\n"},
        {"the same host ID", "laptop_wifi_usb_dock.json", nullptr,
         "\n  unplugging the PCI adapter {a1b2c3d4-0001-4000-8000-00aabbccdd01} leaves the host ID at C2-4D-F5-82-F8"},
        {"no host ID after it", "wired_pci_desktop.json", nullptr,
         "\n* unplugging the PCI adapter {6b7d3f10-1111-2222-3333-444455556666} changes the host ID to none: no "
         "adapter is chosen\n"},
        {"no host ID before or after it", "adapter_table_unreadable.json",
         [kGuid](json& d) { d["drivers"][kGuid] = {{"permanent", nullptr}, {"current", nullptr}}; },
         "\n  unplugging the PCI adapter {6b7d3f10-1111-2222-3333-444455556666} leaves no host ID: no adapter is "
         "chosen\n"},
        {"the table unreadable", "wired_pci_desktop.json", nullptr,
         "\nWithout the adapter table:\n  an adapter table that cannot be read leaves the host ID at "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost host;
        host.files[u"snap.json"] = c.edit ? Edited(c.file, c.edit).dump() : ReadExample(c.file);
        ASSERT_EQ(host.Run({u"--what-if", u"--replay", u"snap.json"}), 0) << host.err;
        EXPECT_NE(host.out.find(c.line), std::string::npos) << host.out;
    }
}

TEST(WhatIfTest, ThisMachineIsRecordedFirst)
{
    CFakeInspectHost host;
    host.live = TypicalMachine();
    ASSERT_EQ(host.Run({u"--what-if", u"--json"}), 0) << host.err;
    EXPECT_EQ(host.liveSourceRequests, 1);
    const json whatIf = json::parse(host.out);
    EXPECT_EQ(whatIf["host_id"], "44-9D-95-72-3E");
    ASSERT_EQ(whatIf["without"].size(), 1u);
    EXPECT_EQ(whatIf["without"][0]["host_id"], "");
    EXPECT_EQ(whatIf["without"][0]["how"], "none");
    EXPECT_EQ(whatIf["table_unreadable"]["host_id"], "44-9D-95-72-3E");
    EXPECT_EQ(whatIf["table_unreadable"]["how"], "first-addressed");
}

bool operator==(const CChoiceOutcome& a, const CChoiceOutcome& b)
{
    return a.m_strHostId == b.m_strHostId && a.m_nSelected == b.m_nSelected &&
           a.m_strSelectedGuid == b.m_strSelectedGuid && a.m_rule == b.m_rule;
}

std::string Describe(const CChoiceOutcome& outcome)
{
    return Utf16ToUtf8(outcome.m_strHostId) + " " + ChoiceText(outcome);
}

// The what-if replays only the absences that can change the choice. Over thousands of random machines, with shared
// GUIDs, shared addresses and several wireless entries, it gives what replaying every absence gives.
TEST(WhatIfTest, ShortcutsGiveWhatFullReplaysGive)
{
    std::mt19937 rng(20261210);
    int nChanging = 0;
    for (int round = 0; round < 3000; ++round) {
        CFakeSources machine = RandomMachine(rng);
        CSnapshot snapshot;
        ASSERT_TRUE(RecordSnapshot(machine.Get(), snapshot));
        const CWhatIfReport fast = BuildWhatIf(snapshot);
        const CWhatIfReport full = BuildWhatIfByReplay(snapshot);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(fast.m_base == full.m_base);
        ASSERT_EQ(fast.m_without.size(), full.m_without.size());
        for (size_t i = 0; i < fast.m_without.size(); ++i) {
            ASSERT_EQ(fast.m_without[i].m_strGuid, full.m_without[i].m_strGuid);
            ASSERT_TRUE(fast.m_without[i].m_outcome == full.m_without[i].m_outcome)
                << Utf16ToUtf8(fast.m_without[i].m_strGuid) << ": " << Describe(fast.m_without[i].m_outcome)
                << " instead of " << Describe(full.m_without[i].m_outcome);
            nChanging += full.m_without[i].m_outcome.m_strHostId != full.m_base.m_strHostId ? 1 : 0;
        }
        ASSERT_TRUE(fast.m_tableUnreadable == full.m_tableUnreadable);
    }
    // The machines are varied enough that many absences matter.
    EXPECT_GT(nChanging, 500);
}

// A machine whose own size query found no memory for the table chose nothing; the what-if's unreadable table is a
// read that fails after a good size query, so the fallbacks run.
TEST(WhatIfTest, UnreadableTableRunsTheFallbacksWhateverTheSnapshotAnswered)
{
    CSnapshot snapshot = DeviceOnlyMachine();
    snapshot.m_adapters.reset();
    snapshot.m_dwTableSizeAnswer = kAdapterTableNoMemory;
    snapshot.m_dwTableReadAnswer.reset();
    const CWhatIfReport whatIf = BuildWhatIf(snapshot);
    EXPECT_EQ(whatIf.m_base.m_strHostId, u"");
    EXPECT_EQ(whatIf.m_tableUnreadable.m_rule, EChoiceRule::FirstAddressed);
    EXPECT_EQ(whatIf.m_tableUnreadable.m_strHostId, u"44-9D-95-72-3E");
}

// --- --diff ----------------------------------------------------------------------------------------------------

struct DiffCase {
    const char* name;
    const char* oldFile;
    std::function<void(json&)> edit;  // NEW is OLD so edited
    bool changed;
    const char* why;                  // the whole sentence
};

TEST(DiffTest, TheSentenceSaysWhy)
{
    const DiffCase cases[] = {
        {"nothing changed", "wired_pci_desktop.json", [](json&) {}, false,
         "The host ID did not change: both choose the PCI adapter {6b7d3f10-1111-2222-3333-444455556666} by the "
         "rule primary."},
        {"the dock is unplugged", "laptop_wifi_usb_dock.json",
         [](json& d) { d = WithoutGuidJson(d, "{12345678-9abc-def0-1234-56789abcdef0}"); }, true,
         "The host ID changed from C2-4D-F5-82-F8 to E1-25-EC-32-1A: the chosen adapter "
         "{12345678-9abc-def0-1234-56789abcdef0} on USB is absent from NEW; NEW chooses "
         "{a1b2c3d4-0001-4000-8000-00aabbccdd01} by the rule address-match."},
        {"the table cannot be read", "laptop_wifi_usb_dock.json", [](json& d) { d["adapters"] = nullptr; }, true,
         "The host ID changed from C2-4D-F5-82-F8 to 83-82-C2-62-A1: the chosen adapter "
         "{12345678-9abc-def0-1234-56789abcdef0} on USB no longer qualifies for the rule usb: NEW's adapter table "
         "cannot be read; NEW chooses {a1b2c3d4-0001-4000-8000-00aabbccdd01} by the rule first-addressed."},
        {"the description gained WLAN", "wired_pci_desktop.json",
         [](json& d) { d["adapters"][0]["description"] = "Intel WLAN"; }, true,
         "The host ID changed from 44-9D-95-72-3E to BF-C5-7C-E2-E4: the chosen adapter "
         "{6b7d3f10-1111-2222-3333-444455556666} has another digest input: it is now marked wireless (its "
         "adapter-table description holds WLAN)."},
        {"the dock's permanent address changed", "laptop_wifi_usb_dock.json",
         [](json& d) { d["drivers"]["{12345678-9abc-def0-1234-56789abcdef0}"]["permanent"] = "001A2B3C4D5F"; },
         true,
         ": the chosen adapter {12345678-9abc-def0-1234-56789abcdef0} has another digest input: its address changed "
         "from 001A2B3C4D5E to 001A2B3C4D5F."},
        {"a wired adapter joins", "laptop_wifi_usb_dock.json",
         [](json& d) {
             d["components"].push_back({{"characteristics", 132},
                                        {"instance_guid", "{6B7D3F10-1111-2222-3333-444455556666}"},
                                        {"id", "pci\\ven_8086&dev_15b8"}});
             d["drivers"]["{6b7d3f10-1111-2222-3333-444455556666}"] = {{"permanent", "001A2B3C4D5E"},
                                                                         {"current", "001A2B3C4D5E"}};
             d["adapters"].push_back({{"name", "{6B7D3F10-1111-2222-3333-444455556666}"},
                                      {"description", "Intel"},
                                      {"address", "001A2B3C4D5E"}});
         },
         true,
         "The host ID changed from C2-4D-F5-82-F8 to 44-9D-95-72-3E: the PCI adapter "
         "{6b7d3f10-1111-2222-3333-444455556666}, new in NEW, is chosen by the rule primary, which ranks above the "
         "rule usb that chose {12345678-9abc-def0-1234-56789abcdef0} in OLD."},
        {"the two Wi-Fi adapters trade places in the table", "two_wifi_adapters.json",
         [](json& d) { std::swap(d["adapters"][0], d["adapters"][1]); }, true,
         "The host ID changed from BF-C5-7C-E2-E4 to 75-AA-BA-42-27: the chosen adapter "
         "{c0ffee00-0002-4a4a-8b8b-000000000002} on PCI no longer qualifies for the rule primary: it is now the "
         "first wireless adapter, which is passed over; NEW chooses {c0ffee00-0001-4a4a-8b8b-000000000001} by the "
         "rule primary."},
        {"a second wired adapter comes first in the table", "wired_pci_desktop.json",
         [](json& d) {
             d["devices"].push_back({{"instance_id", "PCI\\VEN_10EC&DEV_8168\\1"},
                                     {"resources", {1, 2}},
                                     {"netcfg_instance_id", "{AABBCCDD-0000-4000-8000-000000000001}"}});
             d["adapters"].insert(d["adapters"].begin(), json{{"name", "{AABBCCDD-0000-4000-8000-000000000001}"},
                                                              {"description", "Realtek"},
                                                              {"address", "00E04C010203"}});
         },
         true,
         ": NEW chooses {AABBCCDD-0000-4000-8000-000000000001}, new in NEW, by the same rule primary ahead of "
         "{6b7d3f10-1111-2222-3333-444455556666}: it comes earlier in NEW's adapter table."},
        {"the wired adapter's component moves to another bus", "wired_pci_desktop.json",
         [](json& d) { d["components"][1]["id"] = "root\\x"; }, true,
         "The host ID changed from 44-9D-95-72-3E to 85-7E-28-22-F1: the chosen adapter "
         "{6b7d3f10-1111-2222-3333-444455556666} has another digest input: its flags changed from 0x0000002B "
         "(HID_RES_MEM | HID_RES_IO | HID_RES_IRQ | HID_BUS_PCI) to 0x0100002B (HID_RES_MEM | HID_RES_IO | "
         "HID_RES_IRQ | HID_BUS_PCI | HID_BUS_OTHER)."},
        {"the wired adapter moves to another bus beside a new PCI adapter", "wired_pci_desktop.json",
         [](json& d) {
             d["components"][1]["id"] = "root\\x";
             d["components"].push_back({{"characteristics", 132},
                                        {"instance_guid", "{AABBCCDD-0000-4000-8000-000000000001}"},
                                        {"id", "pci\\ven_10ec"}});
             d["drivers"]["{aabbccdd-0000-4000-8000-000000000001}"] = {{"permanent", "00E04C010203"},
                                                                         {"current", "00E04C010203"}};
             d["adapters"].insert(d["adapters"].begin(), json{{"name", "{AABBCCDD-0000-4000-8000-000000000001}"},
                                                              {"description", "Realtek"},
                                                              {"address", "00E04C010203"}});
         },
         true,
         "The host ID changed from 44-9D-95-72-3E to 62-E6-EF-92-F9: the chosen adapter "
         "{6b7d3f10-1111-2222-3333-444455556666} on another bus no longer qualifies for the rule primary: its flags "
         "are now 0x0100002B (HID_RES_MEM | HID_RES_IO | HID_RES_IRQ | HID_BUS_PCI | HID_BUS_OTHER), which the rule "
         "primary does not take; NEW chooses {aabbccdd-0000-4000-8000-000000000001} by the rule primary."},
        {"the USB dock moves to another bus", "laptop_wifi_usb_dock.json",
         [](json& d) {
             for (json& c : d["components"])
                 if (c["instance_guid"] == "{12345678-9ABC-DEF0-1234-56789ABCDEF0}")
                     c["id"] = "root\\x";
         },
         true,
         "The host ID changed from C2-4D-F5-82-F8 to 3E-24-39-D2-F1: the chosen adapter "
         "{12345678-9abc-def0-1234-56789abcdef0} has another digest input: its address changed from 001A2B3C4D5E to "
         "F8CAB8112233 and its flags changed from 0x02000000 (HID_BUS_USB) to 0x01000000 (HID_BUS_OTHER)."},
        {"the only adapter's driver and table entry are gone", "wired_pci_desktop.json",
         [](json& d) {
             d["drivers"] = json::object();
             d["adapters"] = json::array();
         },
         true,
         "The host ID changed from 44-9D-95-72-3E to (none): the chosen adapter "
         "{6b7d3f10-1111-2222-3333-444455556666} on PCI no longer qualifies for the rule primary: NEW's adapter "
         "table does not list it; NEW chooses no adapter."},
        {"no memory for the table", "wired_pci_desktop.json",
         [](json& d) {
             d["format"] = 2;
             d["adapters"] = nullptr;
             d["adapter_table"] = {{"size_query", 4294967295u}, {"read", nullptr}};
         },
         true,
         "The host ID changed from 44-9D-95-72-3E to (none): the chosen adapter "
         "{6b7d3f10-1111-2222-3333-444455556666} on PCI no longer qualifies for the rule primary: there was no "
         "memory for NEW's adapter table, so no fallback ran; NEW chooses no adapter."},
        {"the same adapter by another rule", "wired_pci_desktop.json", [](json& d) { d["adapters"] = nullptr; },
         false,
         "The host ID did not change: both choose the PCI adapter {6b7d3f10-1111-2222-3333-444455556666}, OLD by "
         "the rule primary and NEW by the rule first-addressed."},
    };
    for (const DiffCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost host;
        host.files[u"old.json"] = ReadExample(c.oldFile);
        host.files[u"new.json"] = Edited(c.oldFile, c.edit).dump();
        ASSERT_EQ(host.Run({u"--diff", u"old.json", u"new.json", u"--json"}), 0) << host.err;
        const json diff = json::parse(host.out);
        EXPECT_EQ(diff["host_id_changed"], c.changed);
        EXPECT_EQ(diff["host_id_changed"], diff["old"]["host_id"] != diff["new"]["host_id"]);
        const std::string why = diff["why"];
        if (std::string(c.why).rfind("The host ID", 0) == 0) {
            EXPECT_EQ(why, c.why);
        } else {
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
        }
        EXPECT_EQ(why.rfind(c.changed ? "The host ID changed from " : "The host ID did not change", 0), 0u) << why;

        // The readable form starts with the same sentence.
        CFakeInspectHost readable;
        readable.files = host.files;
        ASSERT_EQ(readable.Run({u"--diff", u"old.json", u"new.json"}), 0);
        EXPECT_EQ(readable.out.substr(0, readable.out.find('\n')), why);
    }
}

TEST(DiffTest, RecordsAddedRemovedAndChangedByFlagName)
{
    CFakeInspectHost host;
    host.files[u"old.json"] = ReadExample("laptop_wifi_usb_dock.json");
    host.files[u"new.json"] = Edited("laptop_wifi_usb_dock.json", [](json& d) {
                                  d = WithoutGuidJson(d, "{12345678-9abc-def0-1234-56789abcdef0}");
                                  d["devices"][0]["resources"] = {1, 2};  // the interrupt gone, I/O ports new
                              }).dump();
    ASSERT_EQ(host.Run({u"--diff", u"old.json", u"new.json", u"--json"}), 0);
    const json diff = json::parse(host.out);
    EXPECT_TRUE(diff["records"]["added"].empty());
    ASSERT_EQ(diff["records"]["removed"].size(), 1u);
    EXPECT_EQ(diff["records"]["removed"][0]["guid"], "{12345678-9abc-def0-1234-56789abcdef0}");
    ASSERT_EQ(diff["records"]["changed"].size(), 1u);
    const json& changed = diff["records"]["changed"][0];
    EXPECT_EQ(changed["fields"], json::array({"flags"}));
    EXPECT_EQ(changed["flags_added"], json::array({"HID_RES_IO"}));
    EXPECT_EQ(changed["flags_removed"], json::array({"HID_RES_IRQ"}));
    EXPECT_EQ(diff["adapter_table"]["removed"].size(), 1u);

    CFakeInspectHost readable;
    readable.files = host.files;
    ASSERT_EQ(readable.Run({u"--diff", u"old.json", u"new.json"}), 0);
    EXPECT_NE(readable.out.find("Records: 0 added, 1 removed, 1 changed\n"), std::string::npos) << readable.out;
    EXPECT_NE(readable.out.find("added HID_RES_IO; removed HID_RES_IRQ\n"), std::string::npos) << readable.out;
}

// A host whose old.json is the wired desktop and whose new.json is the same snapshot edited.
CFakeInspectHost DesktopAndEdited(const std::function<void(json&)>& edit)
{
    CFakeInspectHost host;
    host.files[u"old.json"] = ReadExample("wired_pci_desktop.json");
    host.files[u"new.json"] = Edited("wired_pci_desktop.json", edit).dump();
    return host;
}

// Each field of a changed record is named in the JSON and has its line, old and new value, in the readable comparison.
TEST(DiffTest, EachChangedFieldIsNamed)
{
    const char* const kGuid = "{6b7d3f10-1111-2222-3333-444455556666}";
    const struct {
        const char* name;
        std::function<void(json&)> edit;
        json fields;
        const char* line;  // the readable comparison's line for the field
    } cases[] = {
        {"the table's description gains WLAN", [](json& d) { d["adapters"][0]["description"] = "Intel WLAN"; },
         json::array({"wireless"}), "      wireless    no -> yes\n"},
        {"the table gives another address", [](json& d) { d["adapters"][0]["address"] = "001A2B3C4D5F"; },
         json::array({"address"}), "      address     001A2B3C4D5E -> 001A2B3C4D5F\n"},
        {"the driver's permanent address",
         [kGuid](json& d) { d["drivers"][kGuid]["permanent"] = "001A2B3C4D5F"; }, json::array({"permanent_address"}),
         "      permanent   001A2B3C4D5E -> 001A2B3C4D5F\n"},
        {"the driver's current address", [kGuid](json& d) { d["drivers"][kGuid]["current"] = "001A2B3C4D5F"; },
         json::array({"current_address"}), "      current     001A2B3C4D5E -> 001A2B3C4D5F\n"},
        {"the device's resources", [](json& d) { d["devices"][1]["resources"] = {1, 2}; }, json::array({"flags"}),
         "      flags       0x"},
        {"the driver gives no address", [kGuid](json& d) { d["drivers"][kGuid]["current"] = nullptr; },
         json::array({"current_address"}), "      current     001A2B3C4D5E -> (none)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost host = DesktopAndEdited(c.edit);
        ASSERT_EQ(host.Run({u"--diff", u"old.json", u"new.json", u"--json"}), 0) << host.err;
        const json diff = json::parse(host.out);
        ASSERT_EQ(diff["records"]["changed"].size(), 1u);
        EXPECT_EQ(diff["records"]["changed"][0]["guid"], kGuid);
        EXPECT_EQ(diff["records"]["changed"][0]["fields"], c.fields);
        CFakeInspectHost readable;
        readable.files = host.files;
        ASSERT_EQ(readable.Run({u"--diff", u"old.json", u"new.json"}), 0) << readable.err;
        EXPECT_NE(readable.out.find(std::string("  ~ changed  ") + kGuid + "\n" + c.line), std::string::npos)
            << readable.out;
    }
}

// What went is listed in OLD's order, and an adapter-table entry is another one when its name, description or
// address differs.
TEST(DiffTest, RemovedInOldOrderAndEntriesByEachOfTheirFields)
{
    CFakeInspectHost host;
    host.files[u"old.json"] = ReadExample("laptop_wifi_usb_dock.json");
    host.files[u"new.json"] = ReadExample("wired_pci_desktop.json");
    ASSERT_EQ(host.Run({u"--diff", u"old.json", u"new.json", u"--json"}), 0) << host.err;
    const json diff = json::parse(host.out);
    const json& removed = diff["records"]["removed"];
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0]["guid"], "{a1b2c3d4-0001-4000-8000-00aabbccdd01}");
    EXPECT_EQ(removed[1]["guid"], "{12345678-9abc-def0-1234-56789abcdef0}");
    const json& entriesRemoved = diff["adapter_table"]["removed"];
    ASSERT_EQ(entriesRemoved.size(), 3u);
    EXPECT_EQ(entriesRemoved[0]["address"], "3C6AA7102030");
    EXPECT_EQ(entriesRemoved[2]["description"], "Software Loopback Interface 1");

    const struct {
        const char* name;
        std::function<void(json&)> edit;
    } edits[] = {
        {"description", [](json& d) { d["adapters"][1]["description"] = "Another Loopback"; }},
        {"name", [](json& d) { d["adapters"][1]["name"] = "{5A9C3E21-7F44-4B1D-9E0A-2C6B8D4F1A00}"; }},
        {"address", [](json& d) { d["adapters"][2]["address"] = "00000000000000E1"; }},
    };
    for (const auto& c : edits) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost edited = DesktopAndEdited(c.edit);
        ASSERT_EQ(edited.Run({u"--diff", u"old.json", u"new.json", u"--json"}), 0) << edited.err;
        const json table = json::parse(edited.out)["adapter_table"];
        EXPECT_EQ(table["added"].size(), 1u);
        EXPECT_EQ(table["removed"].size(), 1u);
    }
}

// Every pair of examples compares without error; the sentence agrees with the two host IDs.
TEST(DiffTest, EveryPairOfExamples)
{
    for (const char* oldFile : kExampleFiles) {
        for (const char* newFile : kExampleFiles) {
            SCOPED_TRACE(std::string(oldFile) + " -> " + newFile);
            CFakeInspectHost host;
            host.readRealFiles = true;
            const std::u16string dir = Utf8ToUtf16(std::string(LUMO_EXAMPLES_DIR) + "/");
            ASSERT_EQ(host.Run({u"--diff", dir + Utf8ToUtf16(oldFile), dir + Utf8ToUtf16(newFile), u"--json"}), 0)
                << host.err;
            const json diff = json::parse(host.out);
            const bool changed = diff["old"]["host_id"] != diff["new"]["host_id"];
            EXPECT_EQ(diff["host_id_changed"], changed);
            const std::string why = diff["why"];
            EXPECT_EQ(why.rfind(changed ? "The host ID changed from " : "The host ID did not change", 0), 0u) << why;
            EXPECT_EQ(why.find('\n'), std::string::npos);
            if (std::string(oldFile) == newFile) {
                EXPECT_TRUE(diff["records"]["added"].empty() && diff["records"]["removed"].empty() &&
                            diff["records"]["changed"].empty());
                EXPECT_TRUE(diff["adapter_table"]["added"].empty() && diff["adapter_table"]["removed"].empty());
            }
        }
    }
}

TEST(DiffTest, ThisMachineAsNew)
{
    CFakeInspectHost host;
    host.live = TypicalMachine();
    host.readRealFiles = true;
    ASSERT_EQ(host.Run({u"--diff", Utf8ToUtf16(std::string(LUMO_EXAMPLES_DIR) + "/wired_pci_desktop.json"), u"-"}),
              0)
        << host.err;
    EXPECT_EQ(host.liveSourceRequests, 1);
    EXPECT_EQ(host.out.rfind("The host ID did not change: both choose the PCI adapter", 0), 0u) << host.out;
    EXPECT_NE(host.out.find("\nNEW this machine (computer name WS-0042)\n"), std::string::npos) << host.out;
}

TEST(DiffTest, FileNamesStayOnTheirLine)
{
    CFakeInspectHost host;
    host.files[u"old\n.json"] = ReadExample("wired_pci_desktop.json");
    host.files[u"new.json"] = ReadExample("wired_pci_desktop.json");
    ASSERT_EQ(host.Run({u"--diff", u"old\n.json", u"new.json"}), 0);
    EXPECT_NE(host.out.find("\nOLD old?.json (computer name WS-0042)\n"), std::string::npos) << host.out;
}

TEST(DiffTest, BadFilesExitTwoWithOneLine)
{
    struct {
        const char* name;
        std::vector<std::u16string> arguments;
        const char* message;
    } const cases[] = {
        {"OLD missing", {u"--diff", u"missing.json", u"good.json"}, "missing.json: cannot be read: "},
        {"NEW malformed", {u"--diff", u"good.json", u"bad.json"}, "bad.json: malformed JSON"},
        {"OLD malformed, NEW live", {u"--diff", u"bad.json", u"-", u"--json"}, "bad.json: malformed JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeInspectHost host;
        host.files[u"good.json"] = ReadExample("wired_pci_desktop.json");
        host.files[u"bad.json"] = "{";
        EXPECT_EQ(host.Run(c.arguments), 2);
        EXPECT_EQ(host.out, "");
        EXPECT_EQ(host.err.rfind(c.message, 0), 0u) << host.err;
        EXPECT_EQ(host.err.find('\n'), host.err.size() - 1) << host.err;
        EXPECT_EQ(host.liveSourceRequests, 0) << "a bad file is found before this machine is asked";
    }
}

TEST(ModesTest, UsageErrors)
{
    struct {
        std::vector<std::u16string> arguments;
        const char* message;
    } const cases[] = {
        {{u"--check"}, "--check needs a host ID"},
        {{u"--check", u"a", u"--check", u"b"}, "--check is given twice"},
        {{u"--what-if", u"--what-if"}, "--what-if is given twice"},
        {{u"--diff", u"a.json"}, "--diff needs two snapshots"},
        {{u"--diff", u"-", u"b.json"}, "only NEW may be -"},
        {{u"--diff", u"a", u"b", u"--diff", u"a", u"b"}, "--diff is given twice"},
        {{u"--what-if", u"--check", u"x"}, "exclude each other"},
        {{u"--diff", u"a", u"b", u"--snapshot", u"s"}, "exclude each other"},
        {{u"--diff", u"a", u"b", u"--replay", u"r"}, "--diff reads no machine"},
        {{u"--check", u"x", u"--replay", u"r"}, "--check reads no machine"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        CFakeInspectHost host;
        EXPECT_EQ(host.Run(c.arguments), 2);
        EXPECT_EQ(host.out, "");
        EXPECT_NE(host.err.substr(0, host.err.find('\n')).find(c.message), std::string::npos) << host.err;
        EXPECT_NE(host.err.find("Usage: lumohostid-inspect"), std::string::npos);
        EXPECT_EQ(host.liveSourceRequests, 0);
    }
}

}  // namespace

// The report: the JSON object's exact shape, the rule names, the flag names and the readable text.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "inspect/report.h"
#include "support.h"

namespace {

using json = nlohmann::ordered_json;

std::vector<std::string> Keys(const json& object)
{
    std::vector<std::string> keys;
    for (const auto& item : object.items())
        keys.push_back(item.key());
    return keys;
}

TEST(ReportTest, JsonReportOfTheTypicalRun)
{
    CFakeSources machine = TypicalMachine();
    const json report = json::parse(FormatJsonReport(BuildReport(machine.Get(), u"WS-0042")));

    EXPECT_EQ(Keys(report), (std::vector<std::string>{"host_id", "digest_input", "selected", "how", "records"}));
    EXPECT_EQ(report["host_id"], "44-9D-95-72-3E");
    EXPECT_EQ(report["digest_input"], "001A2B3C4D5E");
    EXPECT_EQ(report["selected"], 0);
    EXPECT_EQ(report["how"], "primary");
    ASSERT_TRUE(report["records"].is_array());
    ASSERT_EQ(report["records"].size(), 1u);
    const json& record = report["records"][0];
    EXPECT_EQ(Keys(record), (std::vector<std::string>{"guid", "pnp_id", "flags", "wireless", "address",
                                                      "permanent_address", "current_address"}));
    EXPECT_EQ(record["guid"], "{6b7d3f10-1111-2222-3333-444455556666}");
    EXPECT_EQ(record["pnp_id"], "PCI");
    EXPECT_TRUE(record["flags"].is_number_unsigned());
    EXPECT_EQ(record["flags"], 0x2B);
    EXPECT_EQ(record["wireless"], false);
    EXPECT_EQ(record["address"], "001A2B3C4D5E");
    EXPECT_EQ(record["permanent_address"], "001A2B3C4D5E");
    EXPECT_EQ(record["current_address"], "001A2B3C4D5E");
}

TEST(ReportTest, JsonReportWhenNothingIsChosen)
{
    CFakeSources machine;
    machine.components->push_back(Component(NCF_PHYSICAL, u"{6B7D3F10-1111-2222-3333-444455556666}", u"PCI\\X"));
    const json report = json::parse(FormatJsonReport(BuildReport(machine.Get(), u"")));
    EXPECT_EQ(report["host_id"], "");
    EXPECT_EQ(report["digest_input"], "");
    EXPECT_TRUE(report["selected"].is_null());
    EXPECT_EQ(report["how"], "none");
    ASSERT_EQ(report["records"].size(), 1u);
    EXPECT_EQ(report["records"][0]["address"], "");
    EXPECT_EQ(report["records"][0]["flags"], HID_BUS_PCI);
}

struct RuleCase {
    const char* name;
    CFakeSources (*machine)();
    const char* how;
    int selected;
};

CFakeSources OnlyUsb()
{
    CFakeSources m;
    m.components->push_back(Component(NCF_PHYSICAL, u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", u"USB\\VID_0B95"));
    m.drivers[u"{12345678-9abc-def0-1234-56789abcdef0}"] = {Bytes({0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), std::nullopt, std::nullopt};
    m.adapters->push_back(Adapter(u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", u"USB NIC", {2, 0, 0, 0, 0, 1}));
    return m;
}

CFakeSources OtherBusAndUsb()
{
    CFakeSources m = OnlyUsb();
    m.components->push_back(Component(NCF_PHYSICAL, u"{22222222-0000-0000-0000-000000000002}", u"BTH\\MS_BTHPAN"));
    m.adapters->push_back(Adapter(u"{22222222-0000-0000-0000-000000000002}", u"Bluetooth", {0x5C, 0xF3, 0x70, 0x12, 0xAB, 0x34}));
    return m;
}

CFakeSources OnlyWireless()
{
    CFakeSources m = TypicalMachine();
    (*m.adapters)[0].m_strDescription = u"Dell Wireless 1397 WLAN Mini-Card";
    return m;
}

CFakeSources NoTable()
{
    CFakeSources m = TypicalMachine();
    m.adapters.reset();
    return m;
}

TEST(ReportTest, EveryRuleHasItsName)
{
    const RuleCase cases[] = {
        {"wired PCI", TypicalMachine, "primary", 0},
        {"Bluetooth PAN beside a USB NIC", OtherBusAndUsb, "other-bus", 1},
        {"USB only", OnlyUsb, "usb", 0},
        {"the only wireless adapter", OnlyWireless, "address-match", 0},
        {"no adapter table", NoTable, "first-addressed", 0},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources machine = c.machine();
        const json report = json::parse(FormatJsonReport(BuildReport(machine.Get(), u"")));
        EXPECT_EQ(report["how"], c.how);
        EXPECT_EQ(report["selected"], c.selected);
    }
    EXPECT_STREQ(ChoiceRuleName(EChoiceRule::None), "none");
}

TEST(ReportTest, FlagNames)
{
    EXPECT_EQ(FlagNames(0), "none");
    EXPECT_EQ(FlagNames(0x2B), "HID_RES_MEM | HID_RES_IO | HID_RES_IRQ | HID_BUS_PCI");
    EXPECT_EQ(FlagNames(0x3FF), "HID_RES_MEM | HID_RES_IO | HID_RES_DMA | HID_RES_IRQ | HID_BUS_VMBUS | HID_BUS_PCI | "
                                "HID_RES_BUSNUMBER | HID_RES_MEMLARGE | HID_BUS_PCI_ALT | HID_BUS_XENVIF");
    EXPECT_EQ(FlagNames(0x03000000), "HID_BUS_OTHER | HID_BUS_USB");
    EXPECT_EQ(FlagNames(0x80000400), "0x80000400");
    EXPECT_EQ(FlagNames(0x02000001 | 0x1000), "HID_RES_MEM | HID_BUS_USB | 0x00001000");
}

bool Contains(const std::string& text, const std::string& piece)
{
    return text.find(piece) != std::string::npos;
}

TEST(ReportTest, TextReportOfTheTypicalRun)
{
    CFakeSources machine = TypicalMachine();
    const std::string text = FormatTextReport(BuildReport(machine.Get(), u"WS-0042"));
    const char* const lines[] = {
        "Computer name: WS-0042\n",
        "Inventory: 1 record\n",
        "  [0] {6b7d3f10-1111-2222-3333-444455556666}\n",
        "      enumerator  PCI\n",
        "      flags       0x0000002B  HID_RES_MEM | HID_RES_IO | HID_RES_IRQ | HID_BUS_PCI\n",
        "      wireless    no\n",
        "      address     001A2B3C4D5E\n",
        "      permanent   001A2B3C4D5E\n",
        "      current     001A2B3C4D5E\n",
        "Adapter table: read, 2 entries (size query answered 111, read answered 0)\n",
        "  #0 {6B7D3F10-1111-2222-3333-444455556666}  \"Intel(R) PRO/1000 MT Network\"\n",
        "      address 001A2B3C4D5E: usable, wired\n",
        "      matched record [0], stamped with this address; slot: primary candidate\n",
        "      address (none): not usable (length 0)\n",
        "Choice: record [0] by the rule primary (",
        "Host ID: 44-9D-95-72-3E\n",
        "Digest input: 001A2B3C4D5E (the bare address)\n",
    };
    for (const char* line : lines)
        EXPECT_TRUE(Contains(text, line)) << "missing: " << line << "\nin:\n" << text;
}

TEST(ReportTest, TextReportExplainsTheSpecialCases)
{
    struct Case {
        const char* name;
        CFakeSources (*machine)();
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"USB record keeps its permanent address",
         OnlyUsb,
         {"flags       0x02000000  HID_BUS_USB\n", "not stamped (a USB record keeps its permanent address); slot: USB candidate",
          "Digest input: 001A2B3C4D5E{12345678-9abc-def0-1234-56789abcdef0} (the address followed by the GUID text"}},
        {"first wireless adapter is passed over",
         OnlyWireless,
         {"usable, wireless (the description holds WLAN)", "slot: first wireless adapter, passed over",
          "wireless    yes", "by the rule address-match", "Digest input: 00-1A-2B-3C-4D-5E (the address in pairs"}},
        {"table not read",
         NoTable,
         {"Adapter table: not read (size query answered 111, read answered 31)", "by the rule first-addressed"}},
        {"nothing chosen",
         [] { return CFakeSources(); },
         {"Inventory: 0 records\n", "Choice: none (", "Host ID: (none)\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources machine = c.machine();
        const std::string text = FormatTextReport(BuildReport(machine.Get(), u""));
        for (const std::string& piece : c.pieces)
            EXPECT_TRUE(Contains(text, piece)) << "missing: " << piece << "\nin:\n" << text;
    }
}

// Not even the first buffer of the adapter table can be had: the table is not read, nothing is chosen.
TEST(ReportTest, TextReportWhenTheTableHasNoMemory)
{
    struct CNoMemory : CFakeSources {
        uint32_t GetAdaptersAddresses(uint32_t&, std::vector<CAdapterEntry>&) override { return kAdapterTableNoMemory; }
    } machine;
    static_cast<CFakeSources&>(machine) = TypicalMachine();
    const CInspectReport report = BuildReport(machine.Get(), u"");
    const std::string text = FormatTextReport(report);
    EXPECT_TRUE(Contains(text, "Adapter table: not read (no memory for the size query, no read)\n")) << text;
    EXPECT_TRUE(Contains(text, "No memory for the table: nothing is stamped and no fallback runs.")) << text;
    EXPECT_TRUE(Contains(text, "Host ID: (unknown: memory ran out)\n")) << text;
    const json document = json::parse(FormatJsonReport(report));
    EXPECT_EQ(document["how"], "none");
    EXPECT_EQ(document["host_id"], "");
    EXPECT_EQ(document["error"], "memory ran out");
}

// A description or name with a line end stays on its line.
TEST(ReportTest, ControlCharactersDoNotBreakLines)
{
    CFakeSources machine = TypicalMachine();
    (*machine.adapters)[0].m_strDescription = u"Evil\r\nHost ID: 00-00-00-02-02";
    const std::string text = FormatTextReport(BuildReport(machine.Get(), u"WS\n42"));
    EXPECT_TRUE(Contains(text, "Computer name: WS?42\n"));
    EXPECT_TRUE(Contains(text, "\"Evil??Host ID: 00-00-00-02-02\""));
    EXPECT_FALSE(Contains(text, "\nHost ID: 00-00-00-02-02"));
}

// The adapter's own name, where the system gives one, is shown beside the entry and the description; it never
// makes the adapter wireless.
TEST(ReportTest, FriendlyNameIsShownAndDecidesNothing)
{
    CFakeSources machine = TypicalMachine();
    (*machine.adapters)[0].m_strDescription = u"Ethernet";
    (*machine.adapters)[0].m_strFriendlyName = u"wlan_up\n";
    const std::string text = FormatTextReport(BuildReport(machine.Get(), u"WS"));
    EXPECT_TRUE(Contains(text, "\"Ethernet\"  named wlan_up?\n")) << text;
    EXPECT_TRUE(Contains(text, "usable, wired")) << text;
    EXPECT_FALSE(Contains(text, "wireless (the description holds WLAN)")) << text;
}

}  // namespace

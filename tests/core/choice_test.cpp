// The whole determination: the adapter table, the candidate slots and the fallbacks.

#include <gtest/gtest.h>

#include "fake_sources.h"
#include "hostid/release_host_id.h"
#include "inventory/base_host_id.h"

namespace {

std::vector<uint8_t> Mac(uint8_t last)
{
    return {0x00, 0x1A, 0x2B, 0x3C, 0x4D, last};
}

std::u16string MacText(uint8_t last)
{
    const std::vector<uint8_t> mac = Mac(last);
    return FormatAddressText(mac.data(), mac.size());
}

std::u16string Guid(int n)
{
    std::u16string text = u"{6B7D3F10-1111-2222-3333-44445555666";
    text.push_back(static_cast<char16_t>(u'0' + n));
    return text + u"}";
}

// Describes one adapter of a made-up machine across all four sources.
struct Nic {
    int guid;
    enum Bus { Pci, Usb, Other, VmBus, None } bus = Pci;
    bool wireless = false;
    std::optional<uint8_t> permanent;  // what the driver says; none: the driver cannot be opened
    std::optional<uint8_t> table;      // what the adapter table says; none: not in the table
    bool device = true;                // the device setup pass finds it with resources
};

CFakeSources Machine(const std::vector<Nic>& nics)
{
    CFakeSources machine;
    for (const Nic& nic : nics) {
        const char16_t* id = nic.bus == Nic::Pci     ? u"PCI\\VEN_8086&DEV_100E\\3&1"
                             : nic.bus == Nic::Usb   ? u"USB\\VID_0B95&PID_1790\\1"
                             : nic.bus == Nic::VmBus ? u"VMBUS\\{1}\\2"
                             : nic.bus == Nic::Other ? u"ROOT\\NET\\0000"
                                                     : u"";
        if (nic.bus != Nic::None)
            machine.components->push_back(Component(NCF_PHYSICAL, Guid(nic.guid), id));
        if (nic.device)
            machine.devices->push_back(Device({1, 2, 4}, std::u16string(id), Guid(nic.guid)));
        if (nic.permanent)
            machine.drivers[Guid(nic.guid)] = {Mac(*nic.permanent), Mac(*nic.permanent), std::nullopt};
        if (nic.table)
            machine.adapters->push_back(
                Adapter(Guid(nic.guid), nic.wireless ? u"Intel(R) Wireless-AC 9560 (WLAN)" : u"Ethernet", Mac(*nic.table)));
    }
    return machine;
}

struct Outcome {
    std::optional<size_t> selected;
    EChoiceRule rule;
    std::u16string address;
};

Outcome Determine(CFakeSources& machine)
{
    CBaseHostId hostId(machine.Get());
    CChoiceTrace trace;
    const bool chosen = hostId.DetermineAdapter(&trace);
    EXPECT_EQ(chosen, trace.m_nSelected.has_value());
    const CHidDevNet* selected = hostId.GetSelectedAdapter();
    return {trace.m_nSelected, trace.m_rule, selected ? selected->m_strAddress : u""};
}

TEST(ChoiceTest, TypicalRun)
{
    CFakeSources machine;
    const std::u16string guid = u"{6B7D3F10-1111-2222-3333-444455556666}";
    machine.components = {Component(NCF_PHYSICAL, guid, u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&1")};
    machine.devices = {Device({1, 2, 4}, u"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&1", guid)};
    machine.drivers[guid] = {Mac(0x5E), Mac(0x5E), std::nullopt};
    machine.adapters = {Adapter(guid, u"Intel(R) PRO/1000 MT", Mac(0x5E))};

    CBaseHostId hostId(machine.Get());
    CChoiceTrace trace;
    ASSERT_TRUE(hostId.DetermineAdapter(&trace));
    ASSERT_EQ(hostId.GetDevices().GetCount(), 1u);
    const CHidDevNet& record = *hostId.GetSelectedAdapter();
    EXPECT_EQ(record.m_dwFlags, 0x2Bu);
    EXPECT_EQ(record.m_strGuid, u"{6b7d3f10-1111-2222-3333-444455556666}");
    EXPECT_EQ(record.m_strAddress, u"001A2B3C4D5E");
    EXPECT_FALSE(record.m_bWireless);
    EXPECT_EQ(trace.m_rule, EChoiceRule::Primary);
    ASSERT_EQ(trace.m_adapters.size(), 1u);
    EXPECT_EQ(trace.m_adapters[0].m_slot, EAdapterSlot::Primary);
    EXPECT_EQ(CReleaseHostId(record).GetHostIdText(), u"44-9D-95-72-3E");
}

struct ChoiceCase {
    const char* name;
    std::vector<Nic> nics;
    std::optional<size_t> selected;
    EChoiceRule rule;
    std::u16string address;
};

TEST(ChoiceTest, PreferenceAndFallbacks)
{
    const ChoiceCase cases[] = {
        {"wired PCI before USB", {{1, Nic::Usb, false, 0x01, 0x01}, {2, Nic::Pci, false, 0x02, 0x02}}, 1,
         EChoiceRule::Primary, MacText(0x02)},
        {"wired PCI before USB, other order", {{2, Nic::Pci, false, 0x02, 0x02}, {1, Nic::Usb, false, 0x01, 0x01}}, 0,
         EChoiceRule::Primary, MacText(0x02)},
        {"first wireless passed over", {{1, Nic::Pci, true, 0x01, 0x01}, {2, Nic::Pci, true, 0x02, 0x02}}, 1,
         EChoiceRule::Primary, MacText(0x02)},
        {"wired after wireless", {{1, Nic::Pci, true, 0x01, 0x01}, {2, Nic::Pci, false, 0x02, 0x02}}, 1,
         EChoiceRule::Primary, MacText(0x02)},
        {"only wireless: address match", {{1, Nic::Pci, true, 0x01, 0x01}}, 0, EChoiceRule::AddressMatch,
         MacText(0x01)},
        {"other bus before USB", {{1, Nic::Usb, false, 0x01, 0x01}, {2, Nic::Other, false, 0x02, 0x02}}, 1,
         EChoiceRule::OtherBus, MacText(0x02)},
        {"USB keeps its permanent address", {{1, Nic::Usb, false, 0x01, 0x99}}, 0, EChoiceRule::Usb, MacText(0x01)},
        {"USB without permanent address is no candidate", {{1, Nic::Usb, false, std::nullopt, 0x01}}, std::nullopt,
         EChoiceRule::None, u""},
        {"second USB fills the slot", {{1, Nic::Usb, false, std::nullopt, 0x01}, {2, Nic::Usb, false, 0x02, 0x02}}, 1,
         EChoiceRule::Usb, MacText(0x02)},
        {"VMBus is primary", {{1, Nic::VmBus, false, 0x01, 0x07}}, 0, EChoiceRule::Primary, MacText(0x07)},
        {"table lists another adapter: last address match",
         {{1, Nic::Pci, false, 0x01, std::nullopt}, {2, Nic::Pci, false, 0x02, std::nullopt},
          {3, Nic::Pci, false, 0x03, std::nullopt}, {9, Nic::None, false, std::nullopt, 0x01, false}},
         0, EChoiceRule::AddressMatch, MacText(0x01)},
        {"nothing in the table: first addressed",
         {{1, Nic::Pci, false, std::nullopt, std::nullopt}, {2, Nic::Pci, false, 0x02, std::nullopt},
          {3, Nic::Pci, false, 0x03, std::nullopt}},
         1, EChoiceRule::FirstAddressed, MacText(0x02)},
        {"empty machine", {}, std::nullopt, EChoiceRule::None, u""},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources machine = Machine(c.nics);
        const Outcome outcome = Determine(machine);
        EXPECT_EQ(outcome.selected, c.selected);
        EXPECT_EQ(outcome.rule, c.rule);
        EXPECT_EQ(outcome.address, c.address);
    }
}

TEST(ChoiceTest, LastMatchingAddressInInventoryOrder)
{
    // Three records with addresses, none matched by GUID; the table lists the first and the second address.
    CFakeSources machine = Machine({{1, Nic::Pci, false, 0x01, std::nullopt},
                                    {2, Nic::Pci, false, 0x02, std::nullopt},
                                    {3, Nic::Pci, false, 0x03, std::nullopt}});
    machine.adapters->push_back(Adapter(u"{unrelated-1}", u"Ethernet", Mac(0x01)));
    machine.adapters->push_back(Adapter(u"{unrelated-2}", u"Ethernet", Mac(0x02)));
    const Outcome outcome = Determine(machine);
    EXPECT_EQ(outcome.selected, 1u);
    EXPECT_EQ(outcome.rule, EChoiceRule::AddressMatch);
}

TEST(ChoiceTest, ZeroFlagRecordIsNeverChosen)
{
    // The passes never keep a record without flags, so the choice is given one directly: matched by GUID and
    // listed by address, it is still neither stamped nor chosen by any rule.
    CDeviceList list;
    CHidDevNet zero;
    zero.m_strGuid = Guid(1);
    zero.m_strAddress = MacText(0x01);
    AppendRecordCopy(list, zero);
    CFakeSources machine;
    machine.adapters = {Adapter(Guid(1), u"Ethernet", Mac(0x01))};
    bool noMemory = false;
    CChoiceTrace trace;
    EXPECT_EQ(ChooseAdapter(list, machine, noMemory, &trace), nullptr);
    EXPECT_EQ(trace.m_rule, EChoiceRule::None);
    ASSERT_EQ(trace.m_adapters.size(), 1u);
    EXPECT_EQ(trace.m_adapters[0].m_nMatched, 0u);
    EXPECT_FALSE(trace.m_adapters[0].m_bStamped);
    EXPECT_FALSE(list.GetAt(0)->m_bWireless);
}

TEST(ChoiceTest, GuidTextsDifferingOnlyInCaseMatch)
{
    // A record from the network configuration holds its GUID text in lower case, one from the device setup pass
    // alone as the registry has it (upper case here); the table names each in the other case.
    for (const Nic::Bus bus : {Nic::Pci, Nic::None}) {
        SCOPED_TRACE(bus == Nic::Pci ? "lower-case record" : "upper-case record");
        CFakeSources machine = Machine({{1, bus, false, 0x01, std::nullopt}});
        const std::u16string strName = bus == Nic::Pci ? Guid(1) : AsciiLowerCopy(Guid(1));
        machine.adapters->push_back(Adapter(strName, u"Ethernet", Mac(0x42)));
        CBaseHostId hostId(machine.Get());
        CChoiceTrace trace;
        ASSERT_TRUE(hostId.DetermineAdapter(&trace));
        ASSERT_EQ(hostId.GetDevices().GetCount(), 1u);
        EXPECT_NE(hostId.GetDevices().GetAt(0)->m_strGuid, strName);
        EXPECT_EQ(trace.m_rule, EChoiceRule::Primary);
        EXPECT_EQ(hostId.GetSelectedAdapter()->m_strAddress, MacText(0x42));  // stamped with the table's address
    }
}

struct UsableCase {
    const char* name;
    std::vector<uint8_t> address;
    bool usable;
};

TEST(ChoiceTest, UsableAddresses)
{
    const UsableCase cases[] = {
        {"six bytes", Mac(0x01), true},
        {"six zero bytes", {0, 0, 0, 0, 0, 0}, false},
        {"six 0xFF bytes", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, true},
        {"length 0", {}, false},
        {"length 8", {0, 1, 2, 3, 4, 5, 6, 7}, false},
        {"length 5", {1, 2, 3, 4, 5}, false},
    };
    for (const UsableCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources machine;
        machine.adapters = {Adapter(u"{x}", u"Ethernet", c.address)};
        CDeviceList list;
        bool noMemory = false;
        CChoiceTrace trace;
        ChooseAdapter(list, machine, noMemory, &trace);
        ASSERT_EQ(trace.m_adapters.size(), 1u);
        EXPECT_EQ(trace.m_adapters[0].m_bUsable, c.usable);
    }
}

TEST(ChoiceTest, WirelessMark)
{
    const std::pair<std::optional<std::u16string>, bool> cases[] = {
        {u"Intel(R) Wireless WLAN Card", true},
        {u"wlan0", true},
        {u"Qualcomm wLaN", true},
        {u"Wireless LAN adapter", false},
        {u"W LAN", false},
        {u"", false},
        {std::nullopt, false},
    };
    for (const auto& [description, wireless] : cases)
        EXPECT_EQ(IsWirelessDescription(description), wireless);
}

TEST(ChoiceTest, FailingSecondTableCallFallsBackToTheFirstAddressedRecord)
{
    CFakeSources machine = Machine({{1, Nic::Usb, false, std::nullopt, 0x01},
                                    {2, Nic::Pci, false, 0x02, 0x02},
                                    {3, Nic::Pci, false, 0x03, 0x03}});
    machine.adapters = std::nullopt;
    CBaseHostId hostId(machine.Get());
    CChoiceTrace trace;
    ASSERT_TRUE(hostId.DetermineAdapter(&trace));
    EXPECT_FALSE(trace.m_bTableRead);
    EXPECT_EQ(trace.m_rule, EChoiceRule::FirstAddressed);
    EXPECT_EQ(trace.m_nSelected, 1u);
    EXPECT_EQ(hostId.GetSelectedAdapter()->m_strAddress, MacText(0x02));
}

TEST(ChoiceTest, AnyFailureOfTheTableReadOnlySkipsTheWalk)
{
    // ERROR_NOT_ENOUGH_MEMORY from the call itself is an unreadable table like any other failure: unlike a buffer
    // of our own that cannot be had, it leaves the fallbacks to run.
    for (const uint32_t dwAnswer : {8u, 31u, 87u, 1168u}) {
        SCOPED_TRACE(dwAnswer);
        CFakeSources machine = Machine({{1, Nic::Pci, false, 0x01, 0x07}});
        machine.adapters = std::nullopt;
        machine.tableReadAnswer = dwAnswer;
        CBaseHostId hostId(machine.Get());
        CChoiceTrace trace;
        ASSERT_TRUE(hostId.DetermineAdapter(&trace));
        EXPECT_EQ(trace.m_dwSecondAnswer, dwAnswer);
        EXPECT_EQ(trace.m_rule, EChoiceRule::FirstAddressed);
        EXPECT_EQ(hostId.GetSelectedAdapter()->m_strAddress, MacText(0x01));
    }
}

TEST(ChoiceTest, TableThatGrowsBetweenTheCallsIsNotRead)
{
    CFakeSources machine = Machine({{1, Nic::Pci, false, 0x01, 0x07}});
    machine.tableGrowsBetweenCalls = true;
    CChoiceTrace trace;
    CBaseHostId hostId(machine.Get());
    ASSERT_TRUE(hostId.DetermineAdapter(&trace));
    EXPECT_EQ(trace.m_dwSecondAnswer, kAdapterTableBufferOverflow);
    EXPECT_EQ(trace.m_rule, EChoiceRule::FirstAddressed);
    EXPECT_EQ(hostId.GetSelectedAdapter()->m_strAddress, MacText(0x01));  // the driver's, not the table's
    EXPECT_EQ(machine.tableCalls, 2);  // no further retry
}

TEST(ChoiceTest, NoMemoryForTheTableChoosesNothing)
{
    // Either buffer may be the one that cannot be had.
    for (const int failingCall : {1, 2}) {
        SCOPED_TRACE(failingCall);
        struct CNoMemory : CFakeSources {
            int failingCall = 0;
            uint32_t GetAdaptersAddresses(uint32_t& size, std::vector<CAdapterEntry>& out) override
            {
                if (tableCalls + 1 == failingCall) {
                    ++tableCalls;
                    return kAdapterTableNoMemory;
                }
                return CFakeSources::GetAdaptersAddresses(size, out);
            }
        } machine;
        static_cast<CFakeSources&>(machine) = Machine({{1, Nic::Pci, false, 0x01, 0x07}});
        machine.failingCall = failingCall;
        CBaseHostId hostId(machine.Get());
        EXPECT_FALSE(hostId.DetermineAdapter());
        EXPECT_EQ(machine.tableCalls, failingCall);
        // The inventory stays as the passes left it: nothing stamped, no fallback.
        ASSERT_EQ(hostId.GetDevices().GetCount(), 1u);
        EXPECT_EQ(hostId.GetDevices().GetAt(0)->m_strAddress, MacText(0x01));
    }
}

TEST(ChoiceTest, AbsentAdapterNameMatchesEmptyGuidText)
{
    CFakeSources machine;
    machine.devices = {Device({1}, u"PCI\\A\\1", std::nullopt)};
    machine.adapters = {Adapter(std::nullopt, u"Ethernet", Mac(0x33))};
    const Outcome outcome = Determine(machine);
    EXPECT_EQ(outcome.rule, EChoiceRule::Primary);
    EXPECT_EQ(outcome.address, MacText(0x33));
}

TEST(ChoiceTest, EntryMatchesOnlyTheFirstEqualRecord)
{
    CFakeSources machine;
    // Two components with the same GUID text; the table entry is matched to the first one only.
    machine.components = {Component(NCF_PHYSICAL, Guid(1), u"USB\\A\\1"), Component(NCF_PHYSICAL, Guid(1), u"PCI\\B")};
    machine.adapters = {Adapter(Guid(1), u"Ethernet", Mac(0x01))};
    CBaseHostId hostId(machine.Get());
    CChoiceTrace trace;
    hostId.DetermineAdapter(&trace);
    ASSERT_EQ(trace.m_adapters.size(), 1u);
    EXPECT_EQ(trace.m_adapters[0].m_nMatched, 0u);
    EXPECT_EQ(hostId.GetDevices().GetAt(1)->m_strAddress, u"");
    EXPECT_EQ(trace.m_rule, EChoiceRule::None);  // the USB record has no permanent address
}

TEST(ChoiceTest, WirelessMarkOfAStampedRecordFeedsTheHostId)
{
    CFakeSources machine = Machine({{1, Nic::Pci, true, 0x5E, 0x5E}});
    CBaseHostId hostId(machine.Get());
    ASSERT_TRUE(hostId.DetermineAdapter());
    const CHidDevNet& record = *hostId.GetSelectedAdapter();
    EXPECT_TRUE(record.m_bWireless);
    EXPECT_EQ(CReleaseHostId(record).GetHostIdText(), u"BF-C5-7C-E2-E4");
}

}  // namespace

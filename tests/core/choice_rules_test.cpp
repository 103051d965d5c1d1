// The rules by which flags place a record in the choice, the bus they name, the digest-input rule, and the account
// of each record that the choice gives when a trace is asked for.

#include <gtest/gtest.h>

#include "fake_sources.h"
#include "hostid/release_host_id.h"
#include "inventory/base_host_id.h"
#include "inventory/choice_rules.h"
#include "support/make_record.h"

namespace {

struct FlagCase {
    uint32_t flags;
    bool primary, other, usb;
    EChoiceRule slot;
    const char* bus;
};

TEST(ChoiceRulesTest, FlagsPlaceARecordAndNameItsBus)
{
    const FlagCase cases[] = {
        {0, true, false, false, EChoiceRule::None, ""},
        {HID_RES_MEM | HID_RES_IRQ, true, false, false, EChoiceRule::Primary, ""},
        {HID_BUS_PCI | HID_RES_MEMLARGE, true, false, false, EChoiceRule::Primary, "PCI"},
        {HID_BUS_PCI_ALT, true, false, false, EChoiceRule::Primary, "PCI"},
        {HID_BUS_VMBUS, true, false, false, EChoiceRule::Primary, "VMBus"},
        {HID_BUS_XENVIF | HID_RES_IRQ, true, false, false, EChoiceRule::Primary, "Xen"},
        {HID_BUS_VMBUS | HID_BUS_PCI, true, false, false, EChoiceRule::Primary, "PCI"},
        {HID_BUS_VMBUS | HID_BUS_XENVIF, true, false, false, EChoiceRule::Primary, "VMBus"},
        {HID_BUS_OTHER - 1, true, false, false, EChoiceRule::Primary, "PCI"},
        {HID_BUS_OTHER, false, true, false, EChoiceRule::OtherBus, "another bus"},
        {HID_BUS_OTHER | HID_BUS_PCI_ALT | HID_RES_MEM, false, true, false, EChoiceRule::OtherBus, "another bus"},
        {HID_BUS_USB, false, false, true, EChoiceRule::Usb, "USB"},
        {HID_BUS_USB | HID_BUS_PCI_ALT | HID_RES_IRQ, false, false, true, EChoiceRule::Usb, "USB"},
        // Both top bits: the slot is the other-bus one, while the name tells of USB first.
        {HID_BUS_OTHER_OR_USB, false, true, true, EChoiceRule::OtherBus, "USB"},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "flags 0x" << c.flags);
        EXPECT_EQ(IsPrimaryBus(c.flags), c.primary);
        EXPECT_EQ(IsOtherBus(c.flags), c.other);
        EXPECT_EQ(IsUsbBus(c.flags), c.usb);
        EXPECT_EQ(SlotRuleOfFlags(c.flags), c.slot);
        EXPECT_EQ(BusName(c.flags), c.bus);
    }
}

struct DigestCase {
    uint32_t flags;
    bool wireless;
    uint32_t digestBits;
    bool guidIn;
};

TEST(ChoiceRulesTest, GuidEntersTheDigestInputOfWiredAdaptersOnUsbOrAnotherBus)
{
    const DigestCase cases[] = {
        {HID_BUS_PCI | HID_RES_MEM, false, 0, false},
        {HID_BUS_PCI, true, 0, false},
        {0, false, 0, false},
        {HID_BUS_USB | HID_RES_IRQ, false, HID_BUS_USB, true},
        {HID_BUS_USB, true, HID_BUS_USB, false},
        {HID_BUS_OTHER | HID_BUS_PCI_ALT, false, HID_BUS_OTHER, true},
        {HID_BUS_OTHER, true, HID_BUS_OTHER, false},
        {HID_BUS_OTHER_OR_USB | HID_RES_MEM, false, HID_BUS_OTHER_OR_USB, true},
    };
    for (const DigestCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "flags 0x" << c.flags << (c.wireless ? ", wireless" : ""));
        CHidDevNet record;
        record.m_strGuid = u"{12345678-9ABC-def0-1234-56789abcdef0}";
        record.m_strAddress = u"001A2B3C4D5E";
        record.m_dwFlags = c.flags;
        record.m_bWireless = c.wireless;
        EXPECT_EQ(DigestFlagBits(c.flags), c.digestBits);
        EXPECT_EQ(GuidEntersDigestInput(record), c.guidIn);
        // The digest input itself holds the GUID text exactly when the rule says it does.
        const std::u16string input = CReleaseHostId::DigestInput(record);
        EXPECT_EQ(input.size() > record.m_strGuid.size() && input.find(record.m_strGuid) != std::u16string::npos,
                  c.guidIn);
    }
}

struct AccountCase {
    const char* name;
    CHidDevNet record;
    std::optional<std::u16string> description;  // the matching table entry's; none: not in the table
    EChoiceRule slot;
    bool guidIn;
};

TEST(ChoiceRulesTest, TheTraceAccountsForEveryRecordAsTheChoiceLeftIt)
{
    const std::vector<uint8_t> mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    const AccountCase cases[] = {
        {"PCI, wired", MakeRecord(u"{a}", HID_BUS_PCI), u"Ethernet", EChoiceRule::Primary, false},
        {"other bus, wired", MakeRecord(u"{b}", HID_BUS_OTHER), u"Ethernet", EChoiceRule::OtherBus, true},
        // Stamped wireless by the table: the GUID no longer enters.
        {"other bus, stamped wireless", MakeRecord(u"{c}", HID_BUS_OTHER), u"WLAN card", EChoiceRule::OtherBus, false},
        // A USB record keeps its own wireless mark: the table's description does not reach it.
        {"USB under a WLAN entry", MakeRecord(u"{d}", HID_BUS_USB, u"001A2B3C4D01"), u"WLAN stick", EChoiceRule::Usb,
         true},
        {"USB not in the table", MakeRecord(u"{e}", HID_BUS_USB), std::nullopt, EChoiceRule::Usb, true},
        {"no flags", MakeRecord(u"{f}", 0, u"001A2B3C4D02"), u"Ethernet", EChoiceRule::None, false},
    };
    for (const AccountCase& c : cases) {
        SCOPED_TRACE(c.name);
        CDeviceList list;
        AppendRecordCopy(list, MakeRecord(u"{first}", HID_RES_MEM));
        AppendRecordCopy(list, c.record);
        CFakeSources machine;
        if (c.description)
            machine.adapters = {Adapter(c.record.m_strGuid, *c.description, mac)};
        bool noMemory = false;
        CChoiceTrace trace;
        ChooseAdapter(list, machine, noMemory, &trace);
        ASSERT_EQ(trace.m_records.size(), 2u);
        EXPECT_EQ(trace.m_records[0].m_slotRule, EChoiceRule::Primary);
        EXPECT_FALSE(trace.m_records[0].m_bGuidInDigestInput);
        EXPECT_EQ(trace.m_records[1].m_slotRule, c.slot);
        EXPECT_EQ(trace.m_records[1].m_bGuidInDigestInput, c.guidIn);
    }
}

TEST(ChoiceRulesTest, TheAccountIsGivenWhenThereIsNoMemoryForTheTable)
{
    struct CNoTableMemory : CFakeSources {
        uint32_t GetAdaptersAddresses(uint32_t&, std::vector<CAdapterEntry>&) override
        {
            return kAdapterTableNoMemory;
        }
    } machine;
    CDeviceList list;
    AppendRecordCopy(list, MakeRecord(u"{a}", HID_BUS_USB, u"001A2B3C4D5E"));
    bool noMemory = false;
    CChoiceTrace trace;
    EXPECT_EQ(ChooseAdapter(list, machine, noMemory, &trace), nullptr);
    EXPECT_TRUE(noMemory);
    ASSERT_EQ(trace.m_records.size(), 1u);
    EXPECT_EQ(trace.m_records[0].m_slotRule, EChoiceRule::Usb);
    EXPECT_TRUE(trace.m_records[0].m_bGuidInDigestInput);
}

}  // namespace

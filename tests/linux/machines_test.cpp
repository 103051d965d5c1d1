// Whole determinations over fake machines: the real passes and choice over the Linux sources, then the host ID.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "hostid/release_host_id.h"
#include "inventory/base_host_id.h"
#include "inventory/linux/linux_sources.h"
#include "inventory/passes.h"
#include "machine_trees.h"
#include "support/record_match.h"

namespace {

struct Outcome {
    std::vector<CHidDevNet> records;
    std::optional<size_t> selected;
    EChoiceRule rule = EChoiceRule::None;
    std::u16string digestInput;
    std::u16string hostId;
    std::vector<CAdapterEntry> table;
};

Outcome Determine(const CFakeSysfs& tree, CFakePermanentAddresses& permanent)
{
    CLinuxSources sources(tree.Root(), permanent);
    CBaseHostId hostId(sources.Get());
    CChoiceTrace trace;
    const bool bChosen = hostId.DetermineAdapter(&trace);

    Outcome outcome;
    for (const auto& pRecord : hostId.GetDevices())
        outcome.records.push_back(*pRecord);
    outcome.selected = trace.m_nSelected;
    outcome.rule = trace.m_rule;
    outcome.table = trace.m_entries;
    EXPECT_EQ(bChosen, trace.m_nSelected.has_value());
    if (const CHidDevNet* pSelected = hostId.GetSelectedAdapter()) {
        outcome.digestInput = CReleaseHostId::DigestInput(*pSelected);
        outcome.hostId = CReleaseHostId(*pSelected).GetHostIdText();
    }
    return outcome;
}

struct MachineCase {
    const char* name;
    std::function<void(CFakeSysfs&, CFakePermanentAddresses&)> build;
    size_t nRecords;
    EChoiceRule rule;
    size_t nSelected;
    std::u16string guid;  // the chosen record's
    std::u16string pnpId;
    uint32_t flags;
    bool wireless;
    std::u16string address;
    std::u16string digestInput;
    std::u16string hostId;  // worked out apart from the program, from the digest input by the digest's rules
};

TEST(LinuxMachinesTest, ChosenAdapterAndHostId)
{
    using namespace machines;
    const MachineCase cases[] = {
        {"PCI desktop: merged record with 0x2B, as on Windows", Desktop, 1, EChoiceRule::Primary, 0,
         u"{6f56eafe-1259-5f73-bd45-91391efa810e}", u"PCI", 0x2B, false, u"001A2B3C4D5E", u"001A2B3C4D5E", u"44-9D-95-72-3E"},
        {"laptop: the wired USB adapter wins over the first wireless one",
         [](CFakeSysfs& t, CFakePermanentAddresses& p) { Laptop(t, p, true, true); }, 2, EChoiceRule::Usb, 1,
         u"{c97c74e8-93e1-5288-9290-019d73ac497d}", u"USB", HID_BUS_USB, false, u"00E04C680001",
         u"00E04C680001{c97c74e8-93e1-5288-9290-019d73ac497d}", u"E1-93-53-A2-83"},
        {"laptop whose USB adapter has no permanent address: the Wi-Fi by address match",
         [](CFakeSysfs& t, CFakePermanentAddresses& p) {
             Laptop(t, p, true, true);
             p.addresses.erase("enx00e04c680001");
         },
         2, EChoiceRule::AddressMatch, 0, u"{babbfbf7-c0d5-5393-bf0c-5a579609f0d2}", u"PCI",
         HID_BUS_PCI | HID_RES_MEMLARGE | HID_RES_IRQ, true, u"7CB27D000001", u"7C-B2-7D-00-00-01", u"B7-86-F8-62-AB"},
        {"laptop with Wi-Fi only, known by DEVTYPE=wlan",
         [](CFakeSysfs& t, CFakePermanentAddresses& p) { Laptop(t, p, false, false); }, 1, EChoiceRule::AddressMatch,
         0, u"{babbfbf7-c0d5-5393-bf0c-5a579609f0d2}", u"PCI", HID_BUS_PCI | HID_RES_MEMLARGE | HID_RES_IRQ, true,
         u"7CB27D000001", u"7C-B2-7D-00-00-01", u"B7-86-F8-62-AB"},
        {"Hyper-V guest: the synthetic adapter before its virtual function", VmbusGuest, 2, EChoiceRule::Primary, 0,
         u"{b2e06caa-406f-53d8-8058-0a21cbeb5f55}", u"VMBUS", HID_BUS_VMBUS, false, u"000D3A6E6A3B", u"000D3A6E6A3B", u"FF-4E-03-E2-50"},
        {"Xen guest", XenGuest, 1, EChoiceRule::Primary, 0, u"{8ace80db-9236-5584-be6e-abce78e39fdc}", u"XENVIF",
         HID_BUS_XENVIF, false, u"00163E5A0001", u"00163E5A0001", u"32-B1-74-F2-05"},
        {"virtio adapter on PCI", VirtioGuest, 1, EChoiceRule::Primary, 0, u"{2a8acb5f-78a9-5aa9-bdc6-60941b8d140b}",
         u"PCI", HID_BUS_PCI | HID_RES_MEMLARGE | HID_RES_IRQ, false, u"02FC00000001", u"02FC00000001", u"03-FE-12-D2-3D"},
        {"bond: the first member, with the bond's address",
         [](CFakeSysfs& t, CFakePermanentAddresses& p) { BondedPair(t, p, false); }, 2, EChoiceRule::Primary, 0,
         u"{5f857624-a001-55c5-b6a2-a02eb3dccc88}", u"PCI", HID_BUS_PCI | HID_RES_MEM | HID_RES_IRQ, false,
         u"001B21000001", u"001B21000001", u"DE-33-6B-22-A4"},
        {"bond with the other member first: the same address, so the same host ID",
         [](CFakeSysfs& t, CFakePermanentAddresses& p) { BondedPair(t, p, true); }, 2, EChoiceRule::Primary, 0,
         u"{1146b08a-6782-5bc7-b459-7d709bc693df}", u"PCI", HID_BUS_PCI | HID_RES_MEM | HID_RES_IO | HID_RES_IRQ, false,
         u"001B21000001", u"001B21000001", u"DE-33-6B-22-A4"},
        {"two ports of one PCI function: a GUID each", DualPort, 2, EChoiceRule::Primary, 0,
         u"{76f6a1c1-1772-561a-b8b5-a22a950fde2e}", u"PCI", HID_BUS_PCI | HID_RES_MEMLARGE | HID_RES_IRQ, false,
         u"0002C9000001", u"0002C9000001", u"F7-3E-6F-62-C4"},
    };
    for (const MachineCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        c.build(tree, permanent);
        const Outcome outcome = Determine(tree, permanent);

        ASSERT_EQ(outcome.records.size(), c.nRecords);
        EXPECT_EQ(outcome.rule, c.rule);
        ASSERT_EQ(outcome.selected, std::optional<size_t>(c.nSelected));
        CHidDevNet expected;
        expected.m_strGuid = c.guid;
        expected.m_strPnpId = c.pnpId;
        expected.m_dwFlags = c.flags;
        expected.m_bWireless = c.wireless;
        expected.m_strAddress = c.address;
        EXPECT_TRUE(SameRecord(outcome.records[c.nSelected], expected,
                               kRecordGuid | kRecordPnpId | kRecordFlags | kRecordWireless | kRecordAddress));
        EXPECT_EQ(outcome.digestInput, c.digestInput);
        EXPECT_EQ(outcome.hostId, c.hostId);
        // Every record of the Linux sources is a device with flags and a GUID text.
        for (const CHidDevNet& record : outcome.records) {
            CGuidValue guid;
            EXPECT_TRUE(ParseGuidText(record.m_strGuid, guid));
            EXPECT_NE(record.m_dwFlags, 0u);
        }
    }
}

TEST(LinuxMachinesTest, PciDesktopHasTheWindowsHostId)
{
    // Whatever the wired adapter is called, "wlan" in its name included: the name is the administrator's.
    for (const char* pszName : {"enp0s31f6", "wlan_up", "WLAN0", "eth-wlan"}) {
        SCOPED_TRACE(pszName);
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        machines::DesktopNamed(tree, permanent, pszName);
        const Outcome outcome = Determine(tree, permanent);
        // The value the Windows program gives the address text 001A2B3C4D5E of a PCI adapter.
        EXPECT_EQ(outcome.hostId, u"44-9D-95-72-3E");
        const CHidDevNet& record = outcome.records.at(0);
        EXPECT_FALSE(record.m_bWireless);
        EXPECT_EQ(record.m_strPermanentAddress, u"001A2B3C4D5E");
        EXPECT_EQ(record.m_strCurrentAddress, u"001A2B3C4D5E");
    }
}

TEST(LinuxMachinesTest, WiredAdaptersOnVirtualBusesKeepTheWindowsHostId)
{
    // The host IDs the Windows program gives a wired adapter with these addresses on PCI, VMBus or Xen: the digest
    // input is the bare address text.
    const std::pair<std::function<void(CFakeSysfs&, CFakePermanentAddresses&)>, std::u16string> cases[] = {
        {machines::VmbusGuest, u"FF-4E-03-E2-50"},   // 000D3A6E6A3B
        {machines::XenGuest, u"32-B1-74-F2-05"},     // 00163E5A0001
        {machines::VirtioGuest, u"03-FE-12-D2-3D"},  // 02FC00000001
    };
    for (const auto& [build, hostIdText] : cases) {
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        build(tree, permanent);
        EXPECT_EQ(Determine(tree, permanent).hostId, hostIdText);
    }
}

TEST(LinuxMachinesTest, BondIsNoComponentAndItsMembersKeepTheirOwnPermanentAddresses)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::BondedPair(tree, permanent, false);
    const Outcome outcome = Determine(tree, permanent);
    ASSERT_EQ(outcome.records.size(), 2u);
    // The second member takes the bond's address from the table, but its driver still knows its own.
    EXPECT_EQ(outcome.records[1].m_strAddress, u"001B21000001");
    EXPECT_EQ(outcome.records[1].m_strPermanentAddress, u"001B21000002");

    std::vector<std::u16string> names;
    for (const CAdapterEntry& entry : outcome.table)
        names.push_back(entry.m_strName.value_or(u"(none)"));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"lo", u"{5F857624-A001-55C5-B6A2-A02EB3DCCC88}",
                                                  u"{1146B08A-6782-5BC7-B459-7D709BC693DF}", u"bond0"}));
    // The bond's driver is never asked: it has no record.
    EXPECT_EQ(std::count(permanent.asked.begin(), permanent.asked.end(), "bond0"), 0);
}

TEST(LinuxMachinesTest, OnlyVirtualInterfacesGiveNoHostId)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::VirtualOnly(tree, permanent);
    const Outcome outcome = Determine(tree, permanent);
    EXPECT_TRUE(outcome.records.empty());
    EXPECT_EQ(outcome.rule, EChoiceRule::None);
    EXPECT_EQ(outcome.hostId, u"");
    std::vector<std::u16string> names;
    for (const CAdapterEntry& entry : outcome.table)
        names.push_back(entry.m_strName.value_or(u"(none)"));
    // tun0 has no link-layer address and is not in the table.
    EXPECT_EQ(names, (std::vector<std::u16string>{u"lo", u"br0", u"veth0", u"dummy0"}));
}

TEST(LinuxMachinesTest, TwoPortsOfOneFunctionKeepTheirOwnAddresses)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::DualPort(tree, permanent);
    const Outcome outcome = Determine(tree, permanent);
    ASSERT_EQ(outcome.records.size(), 2u);
    EXPECT_EQ(outcome.records[1].m_strGuid, u"{c6803143-39ab-547f-aed2-d84912235194}");
    EXPECT_EQ(outcome.records[0].m_strAddress, u"0002C9000001");
    EXPECT_EQ(outcome.records[1].m_strAddress, u"0002C9000002");
}

TEST(LinuxMachinesTest, SecondInterfaceOfAWifiCardChangesNothing)
{
    // "iw phy phy0 interface add ap0 type __ap" on the laptop's card: ap0 shares the card's device link and port,
    // with an address of its own. The host ID must not depend on whether the hotspot is up.
    CFakeSysfs plainTree;
    CFakePermanentAddresses plainPermanent;
    machines::Laptop(plainTree, plainPermanent, false, true);
    const Outcome plain = Determine(plainTree, plainPermanent);

    for (const int nApIfIndex : {5, 1000}) {
        SCOPED_TRACE(nApIfIndex);
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        machines::Laptop(tree, permanent, false, true);
        tree.Interface(CFakeSysfs::NetInterface("ap0", nApIfIndex, "7e:b2:7d:00:00:99")
                           .On(machines::kLaptopWifi)
                           .Phy80211());
        permanent.addresses["ap0"] = {0x7C, 0xB2, 0x7D, 0x00, 0x00, 0x01};
        const Outcome outcome = Determine(tree, permanent);
        ASSERT_EQ(outcome.records.size(), 1u);
        EXPECT_EQ(outcome.records[0].m_strGuid, plain.records.at(0).m_strGuid);
        EXPECT_EQ(outcome.records[0].m_strAddress, u"7CB27D000001");
        EXPECT_EQ(outcome.rule, plain.rule);
        EXPECT_EQ(outcome.hostId, plain.hostId);
        EXPECT_FALSE(outcome.hostId.empty());
        // ap0 is still in the adapter table, under its own name.
        ASSERT_EQ(outcome.table.size(), 3u);
        EXPECT_EQ(outcome.table[2].m_strName, u"ap0");
    }
}

TEST(LinuxMachinesTest, SameMachineSameHostIdWhereverTheTreeLies)
{
    // The GUIDs come from the device paths as the live system names them, not from where the tree was read.
    std::u16string first;
    for (int i = 0; i < 2; ++i) {
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        machines::Laptop(tree, permanent, true, true);
        const Outcome outcome = Determine(tree, permanent);
        if (i == 0) {
            first = outcome.hostId;
        } else {
            EXPECT_EQ(outcome.hostId, first);
        }
    }
    EXPECT_FALSE(first.empty());
}

}  // namespace

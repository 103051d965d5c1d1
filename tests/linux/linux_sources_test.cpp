// The four Linux sources one by one, and what damaged trees do to them.

#include "inventory/linux/linux_sources.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "hostid/release_host_id.h"
#include "inventory/base_host_id.h"
#include "inventory/passes.h"
#include "machine_trees.h"
#include "support/utf16le.h"

namespace {

TEST(LinuxSourcesTest, ComponentsAreTheDeviceBackedInterfaces)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Laptop(tree, permanent, true, true);
    CLinuxSources sources(tree.Root(), permanent);
    std::vector<CNetCfgComponentInfo> components;
    ASSERT_TRUE(sources.EnumComponents(components));
    ASSERT_EQ(components.size(), 2u);
    EXPECT_EQ(components[0].m_dwCharacteristics, NCF_PHYSICAL);
    EXPECT_EQ(FormatGuidText(components[0].m_guidInstance), u"{babbfbf7-c0d5-5393-bf0c-5a579609f0d2}");
    EXPECT_EQ(components[0].m_strId, std::optional<std::u16string>(
                                         u"PCI\\VEN_8086&DEV_2723&SUBSYS_00848086&REV_1A\\0000:02:00.0"));
    EXPECT_EQ(components[1].m_strId, std::optional<std::u16string>(u"USB\\VID_0BDA&PID_8153\\000001"));
}

TEST(LinuxSourcesTest, SetupDevicesMirrorTheComponents)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Desktop(tree, permanent);
    CLinuxSources sources(tree.Root(), permanent);
    ASSERT_TRUE(sources.OpenDeviceSet());
    ASSERT_TRUE(sources.SelectDevice(0));
    EXPECT_EQ(sources.GetResourceTypes(), (std::vector<uint32_t>{1, 2, 4}));
    EXPECT_EQ(sources.GetInstanceId(),
              std::optional<std::u16string>(u"PCI\\VEN_8086&DEV_15B8&SUBSYS_86721043&REV_00\\0000:00:1f.6"));
    // Upper case with its terminating null, as the registry holds NetCfgInstanceId.
    EXPECT_EQ(sources.GetNetCfgInstanceIdData(), Utf16LeBytes(u"{6F56EAFE-1259-5F73-BD45-91391EFA810E}", true));
    EXPECT_FALSE(sources.SelectDevice(1));
    sources.CloseDeviceSet();
}

TEST(LinuxSourcesTest, UsbDeviceWithoutSerialIsNamedByItsPlace)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    tree.Device("devices/pci0000:00/0000:00:14.0", "pci");
    const std::string usb = tree.Usb("devices/pci0000:00/0000:00:14.0/usb1/1-4", "0b95", "1790", std::nullopt);
    tree.Interface(CFakeSysfs::NetInterface("eth1", 5, "00:0e:c6:00:00:01").On(usb));
    CLinuxSources sources(tree.Root(), permanent);
    std::vector<CNetCfgComponentInfo> components;
    ASSERT_TRUE(sources.EnumComponents(components));
    ASSERT_EQ(components.size(), 1u);
    EXPECT_EQ(components[0].m_strId, std::optional<std::u16string>(u"USB\\VID_0B95&PID_1790\\1-4"));
}

TEST(LinuxSourcesTest, DeviceOnAnotherBusIsNamedBySubsystem)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    tree.Device("devices/platform/fe300000.ethernet", "platform");
    tree.Interface(CFakeSysfs::NetInterface("end0", 2, "dc:a6:32:00:00:01").On("devices/platform/fe300000.ethernet"));
    permanent.addresses["end0"] = {0xDC, 0xA6, 0x32, 0x00, 0x00, 0x01};
    CLinuxSources sources(tree.Root(), permanent);
    std::vector<CNetCfgComponentInfo> components;
    ASSERT_TRUE(sources.EnumComponents(components));
    ASSERT_EQ(components.size(), 1u);
    EXPECT_EQ(components[0].m_strId, std::optional<std::u16string>(u"PLATFORM\\fe300000.ethernet"));
    EXPECT_EQ(FormatGuidText(components[0].m_guidInstance), u"{0914ad51-0d94-5a1a-89a0-c9cbce24536b}");

    // As on Windows, such an adapter is the other-bus candidate and its GUID text enters the host ID.
    CBaseHostId hostId(sources.Get());
    const CHidDevNet* pSelected = hostId.GetSelectedAdapter();
    ASSERT_NE(pSelected, nullptr);
    EXPECT_EQ(pSelected->m_dwFlags, HID_BUS_OTHER);
    EXPECT_EQ(CReleaseHostId::DigestInput(*pSelected), u"DCA632000001{0914ad51-0d94-5a1a-89a0-c9cbce24536b}");
}

struct OpenCase {
    const char* name;
    std::u16string path;
    bool opens;
};

TEST(LinuxSourcesTest, DriverDevicesOpenByGuidText)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Desktop(tree, permanent);
    CLinuxSources sources(tree.Root(), permanent);
    const OpenCase cases[] = {
        {"lower case", u"\\\\.\\{6f56eafe-1259-5f73-bd45-91391efa810e}", true},
        {"upper case", u"\\\\.\\{6F56EAFE-1259-5F73-BD45-91391EFA810E}", true},
        {"mixed case", u"\\\\.\\{6f56EAFE-1259-5f73-BD45-91391efa810e}", true},
        {"unknown GUID", u"\\\\.\\{6f56eafe-1259-5f73-bd45-91391efa810f}", false},
        {"no prefix", u"{6f56eafe-1259-5f73-bd45-91391efa810e}", false},
        {"other prefix", u"\\\\?\\{6f56eafe-1259-5f73-bd45-91391efa810e}", false},
        {"not a GUID", u"\\\\.\\enp0s31f6", false},
        {"empty GUID text", u"\\\\.\\", false},
        {"trailing text", u"\\\\.\\{6f56eafe-1259-5f73-bd45-91391efa810e}x", false},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sources.Open(c.path) != nullptr, c.opens);
    }
}

struct PermanentCase {
    const char* name;
    std::optional<std::vector<uint8_t>> answer;  // none: the query fails
    bool succeeds;
    std::vector<uint8_t> bytes;
};

TEST(LinuxSourcesTest, PermanentAddressQuery)
{
    const PermanentCase cases[] = {
        {"six bytes", std::vector<uint8_t>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, true,
         {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
        {"failed query", std::nullopt, false, {}},
        {"all zero is no address", std::vector<uint8_t>(6, 0), false, {}},
        {"empty answer", std::vector<uint8_t>{}, false, {}},
        {"eight bytes pass as they are", std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}, true, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"longer than the buffer is cut to it", std::vector<uint8_t>(300, 0xAB), true,
         std::vector<uint8_t>(kDriverQueryBufferSize, 0xAB)},
    };
    for (const PermanentCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        machines::Desktop(tree, permanent);
        if (c.answer)
            permanent.addresses["enp0s31f6"] = *c.answer;
        else
            permanent.addresses.erase("enp0s31f6");
        CLinuxSources sources(tree.Root(), permanent);
        const auto pDevice = sources.Open(u"\\\\.\\{6f56eafe-1259-5f73-bd45-91391efa810e}");
        ASSERT_NE(pDevice, nullptr);
        uint8_t buffer[kDriverQueryBufferSize] = {};
        uint32_t nBytes = 0;
        EXPECT_EQ(pDevice->QueryOid(OID_802_3_PERMANENT_ADDRESS, buffer, nBytes), c.succeeds);
        if (c.succeeds) {
            EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + nBytes), c.bytes);
        }
        EXPECT_EQ(permanent.asked, std::vector<std::string>{"enp0s31f6"});
    }
}

TEST(LinuxSourcesTest, CurrentAddressComesFromSysfs)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Desktop(tree, permanent);
    // An address set by the administrator differs from the permanent one.
    tree.File(std::string(machines::kDesktopNic) + "/net/enp0s31f6/address", "02:11:22:33:44:55\n");
    CLinuxSources sources(tree.Root(), permanent);
    const auto pDevice = sources.Open(u"\\\\.\\{6f56eafe-1259-5f73-bd45-91391efa810e}");
    ASSERT_NE(pDevice, nullptr);
    uint8_t buffer[kDriverQueryBufferSize] = {};
    uint32_t nBytes = 0;
    ASSERT_TRUE(pDevice->QueryOid(OID_802_3_CURRENT_ADDRESS, buffer, nBytes));
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + nBytes),
              (std::vector<uint8_t>{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_FALSE(pDevice->QueryOid(0x00010101, buffer, nBytes));  // any other object identifier

    // A damaged address shows from the next determination on, which reads sysfs afresh.
    tree.File(std::string(machines::kDesktopNic) + "/net/enp0s31f6/address", "garbage\n");
    std::vector<CNetCfgComponentInfo> components;
    ASSERT_TRUE(sources.EnumComponents(components));
    const auto pDamaged = sources.Open(u"\\\\.\\{6f56eafe-1259-5f73-bd45-91391efa810e}");
    ASSERT_NE(pDamaged, nullptr);
    EXPECT_FALSE(pDamaged->QueryOid(OID_802_3_CURRENT_ADDRESS, buffer, nBytes));
}

TEST(LinuxSourcesTest, AdapterTableAnswersTheSizeQueryHonestly)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Desktop(tree, permanent);
    CLinuxSources sources(tree.Root(), permanent);

    uint32_t nSize = 0;
    std::vector<CAdapterEntry> entries;
    ASSERT_EQ(sources.GetAdaptersAddresses(nSize, entries), kAdapterTableBufferOverflow);
    EXPECT_TRUE(entries.empty());
    EXPECT_GE(nSize, 3u * 448u);
    const uint32_t nNeeded = nSize;

    uint32_t nSmaller = nNeeded - 1;
    EXPECT_EQ(sources.GetAdaptersAddresses(nSmaller, entries), kAdapterTableBufferOverflow);
    EXPECT_EQ(nSmaller, nNeeded);
    EXPECT_TRUE(entries.empty());

    ASSERT_EQ(sources.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);
    uint32_t nSum = 0;
    for (const CAdapterEntry& entry : entries)
        nSum += AdapterEntrySize(entry);
    EXPECT_EQ(nSum, nNeeded);

    // One determination sees one reading of sysfs: an interface that appears meanwhile does not change its table.
    tree.Interface(CFakeSysfs::NetInterface("veth9", 9, "02:00:00:00:00:09"));
    entries.clear();
    EXPECT_EQ(sources.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);
    EXPECT_EQ(entries.size(), 3u);

    // The next determination reads afresh, and the grown table no longer fits the old size.
    std::vector<CNetCfgComponentInfo> components;
    ASSERT_TRUE(sources.EnumComponents(components));
    entries.clear();
    EXPECT_EQ(sources.GetAdaptersAddresses(nSize, entries), kAdapterTableBufferOverflow);
    EXPECT_GT(nSize, nNeeded);
}

TEST(LinuxSourcesTest, AdapterTableEntries)
{
    CFakeSysfs tree;
    CFakePermanentAddresses permanent;
    machines::Laptop(tree, permanent, true, true);
    std::string infiniband = "80";
    for (int i = 1; i < 20; ++i)
        infiniband += ":80";
    tree.Interface(CFakeSysfs::NetInterface("ib0", 6, infiniband).AddrLen(20).ArpType(32));
    CLinuxSources sources(tree.Root(), permanent);
    uint32_t nSize = 1u << 20;
    std::vector<CAdapterEntry> entries;
    ASSERT_EQ(sources.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);

    struct Expected {
        std::u16string name;
        std::u16string description;
        std::u16string friendlyName;
        uint32_t length;
    };
    const std::vector<Expected> expected = {
        {u"lo", u"loopback", u"lo", 6},
        {u"{BABBFBF7-C0D5-5393-BF0C-5A579609F0D2}", u"802.11 wireless LAN (WLAN)", u"wlp2s0", 6},
        {u"{C97C74E8-93E1-5288-9290-019D73AC497D}", u"Ethernet", u"enx00e04c680001", 6},
        {u"ib0", u"InfiniBand", u"ib0", 0},  // twenty bytes do not fit the table's eight
    };
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].m_strName, std::optional<std::u16string>(expected[i].name));
        EXPECT_EQ(entries[i].m_strDescription, std::optional<std::u16string>(expected[i].description));
        EXPECT_EQ(entries[i].m_strFriendlyName, std::optional<std::u16string>(expected[i].friendlyName));
        EXPECT_EQ(entries[i].m_nAddressLength, expected[i].length);
    }
    EXPECT_EQ(FormatAddressText(entries[1].m_address, 6), u"7CB27D000001");
}

// Only what the kernel says about a device makes it wireless: a name with "wlan" in it, which the administrator may
// give any interface, never does, and every kernel sign does on its own.
TEST(LinuxSourcesTest, WirelessComesFromTheKernelNotTheName)
{
    struct Case {
        const char* name;
        CFakeSysfs::NetInterface netInterface;
        bool bWirelessDir;
        bool bWireless;
    };
    const Case cases[] = {
        {"wired, named wlan_up", CFakeSysfs::NetInterface("wlan_up", 2, "00:1a:2b:3c:4d:5e"), false, false},
        {"wired, named WLAN0", CFakeSysfs::NetInterface("WLAN0", 2, "00:1a:2b:3c:4d:5e"), false, false},
        {"phy80211 link", CFakeSysfs::NetInterface("eth9", 2, "00:1a:2b:3c:4d:5e").Phy80211(), false, true},
        {"DEVTYPE=wlan", CFakeSysfs::NetInterface("eth9", 2, "00:1a:2b:3c:4d:5e").DevType("wlan"), false, true},
        {"wireless extensions directory", CFakeSysfs::NetInterface("eth9", 2, "00:1a:2b:3c:4d:5e"), true, true},
        {"DEVTYPE=wlan0 is not wlan", CFakeSysfs::NetInterface("x", 2, "00:1a:2b:3c:4d:5e").DevType("wlan0"), false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        tree.Pci(machines::kDesktopNic, {});
        const std::string dir = tree.Interface(CFakeSysfs::NetInterface(c.netInterface).On(machines::kDesktopNic));
        if (c.bWirelessDir)
            tree.Dir(dir + "/wireless");
        CLinuxSources sources(tree.Root(), permanent);
        uint32_t nSize = 1u << 20;
        std::vector<CAdapterEntry> entries;
        ASSERT_EQ(sources.GetAdaptersAddresses(nSize, entries), kAdapterTableNoError);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(IsWirelessDescription(entries[0].m_strDescription), c.bWireless);
        EXPECT_EQ(entries[0].m_strFriendlyName, std::optional<std::u16string>(Utf8ToUtf16(c.netInterface.name)));
    }
}

TEST(LinuxSourcesTest, AddressesLongerThanTheTableHoldsAreNotCarried)
{
    CNetInterface infiniband;
    infiniband.m_strName = "ib0";
    infiniband.m_address.assign(20, 0x80);
    const CAdapterEntry entry = AdapterEntryFromInterface(infiniband);
    EXPECT_EQ(entry.m_nAddressLength, 0u);
    EXPECT_EQ(entry.m_strName, std::optional<std::u16string>(u"ib0"));

    CNetInterface eight;
    eight.m_strName = "x";
    eight.m_address = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(AdapterEntryFromInterface(eight).m_nAddressLength, 8u);
}

// What the adapter table query answers, and how many components the enumeration reads (none when it fails).
uint32_t TableAnswer(CLinuxSources& sources)
{
    uint32_t nSize = 0;
    std::vector<CAdapterEntry> entries;
    return sources.GetAdaptersAddresses(nSize, entries);
}

std::optional<size_t> ComponentsRead(CLinuxSources& sources)
{
    std::vector<CNetCfgComponentInfo> components;
    if (!sources.EnumComponents(components))
        return std::nullopt;
    return components.size();
}

TEST(LinuxSourcesTest, EmptyAndMissingTables)
{
    CFakePermanentAddresses permanent;
    {
        CFakeSysfs tree;  // class/net exists but is empty
        CLinuxSources sources(tree.Root(), permanent);
        EXPECT_EQ(TableAnswer(sources), kAdapterTableNoData);
        EXPECT_EQ(ComponentsRead(sources), std::optional<size_t>(0));
        EXPECT_TRUE(sources.OpenDeviceSet());
        EXPECT_FALSE(sources.SelectDevice(0));
        sources.CloseDeviceSet();
    }
    {
        CFakeSysfs tree;
        tree.Remove("class/net");
        CLinuxSources sources(tree.Root(), permanent);
        EXPECT_EQ(TableAnswer(sources), kAdapterTableFailure);
        EXPECT_EQ(ComponentsRead(sources), std::nullopt);
        EXPECT_FALSE(sources.OpenDeviceSet());
        EXPECT_EQ(sources.Open(u"\\\\.\\{6f56eafe-1259-5f73-bd45-91391efa810e}"), nullptr);
        CBaseHostId hostId(sources.Get());
        EXPECT_FALSE(hostId.DetermineAdapter());
    }
    {
        CLinuxSources sources("/nonexistent/lumo-sysfs-root", permanent);
        EXPECT_EQ(ComponentsRead(sources), std::nullopt);
    }
}

// A damage done to the PCI desktop, and what the determination then makes of it.
struct DamageCase {
    const char* name;
    std::function<void(CFakeSysfs&)> damage;
    size_t nRecords;
    uint32_t flags;             // of the first record, when there is one
    std::u16string hostId;      // of the chosen record; empty when none
};

TEST(LinuxSourcesTest, DamagedTreesGiveSoundResults)
{
    const std::string nic = machines::kDesktopNic;
    const std::string netDir = nic + "/net/enp0s31f6";
    const std::u16string desktopId = u"44-9D-95-72-3E";
    // An adapter on another bus: its GUID text follows the address in the digest input, as on Windows.
    CHidDevNet otherBus;
    otherBus.m_strAddress = u"001A2B3C4D5E";
    otherBus.m_dwFlags = HID_BUS_OTHER;
    otherBus.m_strGuid = u"{6f56eafe-1259-5f73-bd45-91391efa810e}";
    ASSERT_EQ(CReleaseHostId::DigestInput(otherBus), u"001A2B3C4D5E{6f56eafe-1259-5f73-bd45-91391efa810e}");
    const std::u16string otherBusId = CReleaseHostId(otherBus).GetHostIdText();
    const DamageCase cases[] = {
        {"garbage resource file", [&](CFakeSysfs& t) { t.File(nic + "/resource", "\x01\x02 not ranges\n"); }, 1,
         HID_BUS_PCI | HID_RES_IRQ, desktopId},
        {"resource file beyond the read limit",
         [&](CFakeSysfs& t) {
             t.File(nic + "/resource", std::string(kMaxAttributeBytes + 1, '0'));
         },
         1, HID_BUS_PCI | HID_RES_IRQ, desktopId},
        {"resource is a directory",
         [&](CFakeSysfs& t) {
             t.Remove(nic + "/resource");
             t.Dir(nic + "/resource");
         },
         1, HID_BUS_PCI | HID_RES_IRQ, desktopId},
        {"irq unreadable", [&](CFakeSysfs& t) { t.File(nic + "/irq", "sixteen\n"); }, 1,
         HID_BUS_PCI | HID_RES_MEM | HID_RES_IO, desktopId},
        {"vendor garbage", [&](CFakeSysfs& t) { t.File(nic + "/vendor", "0xZZZZ\n"); }, 1, 0x2B, desktopId},
        {"ifindex garbage", [&](CFakeSysfs& t) { t.File(netDir + "/ifindex", "two\n"); }, 1, 0x2B, desktopId},
        {"address garbage: chosen as first addressed record",
         [&](CFakeSysfs& t) { t.File(netDir + "/address", "zz:1a:2b:3c:4d:5e\n"); }, 1, 0x2B, desktopId},
        {"addr_len not matching the address", [&](CFakeSysfs& t) { t.File(netDir + "/addr_len", "8\n"); }, 1, 0x2B,
         desktopId},
        {"addr_len beyond 64 bits", [&](CFakeSysfs& t) { t.File(netDir + "/addr_len", "99999999999999999999\n"); },
         1, 0x2B, desktopId},
        {"address is a FIFO",
         [&](CFakeSysfs& t) {
             t.Remove(netDir + "/address");
             ASSERT_EQ(mkfifo(t.Path(netDir + "/address").c_str(), 0600), 0);
         },
         1, 0x2B, desktopId},
        {"device link loops",
         [&](CFakeSysfs& t) {
             t.RawLink(netDir + "/device", "loop1");
             t.RawLink(netDir + "/loop1", "device");
         },
         0, 0, u""},
        {"device link leaves the tree", [&](CFakeSysfs& t) { t.RawLink(netDir + "/device", "/"); }, 0, 0, u""},
        {"device link dangles", [&](CFakeSysfs& t) { t.RawLink(netDir + "/device", "../../nowhere"); }, 0, 0, u""},
        {"device link to a file", [&](CFakeSysfs& t) { t.Link(netDir + "/device", nic + "/vendor"); }, 0, 0, u""},
        {"no subsystem anywhere: a ROOT device, other bus",
         [&](CFakeSysfs& t) { t.Remove(nic + "/subsystem"); }, 1, HID_BUS_OTHER, otherBusId},
        {"class/net entry dangles", [&](CFakeSysfs& t) { t.RawLink("class/net/ghost0", "../../devices/ghost0"); }, 1,
         0x2B, desktopId},
        {"class/net holds a plain file", [&](CFakeSysfs& t) { t.File("class/net/bonding_masters", "\n"); }, 1, 0x2B,
         desktopId},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSysfs tree;
        CFakePermanentAddresses permanent;
        machines::Desktop(tree, permanent);
        c.damage(tree);
        CLinuxSources sources(tree.Root(), permanent);
        CBaseHostId hostId(sources.Get());
        const CHidDevNet* pSelected = hostId.GetSelectedAdapter();
        ASSERT_EQ(hostId.GetDevices().GetCount(), c.nRecords);
        if (c.nRecords > 0) {
            EXPECT_EQ(hostId.GetDevices().GetAt(0)->m_dwFlags, c.flags);
        }
        EXPECT_EQ(pSelected ? CReleaseHostId(*pSelected).GetHostIdText() : std::u16string(), c.hostId);
    }
}

// A listing longer than any fixed cut (65,536 entries was one) is read whole and ordered by interface index, whatever
// order the directory gives: with a cut, which interfaces are seen would depend on that order.
TEST(LinuxSourcesTest, ListingOfAnyLengthIsReadWholeInIndexOrder)
{
    // In memory where there is a tmpfs: on a disk, making and removing so many directories takes minutes. tmpfs
    // lists a directory newest first, so a cut would lose the first ones made.
    CFakeSysfs tree(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "");
    constexpr int kCount = 70000;
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(mkdir(tree.Path("class/net/n" + std::to_string(i)).c_str(), 0755), 0);
    // A few carry an index, against the order of their names and of their making.
    const std::pair<const char*, const char*> indexed[] = {{"n69999", "1\n"}, {"n35000", "2\n"}, {"n0", "3\n"}};
    for (const auto& [name, index] : indexed)
        tree.File(std::string("class/net/") + name + "/ifindex", index);

    const std::optional<std::vector<CNetInterface>> interfaces = ScanNetInterfaces(tree.Root());
    ASSERT_TRUE(interfaces.has_value());
    ASSERT_EQ(interfaces->size(), static_cast<size_t>(kCount));
    EXPECT_EQ((*interfaces)[0].m_strName, "n69999");
    EXPECT_EQ((*interfaces)[1].m_strName, "n35000");
    EXPECT_EQ((*interfaces)[2].m_strName, "n0");
    // Those without an index follow, by name.
    EXPECT_TRUE(std::is_sorted(interfaces->begin() + 3, interfaces->end(),
                               [](const CNetInterface& a, const CNetInterface& b) { return a.m_strName < b.m_strName; }));
}

}  // namespace

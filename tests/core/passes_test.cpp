// The three collecting passes over made-up sources.

#include <gtest/gtest.h>

#include "fake_sources.h"
#include "inventory/hid_dev_net.h"
#include "inventory/passes.h"
#include "scarce_memory_machine.h"

namespace {

const std::u16string kGuidA = u"{6B7D3F10-1111-2222-3333-444455556666}";
const std::u16string kGuidALower = u"{6b7d3f10-1111-2222-3333-444455556666}";
const std::u16string kGuidB = u"{0A0B0C0D-AAAA-BBBB-CCCC-DDDDEEEEFFFF}";
const std::vector<uint8_t> kMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

CDeviceList RunNetCfg(const std::vector<CNetCfgComponentInfo>& components)
{
    CFakeSources machine;
    machine.components = components;
    CDeviceList list;
    EnumNetCfgComponents(list, machine);
    return list;
}

TEST(NetCfgPassTest, GuidTextIsLowerCaseInAllElevenFields)
{
    CGuidValue guid;
    guid.Data1 = 0xABCDEF01;
    guid.Data2 = 0x23AB;
    guid.Data3 = 0xCDEF;
    const uint8_t data4[8] = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x0A, 0xFF};
    std::copy(data4, data4 + 8, guid.Data4);
    EXPECT_EQ(FormatGuidText(guid), u"{abcdef01-23ab-cdef-a1b2-c3d4e5f60aff}");
    EXPECT_EQ(FormatGuidText(CGuidValue()), u"{00000000-0000-0000-0000-000000000000}");

    CGuidValue parsed;
    ASSERT_TRUE(ParseGuidText(u"{ABCDEF01-23ab-CDEF-a1B2-C3D4E5F60AFF}", parsed));
    EXPECT_EQ(FormatGuidText(parsed), u"{abcdef01-23ab-cdef-a1b2-c3d4e5f60aff}");
}

TEST(NetCfgPassTest, ParseGuidTextRejectsMalformedTexts)
{
    CGuidValue guid;
    for (const char16_t* text : {u"", u"{}", u"6B7D3F10-1111-2222-3333-444455556666",
                                 u"{6B7D3F10-1111-2222-3333-44445555666}", u"{6B7D3F10-1111-2222-3333-4444555566667}",
                                 u"{6B7D3F10+1111-2222-3333-444455556666}", u"{6B7D3F1G-1111-2222-3333-444455556666}",
                                 u"[6B7D3F10-1111-2222-3333-444455556666]"})
        EXPECT_FALSE(ParseGuidText(text, guid)) << std::u16string(text).size();
}

struct ComponentCase {
    const char* name;
    CNetCfgComponentInfo component;
    bool kept;
    uint32_t flags;
    std::u16string pnpId;
};

TEST(NetCfgPassTest, WhichComponentsBecomeRecords)
{
    const ComponentCase cases[] = {
        {"physical PCI", Component(NCF_PHYSICAL, kGuidA, u"PCI\\VEN_8086&DEV_100E\\3&1"), true, HID_BUS_PCI, u"PCI"},
        {"physical USB", Component(NCF_PHYSICAL | 0x80, kGuidA, u"USB\\VID_0B95&PID_1790\\1"), true, HID_BUS_USB,
         u"USB"},
        {"physical ROOT", Component(NCF_PHYSICAL, kGuidA, u"ROOT\\NET\\0000"), true, HID_BUS_OTHER, u"ROOT"},
        {"bare ID", Component(NCF_PHYSICAL, kGuidA, u"ms_pppoeminiport"), true, HID_BUS_OTHER, u"ms_pppoeminiport"},
        {"virtual miniport", Component(0x1, kGuidA, u"PCI\\VEN_8086&DEV_100E\\3&1"), false, 0, u""},
        {"characteristics unreadable", Component(0, kGuidA, u"PCI\\VEN_8086"), false, 0, u""},
        {"no ID", Component(NCF_PHYSICAL, kGuidA, std::nullopt), false, 0, u""},
        {"empty ID", Component(NCF_PHYSICAL, kGuidA, u""), false, 0, u""},
    };
    for (const ComponentCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CDeviceList list = RunNetCfg({c.component});
        ASSERT_EQ(list.GetCount(), c.kept ? 1u : 0u);
        if (!c.kept)
            continue;
        const CHidDevNet& record = *list.GetAt(0);
        EXPECT_EQ(record.m_dwFlags, c.flags);
        EXPECT_EQ(record.m_strPnpId, c.pnpId);
        EXPECT_EQ(record.m_strGuid, kGuidALower);
        EXPECT_TRUE(record.m_strAddress.empty());
    }
}

TEST(NetCfgPassTest, EqualGuidsStillGiveTwoRecordsInOrder)
{
    const CDeviceList list = RunNetCfg({Component(NCF_PHYSICAL, kGuidA, u"PCI\\A"),
                                        Component(NCF_PHYSICAL, kGuidA, u"USB\\B")});
    ASSERT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetAt(0)->m_dwFlags, HID_BUS_PCI);
    EXPECT_EQ(list.GetAt(1)->m_dwFlags, HID_BUS_USB);
}

TEST(NetCfgPassTest, NoConfigurationObjectAddsNothingAndTheDevicePassStillRuns)
{
    CFakeSources machine;
    machine.components = std::nullopt;
    machine.devices = {Device({1}, u"PCI\\X\\1", kGuidA)};
    CDeviceList list;
    EnumSetupDevices(list, machine.Get());
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAt(0)->m_dwFlags, HID_RES_MEM | HID_BUS_PCI);
}

TEST(SetupDevicePassTest, ResourceTypeFlags)
{
    const std::pair<uint32_t, uint32_t> table[] = {
        {0, 0}, {1, HID_RES_MEM}, {2, HID_RES_IO}, {3, HID_RES_DMA}, {4, HID_RES_IRQ}, {5, 0},
        {6, HID_RES_BUSNUMBER}, {7, HID_RES_MEMLARGE}, {8, 0}, {0x8000, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto& [type, flag] : table)
        EXPECT_EQ(ResourceFlagFromType(type), flag) << type;
}

TEST(SetupDevicePassTest, NetCfgInstanceIdData)
{
    EXPECT_EQ(NetCfgInstanceIdText(std::nullopt), u"");
    EXPECT_EQ(NetCfgInstanceIdText(RegistryString(kGuidA)), kGuidA);
    // Stored without a terminating null: exactly the characters of the data.
    EXPECT_EQ(NetCfgInstanceIdText(RegistryString(kGuidA, false)), kGuidA);
    // The text ends at its first null even when more data follows.
    EXPECT_EQ(NetCfgInstanceIdText(RegistryString(std::u16string(u"{a}\0{b}", 7))), u"{a}");
    // An odd byte at the end belongs to no character.
    std::vector<uint8_t> odd = RegistryString(u"{a}", false);
    odd.push_back(0x41);
    EXPECT_EQ(NetCfgInstanceIdText(odd), u"{a}");
    // 256 bytes fit the buffer; one byte more and the value is not read at all.
    EXPECT_EQ(NetCfgInstanceIdText(RegistryString(std::u16string(127, u'x'))), std::u16string(127, u'x'));
    EXPECT_EQ(NetCfgInstanceIdText(RegistryString(std::u16string(128, u'x'), false)), std::u16string(128, u'x'));
    EXPECT_EQ(NetCfgInstanceIdText(RegistryString(std::u16string(128, u'x'))), u"");
    EXPECT_EQ(NetCfgInstanceIdText(RegistryString(std::u16string(149, u'x'))), u"");  // 300 bytes
    EXPECT_EQ(NetCfgInstanceIdText(std::vector<uint8_t>()), u"");
}

struct DeviceCase {
    const char* name;
    FakeDevice device;
    bool kept;
    uint32_t flags;
    std::u16string pnpId;
};

TEST(SetupDevicePassTest, WhichDevicesAreKept)
{
    const DeviceCase cases[] = {
        {"PCI with memory, I/O and interrupt", Device({1, 4, 2}, u"PCI\\VEN_8086\\3&1", kGuidA), true, 0x2B, u"PCI"},
        {"PCI without allocated configuration", Device({}, u"PCI\\VEN_8086\\3&1", kGuidA), true, HID_BUS_PCI, u"PCI"},
        {"USB without resources", Device({}, u"USB\\VID_0B95&PID_1790\\1", kGuidA), false, 0, u""},
        {"only do-not-use descriptors on ROOT", Device({5, 5}, u"ROOT\\NET\\0000", kGuidA), false, 0, u""},
        {"unknown types only", Device({0, 8, 99}, u"ROOT\\NET\\0000", kGuidA), false, 0, u""},
        {"resources without ID", Device({1, 3, 6, 7}, std::nullopt, kGuidA), true,
         HID_RES_MEM | HID_RES_DMA | HID_RES_BUSNUMBER | HID_RES_MEMLARGE, u""},
        {"pci_ further on", Device({}, u"ROOT\\PCI_X\\0000", kGuidA), true, HID_BUS_PCI_ALT, u"ROOT"},
        {"VMBus", Device({}, u"VMBUS\\{f8615163}\\1", kGuidA), true, HID_BUS_VMBUS, u"VMBUS"},
        {"Xen", Device({4}, u"XENVIF\\VEN_XS0001\\0", kGuidA), true, HID_BUS_XENVIF | HID_RES_IRQ, u"XENVIF"},
    };
    for (const DeviceCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources machine;
        machine.devices = {c.device};
        CDeviceList list;
        EnumSetupDevices(list, machine.Get());
        ASSERT_EQ(list.GetCount(), c.kept ? 1u : 0u);
        // A dropped device is not read any further.
        EXPECT_EQ(machine.netCfgReads, c.kept ? 1 : 0);
        if (!c.kept)
            continue;
        EXPECT_EQ(list.GetAt(0)->m_dwFlags, c.flags);
        EXPECT_EQ(list.GetAt(0)->m_strPnpId, c.pnpId);
        EXPECT_EQ(list.GetAt(0)->m_strGuid, kGuidA);
    }
}

TEST(SetupDevicePassTest, DeviceMergesIntoTheComponentRecordWithoutRegardToCase)
{
    CFakeSources machine;
    machine.components = {Component(NCF_PHYSICAL, kGuidA, u"PCI\\VEN_8086&DEV_100E\\3&1")};
    machine.devices = {Device({1, 4, 2}, u"PCI\\VEN_8086&DEV_100E\\3&1", kGuidA)};
    CDeviceList list;
    EnumSetupDevices(list, machine.Get());
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAt(0)->m_dwFlags, 0x2Bu);
    EXPECT_EQ(list.GetAt(0)->m_strGuid, kGuidALower);  // the component's form stays
    EXPECT_EQ(list.GetAt(0)->m_strPnpId, u"PCI");
}

TEST(SetupDevicePassTest, UsbDeviceWithoutResourcesLeavesTheComponentRecordAlone)
{
    CFakeSources machine;
    machine.components = {Component(NCF_PHYSICAL, kGuidA, u"USB\\VID_0B95&PID_1790\\1")};
    machine.devices = {Device({}, u"USB\\VID_0B95&PID_1790\\1", kGuidA)};
    CDeviceList list;
    EnumSetupDevices(list, machine.Get());
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAt(0)->m_dwFlags, HID_BUS_USB);
}

TEST(SetupDevicePassTest, DevicesWithoutGuidTextShareOneRecord)
{
    CFakeSources machine;
    machine.devices = {Device({1}, u"PCI\\A\\1", std::nullopt), Device({2}, u"PCI\\B\\2", std::nullopt),
                       Device({4}, u"PCI\\C\\3", kGuidB)};
    machine.devices->push_back(Device({7}, u"ROOT\\X", std::nullopt));
    machine.devices->back().netCfg = RegistryString(std::u16string(150, u'x'));  // too long: as good as none
    CDeviceList list;
    EnumSetupDevices(list, machine.Get());
    ASSERT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetAt(0)->m_strGuid, u"");
    EXPECT_EQ(list.GetAt(0)->m_dwFlags, HID_RES_MEM | HID_RES_IO | HID_BUS_PCI | HID_RES_MEMLARGE);
    EXPECT_EQ(list.GetAt(1)->m_strGuid, kGuidB);
}

TEST(SetupDevicePassTest, NoDeviceSetSkipsTheHardwareAddressPass)
{
    CFakeSources machine;
    machine.components = {Component(NCF_PHYSICAL, kGuidA, u"PCI\\A\\1")};
    machine.devices = std::nullopt;
    machine.drivers[kGuidA] = {kMac, kMac, std::nullopt};
    CDeviceList list;
    EnumSetupDevices(list, machine.Get());
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_TRUE(machine.openedPaths.empty());
    EXPECT_EQ(list.GetAt(0)->m_strAddress, u"");
    EXPECT_FALSE(machine.setClosed);
}

TEST(SetupDevicePassTest, DeviceSetIsClosedAfterTheWalk)
{
    CFakeSources machine;
    machine.devices = {Device({1}, u"PCI\\A\\1", kGuidA)};
    CDeviceList list;
    EnumSetupDevices(list, machine.Get());
    EXPECT_TRUE(machine.setOpen);
    EXPECT_TRUE(machine.setClosed);
}

struct AddressCase {
    const char* name;
    uint32_t flags;
    bool driverOpens;
    FakeDriver driver;
    std::u16string permanent, current, address;
};

TEST(HardwareAddressPassTest, Queries)
{
    const std::vector<uint8_t> six = {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC};
    const std::vector<uint8_t> eight = {1, 2, 3, 4, 5, 6, 7, 8};
    const AddressCase cases[] = {
        {"both queries", HID_BUS_PCI, true, {six, kMac, std::nullopt}, u"001122AABBCC", u"001A2B3C4D5E",
         u"001122AABBCC"},
        {"zero flags: never opened", 0, true, {six, six, std::nullopt}, u"", u"", u"PRIOR"},
        {"cannot open", HID_BUS_PCI, false, {six, six, std::nullopt}, u"", u"", u"PRIOR"},
        {"permanent fails", HID_BUS_PCI, true, {std::nullopt, kMac, std::nullopt}, u"", u"001A2B3C4D5E", u"PRIOR"},
        {"zero bytes", HID_BUS_PCI, true, {std::vector<uint8_t>(), std::nullopt, std::nullopt}, u"", u"", u""},
        {"eight bytes", HID_BUS_PCI, true, {eight, std::nullopt, std::nullopt}, u"0102030405060708", u"",
         u"0102030405060708"},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeSources machine;
        if (c.driverOpens)
            machine.drivers[kGuidA] = c.driver;
        CDeviceList list;
        CHidDevNet record;
        record.m_strGuid = AsciiLowerCopy(kGuidA);  // device names match without regard to case
        record.m_dwFlags = c.flags;
        // An address text already there shows which cases replace it: every successful permanent-address query,
        // also one that reported no byte.
        record.m_strAddress = u"PRIOR";
        AppendRecordCopy(list, record);
        ReadHardwareAddresses(list, machine);
        EXPECT_EQ(list.GetAt(0)->m_strPermanentAddress, c.permanent);
        EXPECT_EQ(list.GetAt(0)->m_strCurrentAddress, c.current);
        EXPECT_EQ(list.GetAt(0)->m_strAddress, c.address);
        EXPECT_EQ(machine.openedPaths.size(), c.flags ? 1u : 0u);
    }
}

TEST(HardwareAddressPassTest, DevicePathAndOrder)
{
    CFakeSources machine;
    CDeviceList list;
    for (const char16_t* guid : {u"{b}", u"{a}", u""}) {
        CHidDevNet record;
        record.m_strGuid = guid;
        record.m_dwFlags = HID_BUS_PCI;
        AppendRecordCopy(list, record);
    }
    ReadHardwareAddresses(list, machine);
    const std::vector<std::u16string> expected = {u"\\\\.\\{b}", u"\\\\.\\{a}", u"\\\\.\\"};
    EXPECT_EQ(machine.openedPaths, expected);
}

TEST(HardwareAddressPassTest, OversizedByteCountIsClampedToTheBuffer)
{
    CFakeSources machine;
    machine.drivers[kGuidA] = {std::vector<uint8_t>(256, 0xAB), std::vector<uint8_t>(6, 0x01), 100000u};
    CDeviceList list;
    CHidDevNet record;
    record.m_strGuid = kGuidA;
    record.m_dwFlags = HID_BUS_PCI;
    AppendRecordCopy(list, record);
    ReadHardwareAddresses(list, machine);
    EXPECT_EQ(list.GetAt(0)->m_strPermanentAddress.size(), 512u);
    // The current-address query reported the same oversized count; the buffer still held the first answer's bytes
    // beyond the six new ones, and only the buffer's 256 bytes are read.
    EXPECT_EQ(list.GetAt(0)->m_strCurrentAddress.size(), 512u);
    EXPECT_EQ(list.GetAt(0)->m_strCurrentAddress.substr(0, 14), u"010101010101AB");
}

TEST(PassesTest, MemoryRunningOutLosesOnlyWhatCouldNotBeStored)
{
    // A component and three devices, the first of which merges into the component's record; every adapter answers
    // its driver. Memory runs out for one stretch of the passes at a time: what was being built then is missing,
    // and the passes go on with the rest.
    const std::u16string kGuidC = u"{0C0C0C0C-1111-2222-3333-444455556666}";
    CFakeSources base;
    base.components->push_back(Component(NCF_PHYSICAL, kGuidA, u"PCI\\VEN_8086"));
    base.devices->push_back(Device({1}, u"PCI\\VEN_8086\\1", kGuidA));
    base.devices->push_back(Device({1}, u"PCI\\VEN_8086\\2", kGuidB));
    base.devices->push_back(Device({1}, u"PCI\\VEN_8086\\3", kGuidC));
    for (const std::u16string& guid : {kGuidA, kGuidB, kGuidC})
        base.drivers[guid].permanent = kMac;
    const std::u16string kAddress = FormatAddressText(kMac.data(), 6);

    const struct {
        const char* name;
        ESourceCall call;  // memory runs out after this call ...
        int nth;           // ... the nth time it is answered (from 1), until the next call to a source
        std::vector<std::u16string> guids;
        std::vector<std::u16string> addresses;
    } cases[] = {
        {"plenty", ESourceCall::Components, 0, {kGuidALower, kGuidB, kGuidC}, {kAddress, kAddress, kAddress}},
        {"the component's record", ESourceCall::Components, 1, {kGuidA, kGuidB, kGuidC}, {kAddress, kAddress, kAddress}},
        {"the second device's record", ESourceCall::NetCfgInstanceId, 2, {kGuidALower, kGuidC}, {kAddress, kAddress}},
        {"the second record's addresses", ESourceCall::Driver, 2, {kGuidALower, kGuidB, kGuidC}, {kAddress, u"", kAddress}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int nCalls = 0;
        CScarceMemoryMachine machine(base, [&](ESourceCall call, const CFakeSources&) {
            return call == c.call && ++nCalls == c.nth;
        });
        CDeviceList list;
        EnumSetupDevices(list, machine.Get());
        EXPECT_EQ(machine.StopRefusing() > 0, c.nth > 0);
        std::vector<std::u16string> guids, addresses;
        for (const auto& pRecord : list) {
            guids.push_back(pRecord->m_strGuid);
            addresses.push_back(pRecord->m_strAddress);
        }
        EXPECT_EQ(guids, c.guids);
        EXPECT_EQ(addresses, c.addresses);
    }
}

}  // namespace

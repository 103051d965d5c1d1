#include <gtest/gtest.h>

#include "fake_sources.h"
#include "inventory/base_host_id.h"
#include "inventory/hid_dev_net.h"
#include "refused_allocations.h"
#include "support/make_record.h"

namespace {

std::vector<uint32_t> FlagsOf(const CDeviceList& list)
{
    std::vector<uint32_t> flags;
    for (const auto& p : list)
        flags.push_back(p->m_dwFlags);
    return flags;
}

TEST(InventoryTest, NewRecordIsEmptyAndCopiesAllSevenFields)
{
    const CHidDevNet empty;
    EXPECT_TRUE(empty.m_strGuid.empty() && empty.m_strPnpId.empty() && empty.m_strAddress.empty());
    EXPECT_TRUE(empty.m_strPermanentAddress.empty() && empty.m_strCurrentAddress.empty());
    EXPECT_FALSE(empty.m_bWireless);
    EXPECT_EQ(empty.m_dwFlags, 0u);

    CHidDevNet filled;
    filled.m_strGuid = u"{g}";
    filled.m_strPnpId = u"PCI";
    filled.m_bWireless = true;
    filled.m_strAddress = u"001122334455";
    filled.m_dwFlags = 0x2B;
    filled.m_strPermanentAddress = u"AABBCCDDEEFF";
    filled.m_strCurrentAddress = u"001122334455";

    CDeviceList list;
    ASSERT_TRUE(AppendRecordCopy(list, filled));
    const CHidDevNet& copy = *list.GetAt(0);
    EXPECT_EQ(copy.m_strGuid, filled.m_strGuid);
    EXPECT_EQ(copy.m_strPnpId, filled.m_strPnpId);
    EXPECT_TRUE(copy.m_bWireless);
    EXPECT_EQ(copy.m_strAddress, filled.m_strAddress);
    EXPECT_EQ(copy.m_dwFlags, filled.m_dwFlags);
    EXPECT_EQ(copy.m_strPermanentAddress, filled.m_strPermanentAddress);
    EXPECT_EQ(copy.m_strCurrentAddress, filled.m_strCurrentAddress);
}

TEST(InventoryTest, AddressText)
{
    const uint8_t bytes[] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xFF, 0x0A};
    EXPECT_EQ(FormatAddressText(bytes, 6), u"001A2B3C4D5E");
    EXPECT_EQ(FormatAddressText(bytes, 8), u"001A2B3C4D5EFF0A");
    EXPECT_EQ(FormatAddressText(bytes, 0), u"");
    std::u16string appended = u"00";
    AppendAddressText(appended, bytes + 6, 1);
    EXPECT_EQ(appended, u"00FF");
}

struct MergeCase {
    const char* name;
    std::vector<CHidDevNet> before;
    CHidDevNet device;
    std::vector<uint32_t> flagsAfter;
};

TEST(InventoryTest, MergeRule)
{
    const MergeCase cases[] = {
        {"equal apart from letter case: flags added, nothing appended",
         {MakeRecord(u"{6b7d3f10-aaaa-bbbb-cccc-ddddeeeeffff}", HID_BUS_PCI)},
         MakeRecord(u"{6B7D3F10-AAAA-BBBB-CCCC-DDDDEEEEFFFF}", 0x0B),
         {0x2B}},
        {"two equal records both get the flags",
         {MakeRecord(u"{a}", HID_BUS_USB), MakeRecord(u"{b}", HID_BUS_PCI), MakeRecord(u"{A}", HID_BUS_OTHER)},
         MakeRecord(u"{a}", HID_RES_IRQ),
         {HID_BUS_USB | HID_RES_IRQ, HID_BUS_PCI, HID_BUS_OTHER | HID_RES_IRQ}},
        {"no equal record: a copy is appended",
         {MakeRecord(u"{a}", HID_BUS_PCI)},
         MakeRecord(u"{b}", HID_RES_MEM),
         {HID_BUS_PCI, HID_RES_MEM}},
        {"an empty GUID text merges into an empty one",
         {MakeRecord(u"{a}", HID_BUS_PCI), MakeRecord(u"", HID_RES_MEM)},
         MakeRecord(u"", HID_RES_IO),
         {HID_BUS_PCI, HID_RES_MEM | HID_RES_IO}},
        {"an empty GUID text does not merge into a filled one",
         {MakeRecord(u"{a}", HID_BUS_PCI)},
         MakeRecord(u"", HID_RES_IO),
         {HID_BUS_PCI, HID_RES_IO}},
        {"whole texts only: a prefix is not equal",
         {MakeRecord(u"{abc}", HID_BUS_PCI)},
         MakeRecord(u"{abc", HID_RES_IO),
         {HID_BUS_PCI, HID_RES_IO}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.name);
        CDeviceList list;
        for (const CHidDevNet& record : c.before)
            AppendRecordCopy(list, record);
        MergeDeviceRecord(list, c.device);
        EXPECT_EQ(FlagsOf(list), c.flagsAfter);
    }
}

TEST(InventoryTest, MergeKeepsTheOtherFieldsOfTheExistingRecord)
{
    CDeviceList list;
    CHidDevNet existing = MakeRecord(u"{6b7d3f10-aaaa-bbbb-cccc-ddddeeeeffff}", HID_BUS_PCI);
    existing.m_strPnpId = u"PCI";
    AppendRecordCopy(list, existing);
    CHidDevNet device = MakeRecord(u"{6B7D3F10-AAAA-BBBB-CCCC-DDDDEEEEFFFF}", HID_RES_MEM);
    device.m_strPnpId = u"OTHER";
    MergeDeviceRecord(list, device);
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAt(0)->m_strPnpId, u"PCI");
    EXPECT_EQ(list.GetAt(0)->m_strGuid, u"{6b7d3f10-aaaa-bbbb-cccc-ddddeeeeffff}");
}

TEST(InventoryTest, TwoDevicesWithoutGuidText)
{
    CDeviceList list;
    MergeDeviceRecord(list, MakeRecord(u"", HID_RES_MEM));
    MergeDeviceRecord(list, MakeRecord(u"", HID_RES_IRQ | HID_BUS_PCI));
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAt(0)->m_dwFlags, HID_RES_MEM | HID_RES_IRQ | HID_BUS_PCI);
}

TEST(InventoryTest, RecordTheIndexCannotTakeStaysAndLaterMergesWalkTheList)
{
    CDeviceList list;
    list.Reserve(4);  // so that appending needs memory for the record alone
    AppendRecordCopy(list, MakeRecord(u"{a}", HID_BUS_PCI));
    std::optional<CGuidIndex> index = BuildGuidIndex(list);
    ASSERT_TRUE(index);
    // Flags noted in the index before it is dropped still reach the record.
    MergeDeviceRecord(list, index, MakeRecord(u"{A}", HID_RES_BUSNUMBER));
    {
        // Memory for the new record, none for the index to take it.
        CRefuseAllocations refuse(1);
        MergeDeviceRecord(list, index, MakeRecord(u"{b}", HID_RES_MEM));
        EXPECT_GT(refuse.GetRefused(), 0u);
    }
    EXPECT_FALSE(index);
    MergeDeviceRecord(list, index, MakeRecord(u"{B}", HID_RES_IRQ));
    MergeDeviceRecord(list, index, MakeRecord(u"{A}", HID_RES_IO));
    MergeDeviceRecord(list, index, MakeRecord(u"{c}", HID_RES_DMA));
    EXPECT_EQ(FlagsOf(list), (std::vector<uint32_t>{HID_BUS_PCI | HID_RES_BUSNUMBER | HID_RES_IO,
                                                    HID_RES_MEM | HID_RES_IRQ, HID_RES_DMA}));
}

// Merging n devices into n records that share one GUID text gives every record every device's flags, in work that
// grows with n, not with n * n (which made a snapshot of 40,000 of each take ten seconds to replay).
TEST(InventoryTest, MergesIntoRecordsSharingAGuidAreLinear)
{
    struct CSizeCase {
        size_t nRecords;
        size_t nDevices;
    };
    for (const CSizeCase c : {CSizeCase{1, 1}, CSizeCase{4000, 4000}, CSizeCase{4000, 1}, CSizeCase{1, 4000}}) {
        SCOPED_TRACE(std::to_string(c.nRecords) + " records, " + std::to_string(c.nDevices) + " devices");
        CDeviceList list;
        for (size_t i = 0; i < c.nRecords; ++i)
            AppendRecordCopy(list, MakeRecord(i % 2 ? u"{ABC}" : u"{abc}", HID_BUS_PCI));
        std::optional<CGuidIndex> index = BuildGuidIndex(list);
        ASSERT_TRUE(index);
        const size_t nStepsBefore = index->GetSteps();
        for (size_t i = 0; i < c.nDevices; ++i)
            MergeDeviceRecord(list, index, MakeRecord(u"{Abc}", i % 2 ? HID_RES_MEM : HID_RES_IRQ));
        ASSERT_TRUE(index);
        index->ApplyMergedFlags();
        // A probe or two per merge, and one walk over the records at the end.
        EXPECT_LE(index->GetSteps() - nStepsBefore, 4 * (c.nRecords + c.nDevices));
        ASSERT_EQ(list.GetCount(), c.nRecords);
        const uint32_t dwExpected = HID_BUS_PCI | HID_RES_IRQ | (c.nDevices > 1 ? HID_RES_MEM : 0);
        for (const auto& pRecord : list)
            EXPECT_EQ(pRecord->m_dwFlags, dwExpected);
        // Applying again changes nothing: the flags were applied once.
        index->ApplyMergedFlags();
        EXPECT_EQ(list.GetAt(0)->m_dwFlags, dwExpected);
    }
}

// A machine with one wired PCI adapter, reachable through all four sources.
CFakeSources OnePciMachine()
{
    CFakeSources machine;
    machine.components = {Component(NCF_PHYSICAL, u"{6B7D3F10-1111-2222-3333-444455556666}",
                                    u"PCI\\VEN_8086&DEV_100E\\3&1")};
    machine.devices = {Device({1, 4, 2}, u"PCI\\VEN_8086&DEV_100E\\3&1", u"{6B7D3F10-1111-2222-3333-444455556666}")};
    machine.drivers[u"{6B7D3F10-1111-2222-3333-444455556666}"] = {
        std::vector<uint8_t>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, std::vector<uint8_t>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
        std::nullopt};
    machine.adapters = {Adapter(u"{6B7D3F10-1111-2222-3333-444455556666}", u"Intel(R) Ethernet",
                                {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
    return machine;
}

TEST(InventoryTest, GetSelectedAdapterDeterminesOnceWhenSomethingWasChosen)
{
    CFakeSources machine = OnePciMachine();
    CBaseHostId hostId(machine.Get());
    CHidDevNet* first = hostId.GetSelectedAdapter();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(machine.tableCalls, 2);
    EXPECT_EQ(hostId.GetSelectedAdapter(), first);
    EXPECT_EQ(machine.tableCalls, 2);  // not determined again
}

TEST(InventoryTest, GetSelectedAdapterDeterminesAgainWhenNothingWasChosen)
{
    CFakeSources machine;
    machine.devices = {Device({1}, u"PCI\\X\\0", std::nullopt)};  // a record, but never an address
    CBaseHostId hostId(machine.Get());
    EXPECT_EQ(hostId.GetSelectedAdapter(), nullptr);
    EXPECT_EQ(hostId.GetDevices().GetCount(), 1u);
    EXPECT_EQ(hostId.GetSelectedAdapter(), nullptr);
    EXPECT_EQ(machine.tableCalls, 4);
}

TEST(InventoryTest, SecondDeterminationHoldsOnlyItsOwnRecords)
{
    CFakeSources machine = OnePciMachine();
    CBaseHostId hostId(machine.Get());
    ASSERT_TRUE(hostId.DetermineAdapter());
    machine.components->push_back(
        Component(NCF_PHYSICAL, u"{00000000-0000-0000-0000-000000000001}", u"USB\\VID_1&PID_2\\3"));
    ASSERT_TRUE(hostId.DetermineAdapter());
    ASSERT_EQ(hostId.GetDevices().GetCount(), 2u);
    const CHidDevNet* selected = hostId.GetSelectedAdapter();
    EXPECT_EQ(selected, hostId.GetDevices().GetAt(0).get());
    // The records were made afresh: the permanent address text was not appended a second time.
    EXPECT_EQ(selected->m_strPermanentAddress, u"001A2B3C4D5E");
}

TEST(InventoryTest, RemoveAllDevicesEmptiesTheList)
{
    CFakeSources machine = OnePciMachine();
    CBaseHostId hostId(machine.Get());
    ASSERT_TRUE(hostId.DetermineAdapter());
    hostId.RemoveAllDevices();
    EXPECT_TRUE(hostId.GetDevices().IsEmpty());
}

}  // namespace

// The determination looks records up by GUID text through an index. These tests hold it against a plain
// implementation that walks the whole list for every lookup, as the rules read, over thousands of generated machines:
// with memory to spare, and with memory running out just where the indexes are built.

#include <gtest/gtest.h>

#include <random>

#include "fake_sources.h"
#include "random_machine.h"
#include "inventory/base_host_id.h"
#include "inventory/classification.h"
#include "inventory/passes.h"
#include "scarce_memory_machine.h"
#include "support/record_match.h"

namespace {

// The device setup pass with the merge written as a walk over the whole list.
void PlainSetupDevices(CDeviceList& list, CFakeSources& machine)
{
    EnumNetCfgComponents(list, machine);
    if (!machine.OpenDeviceSet())
        return;
    for (uint32_t i = 0; machine.SelectDevice(i); ++i) {
        uint32_t flags = 0;
        for (uint32_t type : machine.GetResourceTypes())
            flags |= ResourceFlagFromType(type);
        CHidDevNet record;
        if (auto id = machine.GetInstanceId()) {
            record.m_strPnpId = *id;
            flags |= BusFlagsFromInstanceId(record.m_strPnpId);
        }
        if (!flags)
            continue;
        record.m_dwFlags = flags;
        record.m_strGuid = NetCfgInstanceIdText(machine.GetNetCfgInstanceIdData());
        bool merged = false;
        for (auto& existing : list) {
            if (EqualsNoCase(existing->m_strGuid, record.m_strGuid)) {
                existing->m_dwFlags |= flags;
                merged = true;
            }
        }
        if (!merged)
            list.AddTail(std::make_unique<CHidDevNet>(record));
    }
    machine.CloseDeviceSet();
    ReadHardwareAddresses(list, machine);
}

// The choice with the table matched and the address list searched by walking them. With bNoMemory, memory has run
// out by the time of the walk: a record whose address text would have to grow to take the table's address keeps
// what it had and is passed over as if the adapter matched nothing.
std::optional<size_t> PlainChoose(CDeviceList& list, CFakeSources& machine, bool bNoMemory = false)
{
    uint32_t size = 0;
    std::vector<CAdapterEntry> entries;
    machine.GetAdaptersAddresses(size, entries);
    entries.clear();
    if (machine.GetAdaptersAddresses(size, entries) != kAdapterTableNoError)
        entries.clear();
    std::vector<std::u16string> addresses;
    CHidDevNet *primary = nullptr, *other = nullptr, *usb = nullptr, *firstWireless = nullptr;
    for (const CAdapterEntry& entry : entries) {
        const bool allZero = std::all_of(entry.m_address, entry.m_address + 6, [](uint8_t b) { return b == 0; });
        if (entry.m_nAddressLength != 6 || allZero)
            continue;
        const std::u16string text = FormatAddressText(entry.m_address, 6);
        addresses.push_back(text);
        const bool wireless = IsWirelessDescription(entry.m_strDescription);
        CHidDevNet* record = nullptr;
        for (auto& candidate : list) {
            if (EqualsNoCase(candidate->m_strGuid, entry.m_strName.value_or(u""))) {
                record = candidate.get();
                break;
            }
        }
        if (!record || !record->m_dwFlags)
            continue;
        if (!(record->m_dwFlags & HID_BUS_USB)) {
            if (bNoMemory && record->m_strAddress.capacity() < text.size())
                continue;
            record->m_strAddress = text;
            record->m_bWireless = wireless;
        }
        if (record->m_dwFlags < HID_BUS_OTHER) {
            if (wireless && !firstWireless)
                firstWireless = record;
            else if (!primary)
                primary = record;
        } else if (record->m_dwFlags & HID_BUS_OTHER) {
            if (!other)
                other = record;
        } else if (!usb && !record->m_strAddress.empty()) {
            usb = record;
        }
    }
    CHidDevNet* selected = primary ? primary : other ? other : usb;
    if (!selected) {
        for (auto& record : list) {
            if (!record->m_dwFlags || record->m_strAddress.empty())
                continue;
            for (const std::u16string& address : addresses) {
                if (address == record->m_strAddress) {
                    selected = record.get();
                    break;
                }
            }
        }
    }
    if (!selected) {
        for (auto& record : list) {
            if (record->m_dwFlags && !record->m_strAddress.empty()) {
                selected = record.get();
                break;
            }
        }
    }
    for (size_t i = 0; i < list.GetCount(); ++i) {
        if (list.GetAt(i).get() == selected)
            return i;
    }
    return std::nullopt;
}

TEST(DeterminationPropertyTest, IndexedLookupsGiveTheSameResultsAsWalkingTheList)
{
    std::mt19937 rng(20261209);
    int chosen = 0;
    for (int round = 0; round < 5000; ++round) {
        CFakeSources forIndexed = RandomMachine(rng);
        CFakeSources forPlain = forIndexed;

        CBaseHostId hostId(forIndexed.Get());
        CChoiceTrace trace;
        hostId.DetermineAdapter(&trace);

        CDeviceList plain;
        PlainSetupDevices(plain, forPlain);
        const std::optional<size_t> plainSelected = PlainChoose(plain, forPlain);

        SCOPED_TRACE(round);
        ASSERT_EQ(trace.m_nSelected, plainSelected);
        ASSERT_EQ(hostId.GetDevices().GetCount(), plain.GetCount());
        for (size_t i = 0; i < plain.GetCount(); ++i) {
            ASSERT_TRUE(SameRecord(*hostId.GetDevices().GetAt(i), *plain.GetAt(i))) << "record " << i;
        }
        chosen += plainSelected.has_value();
    }
    // The generator must reach both outcomes often, or the comparison proves little.
    EXPECT_GT(chosen, 1000);
    EXPECT_LT(chosen, 4500);
}

TEST(DeterminationPropertyTest, IndexesThatCannotBeBuiltLoseNothingButSpeed)
{
    // Without memory for an index, the device setup pass and the choice go on by walking the list: the records and
    // the choice are those of the plain implementation, except that a record whose address text cannot grow to take
    // the table's address is passed over.
    std::mt19937 rng(20261210);
    int chosen = 0;
    for (int round = 0; round < 2000; ++round) {
        const CFakeSources generated = RandomMachine(rng);
        for (const bool bAtTable : {false, true}) {
            SCOPED_TRACE(testing::Message() << "round " << round << (bAtTable ? ", at the table" : ", at the set"));
            // The device setup pass builds its index right after opening the set, the choice right after the read.
            CScarceMemoryMachine machine(generated, [bAtTable](ESourceCall call, const CFakeSources& sources) {
                return bAtTable ? call == ESourceCall::AdapterTable && sources.tableCalls == 2
                                : call == ESourceCall::OpenDeviceSet;
            });
            CBaseHostId hostId(machine.Get());
            const bool bChosen = hostId.DetermineAdapter();
            const size_t nRefused = machine.StopRefusing();

            CFakeSources forPlain = generated;
            CDeviceList plain;
            PlainSetupDevices(plain, forPlain);
            const std::optional<size_t> plainSelected = PlainChoose(plain, forPlain, bAtTable);

            // Memory was refused whenever the index had to be built, or this proves nothing.
            const bool bIndexBuilt = bAtTable ? generated.adapters && !generated.tableGrowsBetweenCalls
                                              : generated.devices.has_value();
            ASSERT_EQ(nRefused > 0, bIndexBuilt);
            ASSERT_EQ(bChosen, plainSelected.has_value());
            ASSERT_EQ(hostId.GetDevices().GetCount(), plain.GetCount());
            for (size_t i = 0; i < plain.GetCount(); ++i) {
                ASSERT_TRUE(SameRecord(*hostId.GetDevices().GetAt(i), *plain.GetAt(i),
                                       kRecordGuid | kRecordFlags | kRecordWireless | kRecordAddress))
                    << "record " << i;
            }
            if (plainSelected) {
                ASSERT_EQ(hostId.GetSelectedAdapter(), hostId.GetDevices().GetAt(*plainSelected).get());
            }
            chosen += plainSelected.has_value();
        }
    }
    EXPECT_GT(chosen, 1000);
}

}  // namespace

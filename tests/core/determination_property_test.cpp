// The determination looks records up by GUID text through an index. This test holds it against a plain
// implementation that walks the whole list for every lookup, as the rules read, over thousands of generated machines.

#include <gtest/gtest.h>

#include <random>

#include "fake_sources.h"
#include "random_machine.h"
#include "inventory/base_host_id.h"
#include "inventory/classification.h"
#include "inventory/passes.h"

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

// The choice with the table matched and the address list searched by walking them.
std::optional<size_t> PlainChoose(CDeviceList& list, CFakeSources& machine)
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
            const CHidDevNet& a = *hostId.GetDevices().GetAt(i);
            const CHidDevNet& b = *plain.GetAt(i);
            ASSERT_EQ(a.m_strGuid, b.m_strGuid);
            ASSERT_EQ(a.m_strPnpId, b.m_strPnpId);
            ASSERT_EQ(a.m_dwFlags, b.m_dwFlags);
            ASSERT_EQ(a.m_bWireless, b.m_bWireless);
            ASSERT_EQ(a.m_strAddress, b.m_strAddress);
            ASSERT_EQ(a.m_strPermanentAddress, b.m_strPermanentAddress);
            ASSERT_EQ(a.m_strCurrentAddress, b.m_strCurrentAddress);
        }
        chosen += plainSelected.has_value();
    }
    // The generator must reach both outcomes often, or the comparison proves little.
    EXPECT_GT(chosen, 1000);
    EXPECT_LT(chosen, 4500);
}

}  // namespace

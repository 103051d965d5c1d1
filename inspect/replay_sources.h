#pragma once

// The four sources answering from a snapshot instead of the machine, exactly as the Windows calls would have.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/keyed_hash.h"
#include "common/text.h"
#include "inspect/snapshot.h"
#include "inventory/sources.h"

// The size the adapter table reports as needed in a replay: one IP_ADAPTER_ADDRESSES record (448 bytes on 64-bit
// Windows) per entry, plus its name in single bytes and its description in wide characters, each with its null.
uint32_t ReplayTableSize(const std::vector<CAdapterEntry>& entries);

// The driver name of a device path "\\.\<name>", as the hardware address pass makes it; none for another path.
std::optional<std::u16string_view> DriverNameOfPath(std::u16string_view strDevicePath);

// Where a driver entry keeps its answer to a query: the permanent or the current address; null for any other query.
template <class TDriver>
auto* DriverAnswer(TDriver& driver, uint32_t dwOid)
{
    return dwOid == OID_802_3_PERMANENT_ADDRESS ? &driver.m_permanent
                                                : dwOid == OID_802_3_CURRENT_ADDRESS ? &driver.m_current : nullptr;
}

class CReplaySources : public INetCfgSource,
                       public ISetupDeviceSource,
                       public IDriverSource,
                       public IAdapterTableSource {
public:
    explicit CReplaySources(CSnapshot snapshot);
    // The driver index holds views of the snapshot's names: a copy would point into the original.
    CReplaySources(const CReplaySources&) = delete;
    CReplaySources& operator=(const CReplaySources&) = delete;

    CInventorySources Get() { return CInventorySources{*this, *this, *this, *this}; }

    bool EnumComponents(std::vector<CNetCfgComponentInfo>& components) override;
    bool OpenDeviceSet() override;
    bool SelectDevice(uint32_t nIndex) override;
    std::vector<uint32_t> GetResourceTypes() override;
    std::optional<std::u16string> GetInstanceId() override;
    std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() override;
    void CloseDeviceSet() override;

    // Only paths "\\.\<name>" open, and only names that the snapshot lists, without regard to letter case.
    std::unique_ptr<IDriverDevice> Open(const std::u16string& strDevicePath) override;

    // With the answers of the snapshot's adapter table, the first call answers the size query's and every later
    // call the read's. Without them (format 1): adapters null, the size query answers overflow and the read fails;
    // otherwise the table answers the size it needs until it is given a buffer that large.
    uint32_t GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries) override;

private:
    const CSnapshotDevice* CurrentDevice() const;

    CSnapshot m_snapshot;
    bool m_bSetOpen = false;
    std::optional<size_t> m_nCurrentDevice;
    // Each driver by its name without regard to letter case (A to Z), as Windows finds devices: views of m_snapshot,
    // which does not change after construction. The names come from a file, so their hash is keyed per process.
    std::unordered_map<std::u16string_view, size_t, CKeyedNoCaseHash, CNoCaseEqual> m_driverIndex;
    uint32_t m_nTableCalls = 0;
};

#include "inspect/replay_sources.h"

#include <algorithm>

namespace {

// A table that cannot be read still answers the size query with the size of one record, as a machine whose table
// changes or fails between the two calls does.
constexpr uint32_t kAdapterRecordSize = 448;

class CReplayDriverDevice : public IDriverDevice {
public:
    explicit CReplayDriverDevice(const CSnapshotDriver& driver) : m_driver(driver) {}

    bool QueryOid(uint32_t dwOid, uint8_t (&buffer)[kDriverQueryBufferSize], uint32_t& nBytes) override
    {
        const std::optional<std::vector<uint8_t>>* pAnswer = DriverAnswer(m_driver, dwOid);
        if (!pAnswer || !*pAnswer)
            return false;
        // A snapshot holds at most the buffer's size; the bound is kept here as well.
        const size_t nCount = std::min<size_t>((*pAnswer)->size(), kDriverQueryBufferSize);
        std::copy_n((*pAnswer)->begin(), nCount, buffer);
        nBytes = static_cast<uint32_t>(nCount);
        return true;
    }

private:
    CSnapshotDriver m_driver;
};

}  // namespace

std::optional<std::u16string_view> DriverNameOfPath(std::u16string_view strDevicePath)
{
    constexpr std::u16string_view kPrefix = u"\\\\.\\";
    if (strDevicePath.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    return strDevicePath.substr(kPrefix.size());
}

uint32_t ReplayTableSize(const std::vector<CAdapterEntry>& entries)
{
    uint64_t nSize = 0;
    for (const CAdapterEntry& entry : entries) {
        nSize += kAdapterRecordSize + (entry.m_strName ? entry.m_strName->size() : 0) + 1 +
                 2 * ((entry.m_strDescription ? entry.m_strDescription->size() : 0) + 1);
    }
    return static_cast<uint32_t>(std::min<uint64_t>(nSize, UINT32_MAX));
}

CReplaySources::CReplaySources(CSnapshot snapshot) : m_snapshot(std::move(snapshot))
{
    // Device names do not depend on letter case. Should two names still be equal apart from it, the first one
    // answers, as a walk through the list would find it first.
    m_driverIndex.reserve(m_snapshot.m_drivers.size());
    for (size_t i = 0; i < m_snapshot.m_drivers.size(); ++i)
        m_driverIndex.emplace(m_snapshot.m_drivers[i].m_strName, i);
}

bool CReplaySources::EnumComponents(std::vector<CNetCfgComponentInfo>& components)
{
    // Every determination starts here, so the adapter table's next call is again a size query.
    m_nTableCalls = 0;
    if (!m_snapshot.m_components)
        return false;
    components = *m_snapshot.m_components;
    return true;
}

bool CReplaySources::OpenDeviceSet()
{
    m_bSetOpen = m_snapshot.m_devices.has_value();
    m_nCurrentDevice.reset();
    return m_bSetOpen;
}

bool CReplaySources::SelectDevice(uint32_t nIndex)
{
    const bool bOk = m_bSetOpen && nIndex < m_snapshot.m_devices->size();
    m_nCurrentDevice = bOk ? std::make_optional<size_t>(nIndex) : std::nullopt;
    return bOk;
}

const CSnapshotDevice* CReplaySources::CurrentDevice() const
{
    if (!m_bSetOpen || !m_nCurrentDevice)
        return nullptr;
    return &(*m_snapshot.m_devices)[*m_nCurrentDevice];
}

std::vector<uint32_t> CReplaySources::GetResourceTypes()
{
    const CSnapshotDevice* pDevice = CurrentDevice();
    std::vector<uint32_t> types;
    if (!pDevice)
        return types;
    types.reserve(pDevice->m_resourceTypes.size());
    // A type below 0 or beyond 32 bits is none the configuration manager has; it is handed on as 0 (ResType_All),
    // which sets no flag either.
    for (const CSnapshotResourceType& type : pDevice->m_resourceTypes)
        types.push_back(type.AsType().value_or(0));
    return types;
}

std::optional<std::u16string> CReplaySources::GetInstanceId()
{
    const CSnapshotDevice* pDevice = CurrentDevice();
    return pDevice ? pDevice->m_strInstanceId : std::nullopt;
}

std::optional<std::vector<uint8_t>> CReplaySources::GetNetCfgInstanceIdData()
{
    const CSnapshotDevice* pDevice = CurrentDevice();
    return pDevice ? pDevice->m_netCfgInstanceIdData : std::nullopt;
}

void CReplaySources::CloseDeviceSet()
{
    m_bSetOpen = false;
    m_nCurrentDevice.reset();
}

std::unique_ptr<IDriverDevice> CReplaySources::Open(const std::u16string& strDevicePath)
{
    const std::optional<std::u16string_view> strName = DriverNameOfPath(strDevicePath);
    const auto it = strName ? m_driverIndex.find(*strName) : m_driverIndex.end();
    if (it == m_driverIndex.end())
        return nullptr;
    return std::make_unique<CReplayDriverDevice>(m_snapshot.m_drivers[it->second]);
}

uint32_t CReplaySources::GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries)
{
    // The size the table needs: one record when it cannot be read, as a machine whose table fails between the two
    // calls reports.
    const uint32_t nNeeded = m_snapshot.m_adapters ? ReplayTableSize(*m_snapshot.m_adapters) : kAdapterRecordSize;
    const bool bSizeQuery = m_nTableCalls++ == 0;

    if (m_snapshot.m_dwTableSizeAnswer) {
        // The snapshot says what the machine answered: the first call is the size query, every later one a read.
        if (bSizeQuery) {
            if (*m_snapshot.m_dwTableSizeAnswer == kAdapterTableBufferOverflow)
                nSize = nNeeded;
            return *m_snapshot.m_dwTableSizeAnswer;
        }
        const uint32_t dwRead = ReplayTableReadAnswer(m_snapshot);
        if (dwRead == kAdapterTableNoError)
            entries = *m_snapshot.m_adapters;
        return dwRead;
    }

    // A format-1 snapshot: the table answers the size it needs until it is given a buffer that large.
    if (nSize < nNeeded) {
        nSize = nNeeded;
        return kAdapterTableBufferOverflow;
    }
    if (!m_snapshot.m_adapters)
        return kReplayTableReadFailure;
    entries = *m_snapshot.m_adapters;
    return kAdapterTableNoError;
}

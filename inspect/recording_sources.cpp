#include "inspect/recording_sources.h"

#include <algorithm>

#include "common/text.h"
#include "inspect/replay_sources.h"
#include "inventory/base_host_id.h"

// Passes the queries of one open driver device on and writes their answers into the snapshot's driver entry.
class CRecordingSources::CRecordingDriverDevice : public IDriverDevice {
public:
    CRecordingDriverDevice(std::unique_ptr<IDriverDevice> pDevice, CSnapshot& snapshot, std::optional<size_t> nDriver)
        : m_pDevice(std::move(pDevice)), m_snapshot(snapshot), m_nDriver(nDriver) {}

    bool QueryOid(uint32_t dwOid, uint8_t (&buffer)[kDriverQueryBufferSize], uint32_t& nBytes) override
    {
        const bool bOk = m_pDevice->QueryOid(dwOid, buffer, nBytes);
        if (!m_nDriver)
            return bOk;
        std::optional<std::vector<uint8_t>>* pAnswer = DriverAnswer(m_snapshot.m_drivers[*m_nDriver], dwOid);
        if (!pAnswer)
            return bOk;
        // The pass reads at most the buffer's size whatever count the driver reports; so does the record.
        if (bOk)
            *pAnswer = std::vector<uint8_t>(buffer, buffer + std::min<size_t>(nBytes, kDriverQueryBufferSize));
        else
            pAnswer->reset();
        return bOk;
    }

private:
    std::unique_ptr<IDriverDevice> m_pDevice;
    CSnapshot& m_snapshot;
    std::optional<size_t> m_nDriver;  // the entry to record into; none when an earlier opening recorded it
};

bool CRecordingSources::EnumComponents(std::vector<CNetCfgComponentInfo>& components)
{
    // Every determination starts here, so the adapter table's next call is again a size query.
    m_nTableCalls = 0;
    const bool bOk = m_sources.netCfg.EnumComponents(components);
    m_snapshot.m_components = bOk ? std::make_optional(components) : std::nullopt;
    return bOk;
}

bool CRecordingSources::OpenDeviceSet()
{
    const bool bOk = m_sources.devices.OpenDeviceSet();
    m_nCurrentDevice.reset();
    m_snapshot.m_devices = bOk ? std::make_optional<std::vector<CSnapshotDevice>>() : std::nullopt;
    return bOk;
}

bool CRecordingSources::SelectDevice(uint32_t nIndex)
{
    const bool bOk = m_sources.devices.SelectDevice(nIndex);
    m_nCurrentDevice.reset();
    if (bOk && m_snapshot.m_devices) {
        if (m_snapshot.m_devices->size() <= nIndex)
            m_snapshot.m_devices->resize(size_t(nIndex) + 1);
        m_nCurrentDevice = nIndex;
    }
    return bOk;
}

CSnapshotDevice* CRecordingSources::CurrentDevice()
{
    if (!m_nCurrentDevice || !m_snapshot.m_devices)
        return nullptr;
    return &(*m_snapshot.m_devices)[*m_nCurrentDevice];
}

std::vector<uint32_t> CRecordingSources::GetResourceTypes()
{
    std::vector<uint32_t> types = m_sources.devices.GetResourceTypes();
    if (CSnapshotDevice* pDevice = CurrentDevice())
        pDevice->m_resourceTypes.assign(types.begin(), types.end());
    return types;
}

std::optional<std::u16string> CRecordingSources::GetInstanceId()
{
    std::optional<std::u16string> strId = m_sources.devices.GetInstanceId();
    if (CSnapshotDevice* pDevice = CurrentDevice())
        pDevice->m_strInstanceId = strId;
    return strId;
}

std::optional<std::vector<uint8_t>> CRecordingSources::GetNetCfgInstanceIdData()
{
    std::optional<std::vector<uint8_t>> data = m_sources.devices.GetNetCfgInstanceIdData();
    if (CSnapshotDevice* pDevice = CurrentDevice())
        pDevice->m_netCfgInstanceIdData = data;
    return data;
}

void CRecordingSources::CloseDeviceSet()
{
    m_nCurrentDevice.reset();
    m_sources.devices.CloseDeviceSet();
}

std::unique_ptr<IDriverDevice> CRecordingSources::Open(const std::u16string& strDevicePath)
{
    std::unique_ptr<IDriverDevice> pDevice = m_sources.drivers.Open(strDevicePath);
    if (!pDevice)
        return nullptr;

    std::u16string strName(DriverNameOfPath(strDevicePath).value_or(strDevicePath));

    // Device names do not depend on letter case: a second record naming the same device opens the same entry,
    // and the answers of the first opening stand.
    std::optional<size_t> nDriver;
    const bool bKnown = std::any_of(m_snapshot.m_drivers.begin(), m_snapshot.m_drivers.end(),
                                    [&](const auto& driver) { return EqualsNoCase(driver.m_strName, strName); });
    if (!bKnown) {
        m_snapshot.m_drivers.push_back(CSnapshotDriver{std::move(strName), std::nullopt, std::nullopt});
        nDriver = m_snapshot.m_drivers.size() - 1;
    }
    return std::make_unique<CRecordingDriverDevice>(std::move(pDevice), m_snapshot, nDriver);
}

uint32_t CRecordingSources::GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries)
{
    const uint32_t dwAnswer = m_sources.adapters.GetAdaptersAddresses(nSize, entries);
    m_snapshot.m_adapters.reset();
    // The choice asks twice: the size query first, then the read.
    if (m_nTableCalls++ == 0) {
        m_snapshot.m_dwTableSizeAnswer = dwAnswer;
        m_snapshot.m_dwTableReadAnswer.reset();
        return dwAnswer;
    }
    m_snapshot.m_dwTableReadAnswer = dwAnswer;
    if (dwAnswer == kAdapterTableNoError) {
        m_snapshot.m_adapters = entries;
        // PhysicalAddress holds eight bytes; a longer length could only come from a broken source.
        for (CAdapterEntry& entry : *m_snapshot.m_adapters)
            entry.m_nAddressLength = std::min<uint32_t>(entry.m_nAddressLength, kSnapshotMaxAddressBytes);
    }
    return dwAnswer;
}

bool RecordSnapshot(const CInventorySources& sources, CSnapshot& snapshot)
{
    CRecordingSources recorder(sources);
    CBaseHostId hostId(recorder.Get());
    hostId.DetermineAdapter();
    snapshot = recorder.GetSnapshot();
    return !hostId.RanOutOfMemory();
}

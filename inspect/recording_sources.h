#pragma once

// The four live sources, each wrapped so that every answer is passed on unchanged and also written down as the
// passes ask for it. A replay of what was written asks the same questions and gets the same answers.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inspect/snapshot.h"
#include "inventory/sources.h"

class CRecordingSources : public INetCfgSource,
                          public ISetupDeviceSource,
                          public IDriverSource,
                          public IAdapterTableSource {
public:
    // The sources are borrowed and must outlive this object.
    explicit CRecordingSources(const CInventorySources& sources) : m_sources(sources) {}

    CInventorySources Get() { return CInventorySources{*this, *this, *this, *this}; }

    // What was answered so far; the computer name is left to the caller. A source that was never asked stays null,
    // as does a device's NetCfgInstanceId when the pass did not ask for it (it asks only for devices it keeps).
    const CSnapshot& GetSnapshot() const { return m_snapshot; }

    bool EnumComponents(std::vector<CNetCfgComponentInfo>& components) override;
    bool OpenDeviceSet() override;
    bool SelectDevice(uint32_t nIndex) override;
    std::vector<uint32_t> GetResourceTypes() override;
    std::optional<std::u16string> GetInstanceId() override;
    std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() override;
    void CloseDeviceSet() override;

    // A device that opens is listed under the text after "\\.\"; one that does not is left out, which is how a
    // snapshot says it cannot be opened. A second opening of the same device records nothing new.
    std::unique_ptr<IDriverDevice> Open(const std::u16string& strDevicePath) override;

    // The first call is the size query and the second the read; each records its answer, and the read its entries
    // after kAdapterTableNoError.
    uint32_t GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries) override;

private:
    class CRecordingDriverDevice;

    CSnapshotDevice* CurrentDevice();

    CInventorySources m_sources;
    CSnapshot m_snapshot;
    std::optional<size_t> m_nCurrentDevice;
    uint32_t m_nTableCalls = 0;
};

// What the sources answer to one determination, as a snapshot without a computer name. False when the
// determination ran out of memory: the recording may then lack answers the sources gave, and is no snapshot of them.
bool RecordSnapshot(const CInventorySources& sources, CSnapshot& snapshot);

#pragma once

// Made-up machines for the determination: each source is a plain struct of the answers the passes will get.

#include <algorithm>
#include <unordered_map>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "inventory/passes.h"
#include "inventory/sources.h"

struct FakeDevice {
    std::vector<uint32_t> resources;              // readable descriptor types
    std::optional<std::u16string> instanceId;     // none: the ID cannot be read
    std::optional<std::vector<uint8_t>> netCfg;   // raw NetCfgInstanceId data; none: no value
};

struct FakeDriver {
    std::optional<std::vector<uint8_t>> permanent;  // none: the query fails
    std::optional<std::vector<uint8_t>> current;
    std::optional<uint32_t> reportedCount;          // a count to report instead of the true one
};

// The NetCfgInstanceId value data of a GUID text as the registry stores a string: UTF-16LE with its null.
inline std::vector<uint8_t> RegistryString(const std::u16string& text, bool withNull = true)
{
    std::vector<uint8_t> data = RegistryStringData(text);
    if (!withNull)
        data.resize(data.size() - 2);
    return data;
}

inline CNetCfgComponentInfo Component(uint32_t characteristics, const std::u16string& guid,
                                      std::optional<std::u16string> id)
{
    CNetCfgComponentInfo info;
    info.m_dwCharacteristics = characteristics;
    ParseGuidText(guid, info.m_guidInstance);
    info.m_strId = std::move(id);
    return info;
}

inline FakeDevice Device(std::vector<uint32_t> resources, std::optional<std::u16string> instanceId,
                         std::optional<std::u16string> netCfg)
{
    FakeDevice device{std::move(resources), std::move(instanceId), std::nullopt};
    if (netCfg)
        device.netCfg = RegistryString(*netCfg);
    return device;
}

inline CAdapterEntry Adapter(std::optional<std::u16string> name, std::optional<std::u16string> description,
                             std::vector<uint8_t> address)
{
    CAdapterEntry entry;
    entry.m_strName = std::move(name);
    entry.m_strDescription = std::move(description);
    entry.m_nAddressLength = static_cast<uint32_t>(address.size());
    std::copy_n(address.begin(), std::min<size_t>(address.size(), 8), entry.m_address);
    return entry;
}

class CFakeSources : public INetCfgSource,
                     public ISetupDeviceSource,
                     public IDriverSource,
                     public IAdapterTableSource {
public:
    // none: the configuration object cannot be had.
    std::optional<std::vector<CNetCfgComponentInfo>> components = std::vector<CNetCfgComponentInfo>();
    // none: the device set cannot be had.
    std::optional<std::vector<FakeDevice>> devices = std::vector<FakeDevice>();
    // Keyed by the GUID text after "\\.\"; opened without regard to letter case, as Windows device names are.
    std::unordered_map<std::u16string, FakeDriver> drivers;
    // none: the read of the table fails.
    std::optional<std::vector<CAdapterEntry>> adapters = std::vector<CAdapterEntry>();
    uint32_t tableReadAnswer = 31;  // what a failing read answers (ERROR_GEN_FAILURE)
    bool tableGrowsBetweenCalls = false;

    // What the passes asked.
    std::vector<std::u16string> openedPaths;
    int netCfgReads = 0;
    int tableCalls = 0;
    bool setOpen = false;
    bool setClosed = false;

    CInventorySources Get() { return CInventorySources{*this, *this, *this, *this}; }

    bool EnumComponents(std::vector<CNetCfgComponentInfo>& out) override
    {
        if (!components)
            return false;
        out = *components;
        return true;
    }

    bool OpenDeviceSet() override
    {
        setOpen = devices.has_value();
        return setOpen;
    }
    bool SelectDevice(uint32_t index) override
    {
        current_ = index;
        return index < devices->size();
    }
    std::vector<uint32_t> GetResourceTypes() override { return (*devices)[current_].resources; }
    std::optional<std::u16string> GetInstanceId() override { return (*devices)[current_].instanceId; }
    std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() override
    {
        ++netCfgReads;
        return (*devices)[current_].netCfg;
    }
    void CloseDeviceSet() override { setClosed = true; }

    std::unique_ptr<IDriverDevice> Open(const std::u16string& path) override
    {
        openedPaths.push_back(path);
        const std::u16string prefix = u"\\\\.\\";
        if (path.compare(0, prefix.size(), prefix) != 0)
            return nullptr;
        const std::u16string name = path.substr(prefix.size());
        const auto exact = drivers.find(name);
        if (exact != drivers.end())
            return std::make_unique<CDevice>(&exact->second);
        for (const auto& [key, driver] : drivers) {
            if (EqualsNoCase(key, name))
                return std::make_unique<CDevice>(&driver);
        }
        return nullptr;
    }

    uint32_t GetAdaptersAddresses(uint32_t& size, std::vector<CAdapterEntry>& out) override
    {
        ++tableCalls;
        if (!adapters)
            return tableCalls == 1 ? (size = 1000, kAdapterTableBufferOverflow) : tableReadAnswer;
        const uint32_t needed = 448 + static_cast<uint32_t>(adapters->size()) * 448 +
                                (tableGrowsBetweenCalls && tableCalls > 1 ? 448 : 0);
        if (size < needed) {
            size = needed;
            return kAdapterTableBufferOverflow;
        }
        out = *adapters;
        return kAdapterTableNoError;
    }

private:
    class CDevice : public IDriverDevice {
    public:
        // The driver table outlives every determination that opens its devices.
        explicit CDevice(const FakeDriver* driver) : driver_(*driver) {}
        bool QueryOid(uint32_t oid, uint8_t (&buffer)[kDriverQueryBufferSize], uint32_t& count) override
        {
            const auto& answer = oid == OID_802_3_PERMANENT_ADDRESS ? driver_.permanent : driver_.current;
            if (!answer)
                return false;
            const size_t n = std::min<size_t>(answer->size(), kDriverQueryBufferSize);
            std::copy_n(answer->begin(), n, buffer);
            count = driver_.reportedCount.value_or(static_cast<uint32_t>(answer->size()));
            return true;
        }

    private:
        const FakeDriver& driver_;
    };

    uint32_t current_ = 0;
};

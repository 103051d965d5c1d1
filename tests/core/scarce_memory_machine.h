#pragma once

// A made-up machine whose memory runs out for the passes at chosen points. After each answer of its sources it asks
// the test whether memory is to be refused from then on; the refusal lasts until the next call to a source, or
// until StopRefusing. The sources' own answers stand for the operating system's and are made with memory as usual.

#include <functional>
#include <memory>

#include "fake_sources.h"
#include "refused_allocations.h"

enum class ESourceCall { Components, OpenDeviceSet, SelectDevice, DeviceData, NetCfgInstanceId, Driver, AdapterTable };

class CScarceMemoryMachine : public CFakeSources {
public:
    using CRefuseAfter = std::function<bool(ESourceCall, const CFakeSources&)>;

    CScarceMemoryMachine(const CFakeSources& machine, CRefuseAfter refuseAfter)
        : CFakeSources(machine), m_refuseAfter(std::move(refuseAfter))
    {
    }

    // Ends the refusal; the number of allocations refused so far.
    size_t StopRefusing()
    {
        if (m_pRefuse)
            m_nRefused += m_pRefuse->GetRefused();
        m_pRefuse.reset();
        return m_nRefused;
    }

private:
    // Each answer is made with memory as usual; whether memory runs out after it is then asked.
    template <class F>
    auto Answer(ESourceCall call, F answer)
    {
        StopRefusing();
        auto result = answer();
        if (m_refuseAfter(call, *this))
            m_pRefuse = std::make_unique<CRefuseAllocations>();
        return result;
    }

public:
    bool EnumComponents(std::vector<CNetCfgComponentInfo>& out) override
    {
        return Answer(ESourceCall::Components, [&] { return CFakeSources::EnumComponents(out); });
    }
    bool OpenDeviceSet() override
    {
        return Answer(ESourceCall::OpenDeviceSet, [&] { return CFakeSources::OpenDeviceSet(); });
    }
    bool SelectDevice(uint32_t index) override
    {
        return Answer(ESourceCall::SelectDevice, [&] { return CFakeSources::SelectDevice(index); });
    }
    std::vector<uint32_t> GetResourceTypes() override
    {
        return Answer(ESourceCall::DeviceData, [&] { return CFakeSources::GetResourceTypes(); });
    }
    std::optional<std::u16string> GetInstanceId() override
    {
        return Answer(ESourceCall::DeviceData, [&] { return CFakeSources::GetInstanceId(); });
    }
    std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() override
    {
        return Answer(ESourceCall::NetCfgInstanceId, [&] { return CFakeSources::GetNetCfgInstanceIdData(); });
    }
    std::unique_ptr<IDriverDevice> Open(const std::u16string& path) override
    {
        return Answer(ESourceCall::Driver, [&] { return CFakeSources::Open(path); });
    }
    uint32_t GetAdaptersAddresses(uint32_t& size, std::vector<CAdapterEntry>& out) override
    {
        return Answer(ESourceCall::AdapterTable, [&] { return CFakeSources::GetAdaptersAddresses(size, out); });
    }

private:
    CRefuseAfter m_refuseAfter;
    std::unique_ptr<CRefuseAllocations> m_pRefuse;
    size_t m_nRefused = 0;
};

// Throughput of the digest and the cost of a whole determination as machines grow.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <random>

#include "common/text.h"
#include "hostid/digest.h"
#include "inventory/base_host_id.h"
#include "inventory/passes.h"

namespace {

void BM_DigestKind3(benchmark::State& state)
{
    const auto size = static_cast<size_t>(state.range(0));
    std::u16string text(size, u'0');
    for (size_t i = 0; i < size; ++i)
        text[i] = u"0123456789ABCDEF-{}"[i % 19];
    for (auto _ : state)
        benchmark::DoNotOptimize(DigestText(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
BENCHMARK(BM_DigestKind3)->Arg(12)->Arg(50)->Arg(4096)->Arg(1 << 20);

// A machine of n wired PCI adapters, each with a component, a device, a driver and an adapter-table entry. The
// sources work out every answer from the adapter's number when asked, as a machine's drivers would, instead of
// holding a copy of the machine: so the figures are those of the determination, not of a stand-in's own lookups.
// GUID texts come in three letter cases (lower from the configuration, upper from the registry, mixed in the
// table) and the table in shuffled order.
class CGeneratedMachine : public INetCfgSource,
                          public ISetupDeviceSource,
                          public IDriverSource,
                          public IAdapterTableSource {
public:
    explicit CGeneratedMachine(uint32_t nAdapters) : m_nAdapters(nAdapters), m_tableOrder(nAdapters)
    {
        for (uint32_t i = 0; i < nAdapters; ++i)
            m_tableOrder[i] = i;
        std::mt19937 rng(nAdapters);
        std::shuffle(m_tableOrder.begin(), m_tableOrder.end(), rng);
    }

    CInventorySources Get() { return CInventorySources{*this, *this, *this, *this}; }

    bool EnumComponents(std::vector<CNetCfgComponentInfo>& components) override
    {
        components.reserve(m_nAdapters);
        for (uint32_t i = 0; i < m_nAdapters; ++i) {
            CNetCfgComponentInfo component;
            component.m_dwCharacteristics = NCF_PHYSICAL;
            component.m_guidInstance = Guid(i);
            component.m_strId = InstanceId(i);
            components.push_back(std::move(component));
        }
        return true;
    }

    bool OpenDeviceSet() override { return true; }
    bool SelectDevice(uint32_t nIndex) override { return (m_nCurrent = nIndex) < m_nAdapters; }
    std::vector<uint32_t> GetResourceTypes() override { return {1, 2, 4}; }
    std::optional<std::u16string> GetInstanceId() override { return InstanceId(m_nCurrent); }
    std::optional<std::vector<uint8_t>> GetNetCfgInstanceIdData() override
    {
        return RegistryStringData(AsciiUpperCopy(FormatGuidText(Guid(m_nCurrent))));
    }
    void CloseDeviceSet() override {}

    std::unique_ptr<IDriverDevice> Open(const std::u16string& strPath) override
    {
        // \\.\{GUID}: the adapter's number is in the GUID's last twelve digits.
        CGuidValue guid;
        if (strPath.size() != 42 || !ParseGuidText(std::u16string_view(strPath).substr(4), guid))
            return nullptr;
        uint32_t nAdapter = 0;
        for (int k = 4; k < 8; ++k)
            nAdapter = nAdapter << 8 | guid.Data4[k];
        return nAdapter < m_nAdapters ? std::make_unique<CDevice>(nAdapter) : nullptr;
    }

    uint32_t GetAdaptersAddresses(uint32_t& nSize, std::vector<CAdapterEntry>& entries) override
    {
        const uint32_t nNeeded = 448 * (m_nAdapters + 1);
        if (nSize < nNeeded) {
            nSize = nNeeded;
            return kAdapterTableBufferOverflow;
        }
        entries.reserve(m_nAdapters);
        for (const uint32_t i : m_tableOrder) {
            CAdapterEntry entry;
            std::u16string strName = FormatGuidText(Guid(i));
            for (size_t k = 0; k < strName.size(); k += 2)
                strName[k] = AsciiToUpper(strName[k]);
            entry.m_strName = std::move(strName);
            entry.m_strDescription = u"Intel(R) Ethernet Connection";
            entry.m_nAddressLength = 6;
            Mac(i, entry.m_address);
            entries.push_back(std::move(entry));
        }
        return kAdapterTableNoError;
    }

private:
    class CDevice : public IDriverDevice {
    public:
        explicit CDevice(uint32_t nAdapter) : m_nAdapter(nAdapter) {}
        bool QueryOid(uint32_t, uint8_t (&buffer)[kDriverQueryBufferSize], uint32_t& nBytes) override
        {
            Mac(m_nAdapter, buffer);
            nBytes = 6;
            return true;
        }

    private:
        uint32_t m_nAdapter;
    };

    static CGuidValue Guid(uint32_t i)
    {
        CGuidValue guid;
        guid.Data1 = i * 2654435761u;
        guid.Data2 = 0x1111;
        guid.Data3 = 0xAAAA;
        guid.Data4[0] = guid.Data4[1] = 0xBB;
        for (int k = 0; k < 4; ++k)
            guid.Data4[4 + k] = static_cast<uint8_t>(i >> (24 - 8 * k));
        return guid;
    }
    static std::u16string InstanceId(uint32_t i)
    {
        return u"PCI\\VEN_8086&DEV_100E\\" + AsciiToUtf16(std::to_string(i));
    }
    static void Mac(uint32_t i, uint8_t* pBytes)
    {
        const uint8_t bytes[6] = {0x02, 0x00, static_cast<uint8_t>(i >> 24), static_cast<uint8_t>(i >> 16),
                                  static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        std::copy_n(bytes, 6, pBytes);
    }

    uint32_t m_nAdapters;
    std::vector<uint32_t> m_tableOrder;
    uint32_t m_nCurrent = 0;
};

void BM_Determination(benchmark::State& state)
{
    CGeneratedMachine machine(static_cast<uint32_t>(state.range(0)));
    bool bChosen = false;
    for (auto _ : state) {
        CBaseHostId hostId(machine.Get());
        bChosen = hostId.DetermineAdapter();
        benchmark::DoNotOptimize(bChosen);
    }
    if (!bChosen)
        state.SkipWithError("the generated machine gave no host ID");
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Determination)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity();

}  // namespace

int main(int argc, char** argv)
{
    // Every determination frees all it built. glibc then gives the top of the heap back to the kernel and the next
    // one takes the page faults again, several microseconds each in a virtual machine, at sizes where glibc's own
    // thresholds happen to fall rather than in proportion to the work. The program determines once, so it pays for
    // first touching its pages once, at any size the same per page; keeping the heap here makes the figures those
    // of the determination itself.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

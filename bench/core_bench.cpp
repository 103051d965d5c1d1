// Throughput of the digest and the cost of a whole determination as machines grow.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "core/fake_sources.h"
#include "hostid/digest.h"
#include "inventory/base_host_id.h"

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

// A machine of n wired PCI adapters, each with a component, a device, a driver and an adapter-table entry. The GUID
// texts come in mixed letter case and the table in shuffled order, as a real machine would give them.
CFakeSources GeneratedMachine(size_t n)
{
    std::mt19937 rng(static_cast<unsigned>(n));
    CFakeSources machine;
    machine.components->reserve(n);
    machine.devices->reserve(n);
    machine.adapters->reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "{%08X-1111-aaaa-BBBB-%012zx}", static_cast<uint32_t>(i * 2654435761u), i);
        std::u16string guid = AsciiToUtf16(buffer);
        for (char16_t& ch : guid) {
            if (rng() & 1)
                ch = AsciiToUpper(ch);
        }
        const std::u16string id = u"PCI\\VEN_8086&DEV_100E\\" + AsciiToUtf16(std::to_string(i));
        machine.components->push_back(Component(NCF_PHYSICAL, guid, id));
        machine.devices->push_back(Device({1, 2, 4}, id, AsciiUpperCopy(guid)));
        const std::vector<uint8_t> mac = {0x02, 0x00, static_cast<uint8_t>(i >> 24), static_cast<uint8_t>(i >> 16),
                                          static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        machine.drivers[AsciiLowerCopy(guid)] = {mac, mac, std::nullopt};
        machine.adapters->push_back(Adapter(guid, u"Ethernet", mac));
    }
    std::shuffle(machine.adapters->begin(), machine.adapters->end(), rng);
    return machine;
}

void BM_Determination(benchmark::State& state)
{
    CFakeSources machine = GeneratedMachine(static_cast<size_t>(state.range(0)));
    machine.recordOpenedPaths = false;
    for (auto _ : state) {
        CBaseHostId hostId(machine.Get());
        benchmark::DoNotOptimize(hostId.DetermineAdapter());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Determination)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();

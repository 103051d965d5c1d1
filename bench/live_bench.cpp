// The whole determination over the live sources: sysfs and the ethtool query on Linux. Run it in a network
// namespace full of dummy interfaces to see how the sources scale.

#include <benchmark/benchmark.h>

#include "inventory/base_host_id.h"
#include "inventory/sources.h"

namespace {

void BM_LiveDetermination(benchmark::State& state)
{
    CLiveSources sources;
    size_t nRecords = 0;
    size_t nEntries = 0;
    for (auto _ : state) {
        CBaseHostId hostId(sources.Get());
        CChoiceTrace trace;
        benchmark::DoNotOptimize(hostId.DetermineAdapter(&trace));
        nRecords = hostId.GetDevices().GetCount();
        nEntries = trace.m_entries.size();
    }
    state.counters["records"] = static_cast<double>(nRecords);
    state.counters["entries"] = static_cast<double>(nEntries);
}
BENCHMARK(BM_LiveDetermination)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

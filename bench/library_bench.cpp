// lumohostid_get as a program calls it: through the shared library, in-process, each call reading the live sources
// afresh.

#include <lumohostid.h>

#include <benchmark/benchmark.h>

namespace {

void BM_LibraryGet(benchmark::State& state)
{
    char buffer[LUMOHOSTID_SIZE];
    int nResult = 0;
    for (auto _ : state) {
        nResult = lumohostid_get(buffer, sizeof(buffer));
        benchmark::DoNotOptimize(buffer);
    }
    if (nResult < 0)
        state.SkipWithError(lumohostid_strerror(nResult));
}
BENCHMARK(BM_LibraryGet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

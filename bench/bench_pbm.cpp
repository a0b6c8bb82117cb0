// Throughput of the PBM parser on a large character-like image, in both
// forms, reported as bytes of file parsed per second.
#include <benchmark/benchmark.h>

#include "bench_images.hpp"
#include "pbm.hpp"

namespace {

void parse(benchmark::State& state, const std::string& file)
{
    for (auto _ : state) {
        vanto::PbmResult result = vanto::parsePbm(file);
        if (!result.ok())
            state.SkipWithError(result.error.c_str());
        benchmark::DoNotOptimize(result.bitmap.pixels.data());
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
    state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(state.iterations())
            * static_cast<double>(state.range(0)) * static_cast<double>(state.range(0)),
        benchmark::Counter::kIsRate);
}

void BM_ParsePlain(benchmark::State& state)
{
    parse(state,
        vanto::formatPlainPbm(glifora::bench::ringWithBar(static_cast<int>(state.range(0)), 97)));
}

void BM_ParseRaw(benchmark::State& state)
{
    parse(state,
        vanto::formatRawPbm(glifora::bench::ringWithBar(static_cast<int>(state.range(0)), 97)));
}

} // namespace

BENCHMARK(BM_ParsePlain)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseRaw)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

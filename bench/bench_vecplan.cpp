// The parts of one VECPLAN.EXE run without the file system: the feature
// vector of images of several sizes, parsing the committed reference set,
// and ranking one vector against it.
#include <benchmark/benchmark.h>

#include "bench_images.hpp"
#include "features.hpp"
#include "refset.hpp"

#include <fstream>
#include <sstream>

namespace {

std::string committedRefset()
{
    std::ifstream in(VECPLAN_REFSET_DB, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void BM_ComputeFeatures(benchmark::State& state)
{
    const vanto::Bitmap image = glifora::bench::ringWithBar(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(vanto::vecplan::computeFeatures(image));
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_ComputeFeatures)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMicrosecond);

void BM_ParseRefset(benchmark::State& state)
{
    const std::string text = committedRefset();
    for (auto _ : state) {
        const auto parsed = vanto::vecplan::parseRefset(text, "refset.db");
        if (!parsed.ok())
            state.SkipWithError(parsed.error.c_str());
        benchmark::DoNotOptimize(parsed.references.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseRefset)->Unit(benchmark::kMicrosecond);

void BM_RankAgainstRefset(benchmark::State& state)
{
    const auto parsed = vanto::vecplan::parseRefset(committedRefset(), "refset.db");
    const auto features = vanto::vecplan::computeFeatures(glifora::bench::ringWithBar(64));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            vanto::vecplan::rankCandidates(features->values, parsed.references, 5));
    state.SetItemsProcessed(
        state.iterations() * static_cast<std::int64_t>(parsed.references.size()));
}
BENCHMARK(BM_RankAgainstRefset)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

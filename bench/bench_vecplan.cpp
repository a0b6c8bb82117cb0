// The parts of one VECPLAN.EXE run without the file system: the feature
// vector (cleaning included) of images of several sizes, parsing the
// committed reference set, ranking one vector against it, and the two
// together on a 64-pixel image, as the tool runs them. The figures of the
// code before the cleaning and the contour directions come from the same
// program built from that code; README.md gives both commands.
#include <benchmark/benchmark.h>

#include "bench_images.hpp"
#include "features.hpp"
#include "ranking.hpp"
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
    const vanto::vecplan::Ranker ranker(parsed.references);
    const auto features = vanto::vecplan::computeFeatures(glifora::bench::ringWithBar(64));
    for (auto _ : state)
        benchmark::DoNotOptimize(ranker.rank(features->values, 5));
    state.SetItemsProcessed(
        state.iterations() * static_cast<std::int64_t>(parsed.references.size()));
}
BENCHMARK(BM_RankAgainstRefset)->Unit(benchmark::kMicrosecond);

// What a run does between reading its two files: the vector of a 64-pixel
// image and its ranking against the whole reference set.
void BM_VectorAndRank64(benchmark::State& state)
{
    const auto parsed = vanto::vecplan::parseRefset(committedRefset(), "refset.db");
    const vanto::vecplan::Ranker ranker(parsed.references);
    const vanto::Bitmap image = glifora::bench::ringWithBar(64);
    for (auto _ : state) {
        const auto features = vanto::vecplan::computeFeatures(image);
        benchmark::DoNotOptimize(ranker.rank(features->values, 5));
    }
}
BENCHMARK(BM_VectorAndRank64)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

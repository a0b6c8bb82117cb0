// The parts of one VECPLAN.EXE run without the file system: the feature
// vector of images of several sizes, parsing the committed reference set,
// and ranking one vector against it.
#include <benchmark/benchmark.h>

#include "features.hpp"
#include "refset.hpp"

#include <fstream>
#include <sstream>

namespace {

// A ring with a bar across, like an "e" or a "0" with a stroke.
vanto::Bitmap ringWithBar(int size)
{
    vanto::Bitmap b;
    b.width = size;
    b.height = size;
    b.pixels.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    const double c = size / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - c, dy = y - c;
            const double r2 = dx * dx + dy * dy;
            const bool ring = r2 < 0.16 * size * size && r2 > 0.09 * size * size;
            const bool bar = y > size * 0.45 && y < size * 0.55 && x > size * 0.2 && x < size * 0.8;
            b.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(size)
                + static_cast<std::size_t>(x)]
                = ring || bar ? 1 : 0;
        }
    return b;
}

std::string committedRefset()
{
    std::ifstream in(VECPLAN_REFSET_DB, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void BM_ComputeFeatures(benchmark::State& state)
{
    const vanto::Bitmap image = ringWithBar(static_cast<int>(state.range(0)));
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
    const auto features = vanto::vecplan::computeFeatures(ringWithBar(64));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            vanto::vecplan::rankCandidates(features->values, parsed.references, 5));
    state.SetItemsProcessed(
        state.iterations() * static_cast<std::int64_t>(parsed.references.size()));
}
BENCHMARK(BM_RankAgainstRefset)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

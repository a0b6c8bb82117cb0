// Throughput of the PBM parser on a large character-like image, in both
// forms, reported as bytes of file parsed per second.
#include <benchmark/benchmark.h>

#include "pbm.hpp"

#include <random>

namespace {

// A large "character": a thick ring with a bar, plus some seeded noise, so
// the raster is neither all white nor trivially regular.
vanto::Bitmap largeCharacter(int size)
{
    vanto::Bitmap b;
    b.width = size;
    b.height = size;
    b.pixels.resize(static_cast<std::size_t>(size) * size);
    std::mt19937 random(42);
    const double c = size / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - c, dy = y - c;
            const double r2 = dx * dx + dy * dy;
            const bool ring = r2 < 0.16 * size * size && r2 > 0.09 * size * size;
            const bool bar = y > size * 0.45 && y < size * 0.55 && x > size * 0.2 && x < size * 0.8;
            const bool noise = random() % 97 == 0;
            b.pixels[static_cast<std::size_t>(y) * size + x] = (ring || bar) != noise ? 1 : 0;
        }
    return b;
}

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
    parse(state, vanto::formatPlainPbm(largeCharacter(static_cast<int>(state.range(0)))));
}

void BM_ParseRaw(benchmark::State& state)
{
    parse(state, vanto::formatRawPbm(largeCharacter(static_cast<int>(state.range(0)))));
}

} // namespace

BENCHMARK(BM_ParsePlain)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseRaw)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

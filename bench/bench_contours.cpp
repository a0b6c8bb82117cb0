// Our border following against OpenCV's findContours(RETR_CCOMP,
// CHAIN_APPROX_NONE) on the same images: one large character drawn at
// 64 x 64, 512 x 512 and 4096 x 4096. Both produce every border as a full
// point list with the holes' parents.
#include "contours.hpp"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <map>

namespace {

// A capital "A" with a rounded bowl beside it, like a character of some
// hand: thick strokes, two holes, long borders, mostly white.
vanto::Bitmap character(int size)
{
    vanto::Bitmap image;
    image.width = image.height = size;
    image.pixels.assign(static_cast<std::size_t>(size) * size, 0);
    const double s = size, thick = s * 0.06;
    auto stroke = [&](double x0, double y0, double x1, double y1) {
        const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
        const int left = static_cast<int>(std::max(0.0, std::min(x0, x1) - thick));
        const int right = static_cast<int>(std::min(s - 1, std::max(x0, x1) + thick));
        const int top = static_cast<int>(std::max(0.0, std::min(y0, y1) - thick));
        const int bottom = static_cast<int>(std::min(s - 1, std::max(y0, y1) + thick));
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                const double t = std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0);
                const double ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
                if (ex * ex + ey * ey <= thick * thick)
                    image.pixels[static_cast<std::size_t>(y) * size + x] = 1;
            }
        }
    };
    stroke(0.10 * s, 0.90 * s, 0.35 * s, 0.10 * s);
    stroke(0.35 * s, 0.10 * s, 0.60 * s, 0.90 * s);
    stroke(0.20 * s, 0.60 * s, 0.50 * s, 0.60 * s);
    // The bowl: a ring drawn as many short strokes.
    const double cx = 0.78 * s, cy = 0.70 * s, r = 0.14 * s;
    for (int k = 0; k < 48; ++k) {
        const double a0 = k * 2 * M_PI / 48, a1 = (k + 1) * 2 * M_PI / 48;
        stroke(cx + r * std::cos(a0), cy + r * std::sin(a0), cx + r * std::cos(a1),
            cy + r * std::sin(a1));
    }
    return image;
}

const vanto::Bitmap& image(int size)
{
    static std::map<int, vanto::Bitmap> cache;
    auto it = cache.find(size);
    if (it == cache.end())
        it = cache.emplace(size, character(size)).first;
    return it->second;
}

void ours(benchmark::State& state)
{
    const vanto::Bitmap& bitmap = image(static_cast<int>(state.range(0)));
    std::size_t borders = 0;
    for (auto _ : state) {
        auto found = vanto::findBorders(bitmap);
        borders = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["borders"] = static_cast<double>(borders);
}

void opencv(benchmark::State& state)
{
    const vanto::Bitmap& bitmap = image(static_cast<int>(state.range(0)));
    const cv::Mat mat(
        bitmap.height, bitmap.width, CV_8U, const_cast<std::uint8_t*>(bitmap.pixels.data()));
    std::size_t borders = 0;
    for (auto _ : state) {
        std::vector<std::vector<cv::Point>> contours;
        std::vector<cv::Vec4i> hierarchy;
        cv::findContours(mat, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_NONE);
        borders = contours.size();
        benchmark::DoNotOptimize(contours.data());
    }
    state.counters["borders"] = static_cast<double>(borders);
}

} // namespace

BENCHMARK(ours)->Name("findBorders")->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMicrosecond);
BENCHMARK(opencv)
    ->Name("cv_findContours")
    ->Arg(64)
    ->Arg(512)
    ->Arg(4096)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

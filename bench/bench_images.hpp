// Character-like images for the benchmarks, drawn in code so that every run
// measures the same pixels.
#pragma once

#include "pbm.hpp"

#include <cstddef>
#include <random>

namespace glifora::bench {

// A thick ring with a bar across, like an "e" or a "0" with a stroke. With
// noiseOneIn > 0, about one pixel in noiseOneIn is flipped (seeded, so the
// same every run), so that the raster is neither clean nor regular.
inline vanto::Bitmap ringWithBar(int size, unsigned noiseOneIn = 0)
{
    vanto::Bitmap b;
    b.width = size;
    b.height = size;
    const auto side = static_cast<std::size_t>(size);
    b.pixels.resize(side * side);
    std::mt19937 random(42);
    const double c = size / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - c, dy = y - c;
            const double r2 = dx * dx + dy * dy;
            const bool ring = r2 < 0.16 * size * size && r2 > 0.09 * size * size;
            const bool bar = y > size * 0.45 && y < size * 0.55 && x > size * 0.2 && x < size * 0.8;
            const bool noise = noiseOneIn > 0 && random() % noiseOneIn == 0;
            b.pixels[static_cast<std::size_t>(y) * side + static_cast<std::size_t>(x)]
                = (ring || bar) != noise ? 1 : 0;
        }
    return b;
}

} // namespace glifora::bench

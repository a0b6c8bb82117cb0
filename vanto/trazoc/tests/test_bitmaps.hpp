// Helpers for the image tests: bitmaps drawn by hand as rows of '#' (black)
// and '.' (white), or seeded random ones; and a check on the tools' reports.
#pragma once

#include "pbm.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::testing {

// Every fragment is in the report, each after the one before it.
inline void expectInOrder(
    const std::string& report, std::initializer_list<std::string_view> fragments)
{
    std::size_t from = 0;
    for (const std::string_view fragment : fragments) {
        const std::size_t at = report.find(fragment, from);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: \"" << fragment << "\"\n"
                                         << report;
        from = at + fragment.size();
    }
}

inline Bitmap drawn(std::initializer_list<const char*> rows)
{
    Bitmap image;
    image.height = static_cast<int>(rows.size());
    for (const char* row : rows) {
        const std::string text(row);
        image.width = static_cast<int>(text.size());
        for (char c : text)
            image.pixels.push_back(c == '#');
    }
    return image;
}

inline Bitmap blank(int width, int height)
{
    Bitmap image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return image;
}

inline void set(Bitmap& image, int x, int y, bool black = true)
{
    image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width)
        + static_cast<std::size_t>(x)]
        = black;
}

// Noise: each pixel black with the given probability (in percent).
inline Bitmap randomBitmap(std::mt19937& rng, int width, int height, int blackPercent)
{
    Bitmap image = blank(width, height);
    std::uniform_int_distribution<int> percent(0, 99);
    for (auto& p : image.pixels)
        p = percent(rng) < blackPercent;
    return image;
}

// Blotches: random filled discs and rings, closer to the shapes of
// characters than noise is (long borders, holes, thin parts).
inline Bitmap randomBlotches(std::mt19937& rng, int width, int height, int count)
{
    Bitmap image = blank(width, height);
    std::uniform_int_distribution<int> px(0, width - 1), py(0, height - 1);
    std::uniform_int_distribution<int> pr(1, std::max(2, std::min(width, height) / 4));
    std::uniform_int_distribution<int> coin(0, 2);
    for (int n = 0; n < count; ++n) {
        const int cx = px(rng), cy = py(rng), r = pr(rng), kind = coin(rng);
        for (int y = std::max(0, cy - r); y <= std::min(height - 1, cy + r); ++y) {
            for (int x = std::max(0, cx - r); x <= std::min(width - 1, cx + r); ++x) {
                const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                if (d2 > r * r)
                    continue;
                if (kind == 0)
                    set(image, x, y, true);
                else if (kind == 1 && d2 * 4 >= r * r)
                    set(image, x, y, true); // a ring
                else if (kind == 2 && d2 * 9 < r * r)
                    set(image, x, y, false); // punch a hole
            }
        }
    }
    return image;
}

} // namespace vanto::testing

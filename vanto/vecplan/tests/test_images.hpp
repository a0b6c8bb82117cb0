// Tiny hand-made images for the recogniser's tests, drawn as text: '#' is
// black, anything else white.
#pragma once

#include "pbm.hpp"

#include <initializer_list>
#include <string>
#include <string_view>

namespace vanto::vecplan::test {

inline Bitmap drawing(std::initializer_list<std::string_view> rows)
{
    Bitmap b;
    b.height = static_cast<int>(rows.size());
    b.width = static_cast<int>(rows.begin()->size());
    for (std::string_view row : rows)
        for (char c : row)
            b.pixels.push_back(c == '#' ? 1 : 0);
    return b;
}

// Every pixel repeated factor x factor times.
inline Bitmap enlarged(const Bitmap& image, int factor)
{
    Bitmap b;
    b.width = image.width * factor;
    b.height = image.height * factor;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            b.pixels.push_back(image.black(x / factor, y / factor) ? 1 : 0);
    return b;
}

inline Bitmap letterT()
{
    return drawing({
        ".......",
        ".#####.",
        "...#...",
        "...#...",
        "...#...",
        "...#...",
        ".......",
    });
}

inline Bitmap letterL()
{
    return drawing({
        "#....",
        "#....",
        "#....",
        "#....",
        "#####",
    });
}

inline Bitmap ring()
{
    return drawing({
        "#####",
        "#...#",
        "#...#",
        "#...#",
        "#####",
    });
}

// `image` with `above` white rows over it and `below` under it, as a
// character cut from a line of text.
inline Bitmap framed(const Bitmap& image, int above, int below)
{
    Bitmap b;
    b.width = image.width;
    b.height = above + image.height + below;
    b.pixels.assign(static_cast<std::size_t>(b.width) * static_cast<std::size_t>(above), 0);
    b.pixels.insert(b.pixels.end(), image.pixels.begin(), image.pixels.end());
    b.pixels.resize(static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height), 0);
    return b;
}

} // namespace vanto::vecplan::test

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

} // namespace vanto::vecplan::test

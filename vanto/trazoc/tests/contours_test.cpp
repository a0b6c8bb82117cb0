#include "contours.hpp"
#include "test_bitmaps.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <random>

namespace vanto {
namespace {

using testing::blank;
using testing::drawn;
using testing::randomBitmap;
using testing::randomBlotches;
using testing::set;

using Points = std::vector<Point>;
using Code = std::vector<std::uint8_t>;

TEST(Borders, IsolatedPixelIsOneExteriorBorderOfOnePointWithoutSteps)
{
    const auto borders = findBorders(drawn({ "...", ".#.", "..." }));
    ASSERT_EQ(borders.size(), 1u);
    EXPECT_FALSE(borders[0].hole);
    EXPECT_EQ(borders[0].parent, -1);
    EXPECT_EQ(borders[0].points, (Points { { 1, 1 } }));
    EXPECT_TRUE(chainCode(borders[0].points).empty());
    EXPECT_EQ(perimeter(chainCode(borders[0].points)), 0.0);
}

TEST(Borders, FilledRectangleRunsCounterClockwiseFromItsTopLeftPixel)
{
    const auto borders = findBorders(drawn({
        "......",
        ".####.",
        ".####.",
        ".####.",
        "......",
    }));
    ASSERT_EQ(borders.size(), 1u);
    EXPECT_EQ(borders[0].points,
        (Points { { 1, 1 }, { 1, 2 }, { 1, 3 }, { 2, 3 }, { 3, 3 }, { 4, 3 }, { 4, 2 }, { 4, 1 },
            { 3, 1 }, { 2, 1 } }));
    EXPECT_EQ(chainCode(borders[0].points), (Code { 6, 6, 0, 0, 0, 2, 2, 4, 4, 4 }));
    EXPECT_EQ(boundingBox(borders[0].points), (Box { 1, 1, 4, 3 }));
}

TEST(Borders, RingHasAnOuterBorderAndAClockwiseHoleBorder)
{
    const auto borders = findBorders(drawn({ "###", "#.#", "###" }));
    ASSERT_EQ(borders.size(), 2u);
    EXPECT_FALSE(borders[0].hole);
    EXPECT_EQ(chainCode(borders[0].points), (Code { 6, 6, 0, 0, 2, 2, 4, 4 }));
    EXPECT_TRUE(borders[1].hole);
    EXPECT_EQ(borders[1].parent, 0);
    // The hole starts at the black pixel left of the first white pixel.
    EXPECT_EQ(borders[1].points, (Points { { 0, 1 }, { 1, 0 }, { 2, 1 }, { 1, 2 } }));
    EXPECT_EQ(chainCode(borders[1].points), (Code { 1, 7, 5, 3 }));
    EXPECT_DOUBLE_EQ(perimeter(chainCode(borders[1].points)), 4 * std::sqrt(2.0));
}

TEST(Borders, DiagonalNeighboursAreOneComponentWalkedOutAndBack)
{
    const auto borders = findBorders(drawn({ "#..", ".#.", "..#" }));
    ASSERT_EQ(borders.size(), 1u);
    EXPECT_EQ(borders[0].points, (Points { { 0, 0 }, { 1, 1 }, { 2, 2 }, { 1, 1 } }));
    EXPECT_EQ(chainCode(borders[0].points), (Code { 7, 7, 3, 3 }));
}

TEST(Borders, BlackPixelsOnTheImageEdgeAreTracedAsIfFramedInWhite)
{
    const auto borders = findBorders(drawn({ "##", "##" }));
    ASSERT_EQ(borders.size(), 1u);
    EXPECT_EQ(borders[0].points, (Points { { 0, 0 }, { 0, 1 }, { 1, 1 }, { 1, 0 } }));
}

TEST(Borders, HolesNameTheOuterBorderOfTheirOwnComponentEvenInsideAnotherHole)
{
    // A frame with a hole, inside it a second ring with its own hole, and a
    // dot beside that ring.
    const auto borders = findBorders(drawn({
        "#########",
        "#.......#",
        "#.###...#",
        "#.#.#.#.#",
        "#.###...#",
        "#.......#",
        "#########",
    }));
    ASSERT_EQ(borders.size(), 5u);
    // Raster order: frame, frame's hole, inner ring, inner ring's hole, dot.
    EXPECT_FALSE(borders[0].hole);
    EXPECT_TRUE(borders[1].hole);
    EXPECT_EQ(borders[1].parent, 0);
    EXPECT_FALSE(borders[2].hole);
    EXPECT_EQ(borders[2].points.front(), (Point { 2, 2 }));
    EXPECT_TRUE(borders[3].hole);
    EXPECT_EQ(borders[3].parent, 2);
    EXPECT_FALSE(borders[4].hole);
    EXPECT_EQ(borders[4].points, (Points { { 6, 3 } }));
}

TEST(Borders, EmptyAndBlankImagesHaveNoBorders)
{
    EXPECT_TRUE(findBorders(Bitmap {}).empty());
    EXPECT_TRUE(findBorders(blank(17, 9)).empty());
}

TEST(Borders, FilledRectanglesHaveTheirPerimeter)
{
    for (int w = 1; w <= 9; ++w) {
        for (int h = 1; h <= 7; ++h) {
            Bitmap image = blank(w + 3, h + 2);
            for (int y = 1; y <= h; ++y)
                for (int x = 2; x < 2 + w; ++x)
                    set(image, x, y);
            const auto borders = findBorders(image);
            ASSERT_EQ(borders.size(), 1u) << w << "x" << h;
            // A one-pixel-wide bar is walked there and back.
            const double expected = (w == 1 || h == 1) ? 2.0 * (w + h - 2) : 2.0 * (w - 1 + h - 1);
            EXPECT_DOUBLE_EQ(perimeter(chainCode(borders[0].points)), expected) << w << "x" << h;
            EXPECT_EQ(boundingBox(borders[0].points), (Box { 2, 1, w + 1, h })) << w << "x" << h;
        }
    }
}

// The components and holes counted independently: 8-connected black
// regions, and 4-connected white regions that cannot reach the edge.
struct Census {
    int components = 0;
    int holes = 0;
};

Census census(const Bitmap& image)
{
    const int w = image.width, h = image.height;
    std::vector<int> seen(image.pixels.size(), 0);
    Census result;
    for (int start = 0; start < w * h; ++start) {
        if (seen[start])
            continue;
        const bool black = image.pixels[start] != 0;
        bool touchesEdge = false;
        std::deque<int> queue { start };
        seen[start] = 1;
        while (!queue.empty()) {
            const int i = queue.front();
            queue.pop_front();
            const int x = i % w, y = i / w;
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
                touchesEdge = true;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if ((dx == 0 && dy == 0) || (!black && dx != 0 && dy != 0))
                        continue;
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const int j = ny * w + nx;
                    if (!seen[j] && (image.pixels[j] != 0) == black) {
                        seen[j] = 1;
                        queue.push_back(j);
                    }
                }
            }
        }
        if (black)
            ++result.components;
        else if (!touchesEdge)
            ++result.holes;
    }
    return result;
}

TEST(Borders, RandomImagesKeepTheBorderInvariants)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 60; ++round) {
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 40);
        const Bitmap image = round % 2 ? randomBitmap(rng, w, h, 15 + round % 70)
                                       : randomBlotches(rng, w, h, 1 + round % 8);
        const auto borders = findBorders(image);

        const Census expected = census(image);
        int outer = 0, holes = 0;
        for (std::size_t b = 0; b < borders.size(); ++b) {
            const Border& border = borders[b];
            ASSERT_FALSE(border.points.empty());
            (border.hole ? holes : outer) += 1;
            if (border.hole) {
                ASSERT_GE(border.parent, 0);
                ASSERT_LT(border.parent, static_cast<int>(b));
                EXPECT_FALSE(borders[border.parent].hole);
            } else {
                EXPECT_EQ(border.parent, -1);
            }
            // Every border pixel is black, and start plus chain code walks
            // the border and comes back to its start.
            const Code code = chainCode(border.points);
            Point p = border.points.front();
            for (std::size_t i = 0; i < border.points.size(); ++i) {
                ASSERT_EQ(p, border.points[i]) << "round " << round << " border " << b;
                ASSERT_TRUE(image.black(p.x, p.y));
                if (!code.empty()) {
                    p.x += kChainStep[code[i]].x;
                    p.y += kChainStep[code[i]].y;
                }
            }
            EXPECT_EQ(p, border.points.front());
        }
        EXPECT_EQ(outer, expected.components) << "round " << round;
        EXPECT_EQ(holes, expected.holes) << "round " << round;
    }
}

TEST(Borders, LargeCheckerboardIsTracedWithoutRecursion)
{
    // Every black pixel touches its diagonal neighbours: one component
    // with a hole at every white pixel inside, a worst case for the count
    // of borders.
    const int n = 301;
    Bitmap image = blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            set(image, x, y, (x + y) % 2 == 0);
    const auto borders = findBorders(image);
    std::size_t holes = 0;
    for (const Border& b : borders)
        holes += b.hole;
    EXPECT_EQ(borders.size() - holes, 1u);
    EXPECT_EQ(holes, static_cast<std::size_t>((n - 2) * (n - 2) / 2));
}

} // namespace
} // namespace vanto

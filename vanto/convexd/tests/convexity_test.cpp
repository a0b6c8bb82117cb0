#include "convexity.hpp"
#include "test_bitmaps.hpp"

#include <gtest/gtest.h>

#include <random>

namespace vanto {
namespace {

using testing::blank;
using testing::drawn;
using testing::randomBitmap;
using testing::randomBlotches;
using Points = std::vector<Point>;

const Bitmap kU = drawn({
    ".......",
    ".#...#.",
    ".#...#.",
    ".#...#.",
    ".#####.",
    ".......",
});

TEST(PixelHull, UShapeHasItsFourCornersCounterClockwiseFromTheTopLeft)
{
    EXPECT_EQ(pixelHull(kU), (Points { { 1, 1 }, { 1, 4 }, { 5, 4 }, { 5, 1 } }));
}

TEST(PixelHull, DegenerateImagesGiveNoneOneOrTwoCorners)
{
    EXPECT_TRUE(pixelHull(blank(4, 4)).empty());
    EXPECT_EQ(pixelHull(drawn({ "...", ".#." })), (Points { { 1, 1 } }));
    EXPECT_EQ(pixelHull(drawn({ "#...", ".#..", "..#." })), (Points { { 0, 0 }, { 2, 2 } }));
}

TEST(RowSpans, CoverExactlyThePixelsOfATriangle)
{
    // Corners (0,0), (0,4), (4,4): row y holds x = 0..y.
    const auto spans = rowSpans({ { 0, 0 }, { 0, 4 }, { 4, 4 } }, 6);
    for (int y = 0; y <= 4; ++y) {
        EXPECT_EQ(spans[y].first, 0) << y;
        EXPECT_EQ(spans[y].last, y) << y;
    }
    EXPECT_GT(spans[5].first, spans[5].last);
    // A slanted segment passes through pixel centres only where x is whole.
    const auto segment = rowSpans({ { 0, 0 }, { 1, 2 } }, 3);
    EXPECT_EQ(segment[1].first, 0);
    EXPECT_GT(segment[1].first, segment[1].last) << "x = 0.5 is no pixel centre";
    EXPECT_EQ(segment[2].first, 1);
    EXPECT_EQ(segment[2].last, 1);
}

TEST(DeficiencyRegions, OpenSideOfAUIsABay)
{
    const auto regions = deficiencyRegions(kU, pixelHull(kU));
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_FALSE(regions[0].lake);
    EXPECT_EQ(regions[0].area, 9u);
    EXPECT_EQ(regions[0].box, (Box { 2, 1, 4, 3 }));
    EXPECT_DOUBLE_EQ(regions[0].centroidX, 3.0);
    EXPECT_DOUBLE_EQ(regions[0].centroidY, 2.0);
}

TEST(DeficiencyRegions, HoleIsALakeAndANotchIsABay)
{
    const Bitmap image = drawn({
        "######",
        "#..#.#",
        "#..###",
        "######",
        "#....#",
        "......",
    });
    const auto regions = deficiencyRegions(image, pixelHull(image));
    ASSERT_EQ(regions.size(), 3u);
    // The 2 x 2 hole, the 1-pixel hole, then the bottom gap, which lies
    // inside the hull and opens onto the white row below it.
    EXPECT_TRUE(regions[0].lake);
    EXPECT_EQ(regions[0].area, 4u);
    EXPECT_EQ(regions[0].box, (Box { 1, 1, 2, 2 }));
    EXPECT_TRUE(regions[1].lake);
    EXPECT_EQ(regions[1].area, 1u);
    EXPECT_FALSE(regions[2].lake);
    EXPECT_EQ(regions[2].area, 4u);
    EXPECT_EQ(regions[2].box, (Box { 1, 4, 4, 4 }));
    EXPECT_DOUBLE_EQ(regions[2].centroidX, 2.5);

    // Pixel by pixel the same: both holes lake, the gap bay, the rest none.
    const DeficiencyMap map = deficiencyMap(image, pixelHull(image));
    const std::string expected = "000000"
                                 "022020"
                                 "022000"
                                 "000000"
                                 "011110"
                                 "000000";
    std::string got;
    for (std::uint8_t c : map.pixels)
        got += static_cast<char>('0' + c);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(map.lakes, 2u);
    EXPECT_EQ(map.bays, 1u);
}

TEST(DeficiencyRegions, WhiteReachingTheImageEdgeIsABay)
{
    // The gap at the top is inside the hull and opens only past the edge.
    const Bitmap image = drawn({ "#.#", "###" });
    const auto regions = deficiencyRegions(image, pixelHull(image));
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_FALSE(regions[0].lake);
}

TEST(ConvexityDefects, UShapeHasOneDefectAtTheBottomOfItsOpening)
{
    const auto borders = findBorders(kU);
    ASSERT_EQ(borders.size(), 1u);
    const auto& pts = borders[0].points;
    const Defects found = convexityDefects(pts, hullIndices(pts));
    EXPECT_FALSE(found.reordered);
    ASSERT_EQ(found.defects.size(), 1u);
    const Defect& d = found.defects[0];
    EXPECT_EQ(pts[d.start].y, 1);
    EXPECT_EQ(pts[d.end].y, 1);
    EXPECT_EQ(pts[d.farthest].y, 4);
    EXPECT_DOUBLE_EQ(d.depth, 3.0);
    EXPECT_EQ(d.depth256, 768);
}

TEST(ConvexityDefects, ConvexShapesHaveNone)
{
    for (const Bitmap& image : { drawn({ "####", "####", "####" }),
             drawn({ "..#..", ".###.", "#####" }), drawn({ "#" }) }) {
        for (const Border& b : findBorders(image))
            EXPECT_TRUE(convexityDefects(b.points, hullIndices(b.points)).defects.empty());
    }
}

bool insideSpans(const std::vector<RowSpan>& spans, int x, int y)
{
    return y >= 0 && y < static_cast<int>(spans.size()) && x >= spans[y].first
        && x <= spans[y].last;
}

TEST(Convexity, RandomImagesKeepTheInvariants)
{
    std::mt19937 rng(31337);
    for (int round = 0; round < 80; ++round) {
        const int w = 1 + static_cast<int>(rng() % 50), h = 1 + static_cast<int>(rng() % 50);
        const Bitmap image = round % 2 ? randomBitmap(rng, w, h, 3 + round % 60)
                                       : randomBlotches(rng, w, h, 1 + round % 7);
        const auto hull = pixelHull(image);
        const auto spans = rowSpans(hull, h);

        // The hull turns one way only, its corners are black pixels, and it
        // holds every black pixel.
        for (std::size_t i = 0; hull.size() >= 3 && i < hull.size(); ++i) {
            const Point a = hull[i], b = hull[(i + 1) % hull.size()],
                        c = hull[(i + 2) % hull.size()];
            const long turn = static_cast<long>(b.x - a.x) * (c.y - b.y)
                - static_cast<long>(b.y - a.y) * (c.x - b.x);
            EXPECT_LT(turn, 0) << "round " << round << " corner " << i;
        }
        std::uint64_t black = 0, inside = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                inside += insideSpans(spans, x, y);
                if (image.black(x, y)) {
                    ++black;
                    ASSERT_TRUE(insideSpans(spans, x, y)) << "round " << round;
                }
            }
        }
        for (const Point& p : hull)
            EXPECT_TRUE(image.black(p.x, p.y));

        // The regions fill the white inside the hull; the lakes are exactly
        // the holes.
        std::uint64_t regionArea = 0, lakes = 0, lakeArea = 0;
        for (const auto& r : deficiencyRegions(image, hull)) {
            regionArea += r.area;
            lakeArea += r.lake ? r.area : 0;
            lakes += r.lake;
            EXPECT_GE(r.centroidX, r.box.left);
            EXPECT_LE(r.centroidX, r.box.right);
            EXPECT_GE(r.centroidY, r.box.top);
            EXPECT_LE(r.centroidY, r.box.bottom);
        }
        EXPECT_EQ(regionArea + black, inside) << "round " << round;

        // The map classes the same pixels, each region whole: no two
        // 4-neighbours of the deficiency differ in class.
        const DeficiencyMap map = deficiencyMap(image, hull);
        std::uint64_t mapped = 0, mappedLake = 0;
        for (int y = 0; y < h && !map.pixels.empty(); ++y) {
            for (int x = 0; x < w; ++x) {
                const std::uint8_t c = map.pixels[static_cast<std::size_t>(y * w + x)];
                if (c == 0)
                    continue;
                ++mapped;
                mappedLake += c == kLakePixel;
                ASSERT_TRUE(!image.black(x, y) && insideSpans(spans, x, y));
                const std::uint8_t right = x + 1 < w ? map.pixels[y * w + x + 1] : 0;
                const std::uint8_t below = y + 1 < h ? map.pixels[(y + 1) * w + x] : 0;
                EXPECT_TRUE(right == 0 || right == c) << "round " << round;
                EXPECT_TRUE(below == 0 || below == c) << "round " << round;
            }
        }
        EXPECT_EQ(mapped, regionArea);
        EXPECT_EQ(mappedLake, lakeArea);
        EXPECT_EQ(map.lakeArea, lakeArea);
        const auto borders = findBorders(image);
        std::uint64_t holes = 0;
        for (const Border& b : borders)
            holes += b.hole;
        EXPECT_EQ(lakes, holes) << "round " << round;
        EXPECT_EQ(map.lakes, lakes) << "round " << round;

        // Defects come in walk order, each deepest point between its ends,
        // every depth positive.
        for (const Border& b : borders) {
            if (b.hole)
                continue;
            const int n = static_cast<int>(b.points.size());
            const Defects found = convexityDefects(b.points, hullIndices(b.points));
            for (std::size_t k = 0; k < found.defects.size(); ++k) {
                const Defect& d = found.defects[k];
                EXPECT_GT(d.depth, 0.0);
                const int span = (d.end - d.start + n) % n, offset = (d.farthest - d.start + n) % n;
                EXPECT_GT(offset, 0);
                EXPECT_LT(offset, span == 0 ? n : span);
                if (k > 0) {
                    const int first = found.defects[0].start;
                    EXPECT_LT(
                        (found.defects[k - 1].start - first + n) % n, (d.start - first + n) % n)
                        << "round " << round;
                }
            }
        }
    }
}

} // namespace
} // namespace vanto

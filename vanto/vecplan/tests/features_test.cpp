#include "features.hpp"
#include "ranking.hpp"
#include "test_images.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

using namespace vanto::vecplan;
using vanto::vecplan::test::drawing;
using vanto::vecplan::test::enlarged;
using vanto::vecplan::test::framed;

namespace {

std::vector<int> group(const Features& f, int index)
{
    const FeatureGroup& g = kGroups[static_cast<std::size_t>(index)];
    return { f.values.begin() + g.offset, f.values.begin() + g.offset + g.count };
}

enum {
    kZoning,
    kDirection,
    kRowCrossings,
    kColumnCrossings,
    kLeft,
    kRight,
    kTop,
    kBottom,
    kShape,
    kFrame
};

// The values of every group but the frame.
std::vector<int> shapeValues(const Features& f)
{
    return { f.values.begin(), f.values.begin() + kGroups[kFrame].offset };
}

} // namespace

TEST(Features, GroupsCoverTheVectorWithoutGapsOrOverlaps)
{
    int next = 0;
    for (const FeatureGroup& g : kGroups) {
        EXPECT_EQ(g.offset, next) << g.name;
        EXPECT_GT(g.count, 0) << g.name;
        EXPECT_EQ(g.count % g.columns, 0) << g.name;
        next = g.offset + g.count;
    }
    EXPECT_EQ(next, kVectorSize);
}

TEST(Features, BlankImageHasNoCharacter)
{
    EXPECT_FALSE(computeFeatures(drawing({ "....", "....", "...." })).has_value());
    EXPECT_FALSE(computeFeatures(vanto::Bitmap {}).has_value());
}

TEST(Features, ZonesAndDirectionsAreSharesOfTheWholeCharacter)
{
    // A thin and a thick ring of one size: the zones hold shares of the
    // black and the directions shares of the outline, whatever the strokes'
    // width; the directions of both are those of a square's sides.
    vanto::Bitmap thin = enlarged(vanto::vecplan::test::ring(), 6); // strokes 6 px
    vanto::Bitmap thick = thin;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            if (x < 9 || x >= 21 || y < 9 || y >= 21)
                thick.pixels[static_cast<std::size_t>(y * 30 + x)] = 1; // strokes 9 px
    const auto a = computeFeatures(thin);
    const auto b = computeFeatures(thick);
    ASSERT_TRUE(a && b);
    for (const auto* f : { &*a, &*b }) {
        const std::vector<int> zones = group(*f, kZoning);
        const std::vector<int> directions = group(*f, kDirection);
        EXPECT_NEAR(std::accumulate(zones.begin(), zones.end(), 0), 1000, 18);
        EXPECT_NEAR(std::accumulate(directions.begin(), directions.end(), 0), 1000, 72);
        // Only the corners turn: almost everything runs straight.
        int straight = 0;
        for (std::size_t i = 0; i < directions.size(); i += kDirections)
            straight += directions[i] + directions[i + 2];
        EXPECT_GT(straight, 900);
        // The middle of the ring is white (but for what its edges lend
        // it), its corners are not.
        EXPECT_LT(4 * zones[2 * kZones + 2], zones[0]);
    }
    // Thicker strokes move the black towards the middle, but the ring's
    // sides still hold the same shares: it is symmetric either way.
    for (const auto* f : { &*a, &*b }) {
        const std::vector<int> zones = group(*f, kZoning);
        for (int r = 0; r < kZones; ++r)
            for (int c = 0; c < kZones; ++c)
                EXPECT_EQ(zones[static_cast<std::size_t>(r * kZones + c)],
                    zones[static_cast<std::size_t>(c * kZones + r)]);
    }
}

TEST(Features, DirectionsFollowTheStrokes)
{
    // A bar lying down, a bar standing up and a rising diagonal, each its
    // outline's main direction.
    const auto lying = computeFeatures(drawing({ "############", "############", "############" }));
    vanto::Bitmap diagonal;
    diagonal.width = diagonal.height = 24;
    diagonal.pixels.assign(24 * 24, 0);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            if (std::abs(x + y - 23) <= 2)
                diagonal.pixels[static_cast<std::size_t>(y * 24 + x)] = 1;
    const auto rising = computeFeatures(diagonal);
    const auto standing = computeFeatures(enlarged(drawing({ "#", "#", "#", "#" }), 3));
    ASSERT_TRUE(lying && rising && standing);
    const auto totals = [](const Features& f) {
        std::array<int, kDirections> t {};
        const std::vector<int> d = group(f, kDirection);
        for (std::size_t i = 0; i < d.size(); ++i)
            t[i % kDirections] += d[i];
        return t;
    };
    const auto main = [&](const Features& f) {
        const auto t = totals(f);
        return static_cast<int>(std::max_element(t.begin(), t.end()) - t.begin());
    };
    EXPECT_EQ(main(*lying), 0);
    EXPECT_EQ(main(*rising), 1);
    EXPECT_EQ(main(*standing), 2);
    EXPECT_GT(totals(*rising)[1], 600);
    EXPECT_LT(totals(*rising)[3], 50);
}

TEST(Features, SlightRotationAndThickerStrokesStayCloseToTheShape)
{
    // An F drawn as strokes in a 40-pixel box, upright, turned by 4 degrees
    // and with strokes a third thicker: all stay much closer to each other
    // than to an E drawn the same way.
    const auto letter = [](bool e, double degrees, double stroke) {
        vanto::Bitmap b;
        b.width = b.height = 60;
        b.pixels.assign(60 * 60, 0);
        const double c = std::cos(degrees * 3.14159265 / 180),
                     s = std::sin(degrees * 3.14159265 / 180);
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 60; ++x) {
                // Back to the upright letter's coordinates, centred on (30, 30).
                const double u = c * (x - 30) - s * (y - 30) + 30;
                const double v = s * (x - 30) + c * (y - 30) + 30;
                const bool stem = u >= 15 && u < 15 + stroke && v >= 10 && v < 50;
                const bool top = v >= 10 && v < 10 + stroke && u >= 15 && u < 45;
                const bool middle = v >= 28 && v < 28 + stroke && u >= 15 && u < 40;
                const bool bottom = e && v >= 50 - stroke && v < 50 && u >= 15 && u < 45;
                b.pixels[static_cast<std::size_t>(y * 60 + x)] = stem || top || middle || bottom;
            }
        }
        return computeFeatures(b)->values;
    };
    const FeatureVector f = letter(false, 0, 6);
    const FeatureVector e = letter(true, 0, 6);
    const long long toE = distance(f, e);
    EXPECT_LT(distance(f, letter(false, 4, 6)) * 2, toE);
    EXPECT_LT(distance(f, letter(false, -4, 6)) * 2, toE);
    EXPECT_LT(distance(f, letter(false, 0, 8)) * 2, toE);
    EXPECT_LT(distance(e, letter(true, 4, 8)) * 2, toE);
}

TEST(Features, ThinImagesOfAnyLengthStillShowTheirLine)
{
    // A line a pixel high and ten thousand long: no pixel of the square is
    // even half covered, yet the line is drawn there.
    vanto::Bitmap line;
    line.width = 10000;
    line.height = 1;
    line.pixels.assign(10000, 1);
    const auto f = computeFeatures(line);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->box.width, 10000);
    EXPECT_EQ(group(*f, kShape), std::vector<int> { 100 });
    EXPECT_EQ(group(*f, kRowCrossings), std::vector<int>(8, 10));
    const std::vector<int> zones = group(*f, kZoning);
    EXPECT_NEAR(std::accumulate(zones.begin(), zones.end(), 0), 1000, 6);
}

TEST(Features, ZoneLayoutIsTheGridTheZonesAreMeasuredIn)
{
    const vanto::Bitmap t = enlarged(drawing({
                                         ".......",
                                         ".#####.",
                                         "...#...",
                                         "...#...",
                                         ".......",
                                     }),
        2);
    EXPECT_FALSE(zoneLayout(drawing({ "...", "..." })));
    const auto layout = zoneLayout(t);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->box.left, 2);
    EXPECT_EQ(layout->box.top, 2);
    EXPECT_EQ(layout->box.width, 10);
    EXPECT_EQ(layout->box.height, 6);
    ASSERT_EQ(layout->columnEdges.size(), 7u);
    ASSERT_EQ(layout->rowEdges.size(), 7u);
    // The square's zones brought back onto the image: the longer side spans
    // the box, the shorter reaches past it, every zone of one size.
    EXPECT_DOUBLE_EQ(layout->columnEdges.front(), 2.0);
    EXPECT_DOUBLE_EQ(layout->columnEdges.back(), 12.0);
    EXPECT_LT(layout->rowEdges.front(), 2.0);
    EXPECT_GT(layout->rowEdges.back(), 8.0);
    for (int k = 1; k < 6; ++k) {
        EXPECT_NEAR(layout->columnEdges[k + 1] - layout->columnEdges[k], 10.0 / 6, 1e-9);
        EXPECT_NEAR(layout->rowEdges[k + 1] - layout->rowEdges[k],
            layout->rowEdges[1] - layout->rowEdges[0], 1e-9);
    }
    // Each zone carries the values the vector holds for it.
    const auto f = computeFeatures(t);
    ASSERT_EQ(layout->measures.size(), 36u);
    for (std::size_t i = 0; i < 36; ++i) {
        const int* d = f->values.data() + kGroups[kDirection].offset + i * kDirections;
        EXPECT_EQ(layout->measures[i].black, f->values[i]) << i;
        for (std::size_t k = 0; k < kDirections; ++k)
            EXPECT_EQ(layout->measures[i].directions[k], d[k]) << i << " direction " << k;
    }
    // The bar's zones are black, the zones beside the stem white.
    EXPECT_GT(f->values[1 * kZones + 2], 0);
    EXPECT_EQ(f->values[4 * kZones + 0], 0);
}

TEST(Features, WhiteLineInsideTheBoxCountsAsAllMargin)
{
    // An "i": the gap between dot and stem has no black pixel.
    const auto f = computeFeatures(enlarged(drawing({ "#", ".", "#", "#" }), 2));
    ASSERT_TRUE(f);
    EXPECT_EQ(group(*f, kLeft), (std::vector<int> { 0, 0, 100, 100, 0, 0, 0, 0 }));
    EXPECT_EQ(group(*f, kColumnCrossings), std::vector<int>(8, 20));
}

TEST(Features, VectorIgnoresPositionAndWholeScaling)
{
    // One part with holes of a few pixels, every one far above what the
    // cleaning removes or fills at any of the sizes below.
    const vanto::Bitmap shape = drawing({
        "#########",
        "#..#....#",
        "#..#.####",
        "####.#..#",
        "#....#..#",
        "#.####..#",
        "#.#.....#",
        "#.#.###.#",
        "###.#.#.#",
        "#...#.###",
        "#.###...#",
        "#...#####",
        "#########",
    });
    const auto base = computeFeatures(shape);
    ASSERT_TRUE(base);

    vanto::Bitmap moved;
    moved.width = 20;
    moved.height = 30;
    moved.pixels.assign(20 * 30, 0);
    for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x)
            moved.pixels[static_cast<std::size_t>((y + 11) * 20 + x + 4)]
                = shape.black(x, y) ? 1 : 0;
    const auto shifted = computeFeatures(moved);
    ASSERT_TRUE(shifted);
    EXPECT_EQ(shifted->box.left, 4);
    EXPECT_EQ(shifted->box.top, 11);
    EXPECT_EQ(shapeValues(*shifted), shapeValues(*base));
    // Only the frame follows the image: 11 rows above, 6 below, 13 high.
    EXPECT_EQ(group(*base, kFrame), std::vector<int>(4, 0));
    EXPECT_EQ(group(*shifted, kFrame), (std::vector<int> { 1, 37, 20, 43 }));

    for (int factor : { 2, 3, 5 }) {
        const auto bigger = computeFeatures(enlarged(shape, factor));
        ASSERT_TRUE(bigger);
        EXPECT_EQ(bigger->values, base->values) << "factor " << factor;
        const auto biggerMoved = computeFeatures(enlarged(moved, factor));
        ASSERT_TRUE(biggerMoved);
        EXPECT_EQ(biggerMoved->values, shifted->values) << "factor " << factor;
    }
}

TEST(Features, FrameTellsWhereTheCharacterStandsInItsLine)
{
    // A ring as an upper-case "O" (tall in its line) and as a lower-case
    // "o" (from the middle of the line to the baseline), same shape.
    const vanto::Bitmap ring = enlarged(vanto::vecplan::test::ring(), 4); // 20 px high
    const auto upper = computeFeatures(framed(ring, 6, 6));
    const auto lower = computeFeatures(framed(enlarged(vanto::vecplan::test::ring(), 2), 16, 6));
    ASSERT_TRUE(upper && lower);
    EXPECT_EQ(group(*upper, kFrame), (std::vector<int> { 1, 19, 19, 63 }));
    EXPECT_EQ(group(*lower, kFrame), (std::vector<int> { 1, 50, 19, 31 }));
    EXPECT_EQ(shapeValues(*upper), shapeValues(*lower));
}

TEST(Features, CropsAndCharactersLostInLargeImagesHaveNoFrame)
{
    const vanto::Bitmap ring = enlarged(vanto::vecplan::test::ring(), 4); // 20 px high
    struct Row {
        int above, below;
        bool hasFrame;
    };
    for (const Row& row : {
             Row { 0, 0, false }, // the box is the image
             Row { 3, 3, false }, // a margin of a few pixels, as a crop leaves
             Row { 2, 4, true }, // four pixels on one side, 4/26 of the height
             Row { 4, 4, false }, // four pixels each side, but 4/28 of the height
             Row { 4, 0, true }, // 4/24: room for ascenders or descenders
             Row { 5, 5, true }, // 5/30: padding this wide reads as a line
             Row { 30, 16, true }, // 20/66 of the height
             Row { 30, 20, false }, // 20/70: too small to tell its line
         }) {
        const auto f = computeFeatures(framed(ring, row.above, row.below));
        ASSERT_TRUE(f);
        const std::vector<int> frame = group(*f, kFrame);
        EXPECT_EQ(frame[0], row.hasFrame ? 1 : 0) << row.above << " " << row.below;
        if (!row.hasFrame) {
            EXPECT_EQ(frame, std::vector<int>(4, 0)) << row.above << " " << row.below;
        }
    }
}

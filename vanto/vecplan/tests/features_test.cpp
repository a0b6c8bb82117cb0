#include "features.hpp"
#include "test_images.hpp"

#include <gtest/gtest.h>

#include <random>
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

enum { kZoning, kRowCrossings, kColumnCrossings, kLeft, kRight, kTop, kBottom, kShape, kFrame };

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

TEST(Features, SinglePixelIsAFullBox)
{
    const auto f = computeFeatures(drawing({ ".....", "..#..", ".....", "....." }));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->box.left, 2);
    EXPECT_EQ(f->box.top, 1);
    EXPECT_EQ(f->box.width, 1);
    EXPECT_EQ(f->box.height, 1);
    EXPECT_EQ(group(*f, kZoning), std::vector<int>(kZones * kZones, 100));
    EXPECT_EQ(group(*f, kRowCrossings), std::vector<int>(8, 10));
    EXPECT_EQ(group(*f, kColumnCrossings), std::vector<int>(8, 10));
    EXPECT_EQ(group(*f, kLeft), std::vector<int>(8, 0));
    EXPECT_EQ(group(*f, kBottom), std::vector<int>(8, 0));
    EXPECT_EQ(group(*f, kShape), (std::vector<int> { 50, 100, 100 }));
    // One and two white rows are a crop, not a line.
    EXPECT_EQ(group(*f, kFrame), std::vector<int>(4, 0));
}

TEST(Features, HollowSquareSharesItsPixelsAmongZones)
{
    const auto f = computeFeatures(drawing({ "####", "#..#", "#..#", "####" }));
    ASSERT_TRUE(f);
    // Each pixel is 6/4 zone wide: pixels 0 and 1 share zone 1, pixels 2 and
    // 3 share zone 4, half and half.
    // clang-format off
    const std::vector<int> zones {
        100, 100, 100, 100, 100, 100,
        100,  75,  50,  50,  75, 100,
        100,  50,   0,   0,  50, 100,
        100,  50,   0,   0,  50, 100,
        100,  75,  50,  50,  75, 100,
        100, 100, 100, 100, 100, 100,
    };
    // clang-format on
    EXPECT_EQ(group(*f, kZoning), zones);
    // Four rows over eight bands: two bands a row; one run on the full
    // rows, two on the others.
    EXPECT_EQ(group(*f, kRowCrossings), (std::vector<int> { 10, 10, 20, 20, 20, 20, 10, 10 }));
    EXPECT_EQ(group(*f, kColumnCrossings), (std::vector<int> { 10, 10, 20, 20, 20, 20, 10, 10 }));
    EXPECT_EQ(group(*f, kRight), std::vector<int>(8, 0));
    EXPECT_EQ(group(*f, kTop), std::vector<int>(8, 0));
    // 12 black pixels in 6 runs each way: runs of 2 against a height of 4.
    EXPECT_EQ(group(*f, kShape), (std::vector<int> { 50, 50, 50 }));
}

TEST(Features, FractionalZonesOfAFiveByThreeT)
{
    const auto f = computeFeatures(drawing({
        ".......",
        ".#####.",
        "...#...",
        "...#...",
        ".......",
    }));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->box.left, 1);
    EXPECT_EQ(f->box.width, 5);
    EXPECT_EQ(f->box.height, 3);
    // Each zone is 5/6 pixel wide and 1/2 pixel high: two rows of zones for
    // the bar, four for the stem, whose pixel column (zone units 12..18)
    // covers 3/5 of zone columns 2 and 3.
    const std::vector<int> bar(6, 100);
    const std::vector<int> stem { 0, 0, 60, 60, 0, 0 };
    std::vector<int> zones;
    for (const auto* row : { &bar, &bar, &stem, &stem, &stem, &stem })
        zones.insert(zones.end(), row->begin(), row->end());
    EXPECT_EQ(group(*f, kZoning), zones);
    EXPECT_EQ(group(*f, kRowCrossings), std::vector<int>(8, 10));
    EXPECT_EQ(group(*f, kColumnCrossings), std::vector<int>(8, 10));
    // The stem rows have two white pixels of five on each side; the third
    // band takes 2/3 of the bar's row (no margin) and 1/3 of a stem row:
    // (2*0 + 1*2) / (3*5) = 13 %.
    EXPECT_EQ(group(*f, kLeft), (std::vector<int> { 0, 0, 13, 40, 40, 40, 40, 40 }));
    EXPECT_EQ(group(*f, kRight), (std::vector<int> { 0, 0, 13, 40, 40, 40, 40, 40 }));
    EXPECT_EQ(group(*f, kTop), std::vector<int>(8, 0));
    // Under the bar two rows of three are white, except below the stem; the
    // bands that hold 1/5 of a side column and 4/5 of the stem get 13 %.
    EXPECT_EQ(group(*f, kBottom), (std::vector<int> { 67, 67, 67, 13, 13, 67, 67, 67 }));
    // 5/8 wide; 7 black pixels in 3 row runs and in 5 column runs.
    EXPECT_EQ(group(*f, kShape), (std::vector<int> { 63, 78, 47 }));
}

TEST(Features, ZoneLayoutIsTheGridTheZoningIsMeasuredIn)
{
    const vanto::Bitmap t = drawing({
        ".......",
        ".#####.",
        "...#...",
        "...#...",
        ".......",
    });
    EXPECT_FALSE(zoneLayout(drawing({ "...", "..." })));
    const auto layout = zoneLayout(t);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->box.left, 1);
    EXPECT_EQ(layout->box.top, 1);
    ASSERT_EQ(layout->columnEdges.size(), 7u);
    ASSERT_EQ(layout->rowEdges.size(), 7u);
    // Five pixels over six zones, three rows over six: the grid spans the box.
    EXPECT_DOUBLE_EQ(layout->columnEdges.front(), 1.0);
    EXPECT_DOUBLE_EQ(layout->columnEdges[1], 1.0 + 5.0 / 6.0);
    EXPECT_DOUBLE_EQ(layout->columnEdges.back(), 6.0);
    EXPECT_DOUBLE_EQ(layout->rowEdges[1], 1.5);
    EXPECT_DOUBLE_EQ(layout->rowEdges.back(), 4.0);
    // Each zone's words carry the value the vector holds for it.
    const auto f = computeFeatures(t);
    ASSERT_EQ(layout->values.size(), 36u);
    for (std::size_t i = 0; i < 36; ++i)
        EXPECT_EQ(layout->values[i], std::to_string(f->values[i]) + " % de negro") << i;
}

TEST(Features, WhiteLineInsideTheBoxCountsAsAllMargin)
{
    // An "i": the gap between dot and stem has no black pixel.
    const auto f = computeFeatures(drawing({ "#", ".", "#", "#" }));
    ASSERT_TRUE(f);
    EXPECT_EQ(group(*f, kLeft), (std::vector<int> { 0, 0, 100, 100, 0, 0, 0, 0 }));
    EXPECT_EQ(group(*f, kColumnCrossings), std::vector<int>(8, 20));
}

TEST(Features, VectorIgnoresPositionAndWholeScaling)
{
    std::mt19937 random(7);
    vanto::Bitmap shape;
    shape.width = 9;
    shape.height = 13;
    for (int i = 0; i < shape.width * shape.height; ++i)
        shape.pixels.push_back(random() % 3 == 0 ? 1 : 0);
    shape.pixels.front() = shape.pixels.back() = 1; // the box is the whole image
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
TEST(Features, DistanceWeighsEachGroup)
{
    // In a frame, so that every group counts.
    const auto f = computeFeatures(framed(enlarged(vanto::vecplan::test::ring(), 4), 6, 6));
    ASSERT_TRUE(f);
    EXPECT_EQ(squaredDistance(f->values, f->values), 0);
    for (const FeatureGroup& g : kGroups) {
        FeatureVector other = f->values;
        other[static_cast<std::size_t>(g.offset + g.count - 1)] += 3;
        EXPECT_EQ(squaredDistance(f->values, other), 9LL * g.weight) << g.name;
        EXPECT_EQ(squaredDistance(other, f->values), 9LL * g.weight) << g.name;
    }
}

TEST(Features, FrameCountsOnlyWhenBothVectorsHaveOne)
{
    const vanto::Bitmap ring = enlarged(vanto::vecplan::test::ring(), 4);
    const auto upper = computeFeatures(framed(ring, 6, 6));
    const auto lower = computeFeatures(framed(enlarged(vanto::vecplan::test::ring(), 2), 16, 6));
    const auto cropped = computeFeatures(ring);
    ASSERT_TRUE(upper && lower && cropped);
    // Same shape: only the frame keeps them apart.
    const long long frameWeight = kGroups[kFrame].weight;
    EXPECT_EQ(
        squaredDistance(upper->values, lower->values), frameWeight * (31 * 31 + 0 * 0 + 32 * 32));
    EXPECT_EQ(squaredDistance(cropped->values, upper->values), 0);
    EXPECT_EQ(squaredDistance(lower->values, cropped->values), 0);
}

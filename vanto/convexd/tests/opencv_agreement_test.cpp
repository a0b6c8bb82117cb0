// Our hull and convexity defects against OpenCV's on the same borders. We
// mirror convexHull(border, hull, clockwise = false, returnPoints = false),
// the index form that convexityDefects takes, and compare defects as
// OpenCV returns them: start, end and farthest index, depth in 1/256 pixel.
#include "convexity.hpp"
#include "test_bitmaps.hpp"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <random>

namespace vanto {
namespace {

using testing::randomBitmap;
using testing::randomBlotches;

struct Tally {
    int borders = 0;
    int defects = 0;
    int refusedByOpenCV = 0;
};

void expectAgreement(const Bitmap& image, const std::string& what, Tally& tally)
{
    for (const Border& border : findBorders(image)) {
        if (border.hole)
            continue;
        std::vector<cv::Point> pts;
        for (const Point& p : border.points)
            pts.emplace_back(p.x, p.y);
        std::vector<int> theirHull;
        cv::convexHull(pts, theirHull, false, false);
        const std::vector<int> ourHull = hullIndices(border.points);
        ASSERT_EQ(ourHull, theirHull) << what;

        ++tally.borders;
        const Defects ours = convexityDefects(border.points, ourHull);
        std::vector<cv::Vec4i> theirs;
        try {
            if (pts.size() > 3 && theirHull.size() > 2)
                cv::convexityDefects(pts, theirHull, theirs);
        } catch (const cv::Exception&) {
            // Hull indices that do not run one way round: OpenCV refuses,
            // we take them in ascending order.
            ++tally.refusedByOpenCV;
            EXPECT_TRUE(ours.reordered) << what;
            continue;
        }
        EXPECT_FALSE(ours.reordered) << what;
        ASSERT_EQ(ours.defects.size(), theirs.size()) << what;
        for (std::size_t i = 0; i < theirs.size(); ++i) {
            EXPECT_EQ(ours.defects[i].start, theirs[i][0]) << what << ", defect " << i;
            EXPECT_EQ(ours.defects[i].end, theirs[i][1]) << what << ", defect " << i;
            EXPECT_EQ(ours.defects[i].farthest, theirs[i][2]) << what << ", defect " << i;
            EXPECT_EQ(ours.defects[i].depth256, theirs[i][3]) << what << ", defect " << i;
        }
        tally.defects += static_cast<int>(theirs.size());
    }
}

TEST(ConvexityAgainstOpenCV, HullsAndDefectsOfSeededImagesAgree)
{
    std::mt19937 rng(2026);
    Tally tally;
    for (int round = 0; round < 150; ++round) {
        const int w = 2 + static_cast<int>(rng() % 80), h = 2 + static_cast<int>(rng() % 80);
        const Bitmap image = round % 3 == 0 ? randomBitmap(rng, w, h, 10 + round % 80)
                                            : randomBlotches(rng, w, h, 1 + round % 12);
        expectAgreement(image, "round " + std::to_string(round), tally);
    }
    // The comparison must have had something to compare.
    EXPECT_GT(tally.borders, 1000);
    EXPECT_GT(tally.defects, 500);
    std::cout << tally.borders << " borders, " << tally.defects << " defects, "
              << tally.refusedByOpenCV << " borders OpenCV refused\n";
}

TEST(ConvexityAgainstOpenCV, HullOfTheBlackPixelsHasOpenCVsCorners)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 100; ++round) {
        const int w = 1 + static_cast<int>(rng() % 60), h = 1 + static_cast<int>(rng() % 60);
        const Bitmap image = round % 2 ? randomBitmap(rng, w, h, 1 + round % 30)
                                       : randomBlotches(rng, w, h, 1 + round % 5);
        std::vector<cv::Point> black;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (image.black(x, y))
                    black.emplace_back(x, y);
        const std::vector<Point> ours = pixelHull(image);
        if (black.empty()) {
            EXPECT_TRUE(ours.empty());
            continue;
        }
        std::vector<cv::Point> theirs;
        cv::convexHull(black, theirs);
        auto less = [](const cv::Point& a, const cv::Point& b) {
            return a.x != b.x ? a.x < b.x : a.y < b.y;
        };
        std::vector<cv::Point> mine;
        for (const Point& p : ours)
            mine.emplace_back(p.x, p.y);
        std::sort(mine.begin(), mine.end(), less);
        std::sort(theirs.begin(), theirs.end(), less);
        EXPECT_EQ(mine, theirs) << "round " << round;
    }
}

} // namespace
} // namespace vanto

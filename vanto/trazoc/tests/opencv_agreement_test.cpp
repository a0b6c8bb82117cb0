// Our border following against OpenCV's findContours(RETR_CCOMP,
// CHAIN_APPROX_NONE) on the same images, point for point.
//
// OpenCV's conventions, as mirrored here: it frames the image in one pixel
// of white and reports coordinates of the original image, as we do; the
// points of each border start at the same pixel and run the same way. Only
// the order of the borders differs: OpenCV files every new border at the
// head of its parent's list, so it returns the outer borders last found
// first, each followed by its holes, again last found first, and its
// hierarchy row i is {next, previous, first child, parent}.
#include "contours.hpp"
#include "test_bitmaps.hpp"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <random>

namespace vanto {
namespace {

using testing::randomBitmap;
using testing::randomBlotches;

// Our discovery indices in the order OpenCV lists the same borders.
std::vector<int> opencvOrder(const std::vector<Border>& borders)
{
    std::vector<int> order;
    for (int b = static_cast<int>(borders.size()) - 1; b >= 0; --b) {
        if (borders[b].hole)
            continue;
        order.push_back(b);
        for (int h = static_cast<int>(borders.size()) - 1; h > b; --h) {
            if (borders[h].hole && borders[h].parent == b)
                order.push_back(h);
        }
    }
    return order;
}

void expectAgreement(const Bitmap& image, const std::string& what)
{
    cv::Mat mat(image.height, image.width, CV_8U);
    std::copy(image.pixels.begin(), image.pixels.end(), mat.data);
    std::vector<std::vector<cv::Point>> theirs;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(mat, theirs, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_NONE);

    const auto ours = findBorders(image);
    const auto order = opencvOrder(ours);
    ASSERT_EQ(order.size(), ours.size()) << what << ": a hole without its outer border";
    ASSERT_EQ(ours.size(), theirs.size()) << what;

    std::vector<int> positionOf(ours.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        positionOf[order[i]] = static_cast<int>(i);

    for (std::size_t i = 0; i < order.size(); ++i) {
        const Border& border = ours[order[i]];
        const int theirParent = hierarchy[i][3];
        ASSERT_EQ(border.hole, theirParent >= 0) << what << ", border " << i;
        if (border.hole) {
            ASSERT_EQ(positionOf[border.parent], theirParent) << what << ", border " << i;
        }
        ASSERT_EQ(border.points.size(), theirs[i].size()) << what << ", border " << i;
        for (std::size_t k = 0; k < border.points.size(); ++k) {
            ASSERT_EQ(border.points[k].x, theirs[i][k].x)
                << what << ", border " << i << " point " << k;
            ASSERT_EQ(border.points[k].y, theirs[i][k].y)
                << what << ", border " << i << " point " << k;
        }
    }
}

TEST(BordersAgainstOpenCV, HandDrawnShapesAgree)
{
    expectAgreement(testing::drawn({ "#" }), "single pixel image");
    expectAgreement(testing::drawn({ "###", "#.#", "###" }), "ring");
    expectAgreement(testing::drawn({ "#.#", ".#.", "#.#" }), "cross of diagonals");
    expectAgreement(testing::drawn({
                        "#########",
                        "#.......#",
                        "#.###...#",
                        "#.#.#.#.#",
                        "#.###...#",
                        "#.......#",
                        "#########",
                    }),
        "nested rings");
}

TEST(BordersAgainstOpenCV, SeededNoiseAgreesPointForPoint)
{
    std::mt19937 rng(1985);
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + static_cast<int>(rng() % 48), h = 1 + static_cast<int>(rng() % 48);
        expectAgreement(
            randomBitmap(rng, w, h, 5 + round % 90), "noise round " + std::to_string(round));
    }
}

TEST(BordersAgainstOpenCV, SeededBlotchesAgreePointForPoint)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 100; ++round) {
        const int w = 8 + static_cast<int>(rng() % 120), h = 8 + static_cast<int>(rng() % 120);
        expectAgreement(
            randomBlotches(rng, w, h, 1 + round % 25), "blotches round " + std::to_string(round));
    }
}

TEST(BordersAgainstOpenCV, ManyBordersBeyondOpenCVsSmallLabelsAgree)
{
    // OpenCV labels borders in a signed byte and reuses the labels after
    // 125 borders; the parents must still come out the same.
    std::mt19937 rng(42);
    expectAgreement(randomBitmap(rng, 300, 200, 55), "dense noise, thousands of borders");
    expectAgreement(randomBlotches(rng, 400, 400, 300), "many blotches");
}

} // namespace
} // namespace vanto

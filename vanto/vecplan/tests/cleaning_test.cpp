#include "cleaning.hpp"
#include "features.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>

using namespace vanto::vecplan;

namespace {

struct Rect {
    int left, top, width, height;
};

// A white image with black rectangles.
vanto::Bitmap painted(int width, int height, std::initializer_list<Rect> rects)
{
    vanto::Bitmap b;
    b.width = width;
    b.height = height;
    b.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (const Rect& r : rects)
        for (int y = r.top; y < r.top + r.height; ++y)
            for (int x = r.left; x < r.left + r.width; ++x)
                b.pixels[static_cast<std::size_t>(y * width + x)] = 1;
    return b;
}

// A capital E, 24 x 36 pixels, strokes 5 wide, at (10, 10) of a 60 x 60 image.
vanto::Bitmap capitalE(std::initializer_list<Rect> more = {})
{
    vanto::Bitmap b = painted(
        60, 60, { { 10, 10, 5, 36 }, { 10, 10, 24, 5 }, { 10, 25, 20, 5 }, { 10, 41, 24, 5 } });
    for (const Rect& r : more)
        for (int y = r.top; y < r.top + r.height; ++y)
            for (int x = r.left; x < r.left + r.width; ++x)
                b.pixels[static_cast<std::size_t>(y * 60 + x)] = 1;
    return b;
}

void expectBox(const CleanCharacter& c, int left, int top, int width, int height)
{
    EXPECT_EQ(c.left, left);
    EXPECT_EQ(c.top, top);
    EXPECT_EQ(c.pixels.width, width);
    EXPECT_EQ(c.pixels.height, height);
}

} // namespace

TEST(Cleaning, SpeckFarFromTheCharacterIsRemovedAndTheVectorIsTheCleanOne)
{
    const auto clean = computeFeatures(capitalE());
    // The speck that used to stretch the box over the whole image.
    const auto specked = computeFeatures(capitalE({ { 56, 56, 2, 2 } }));
    ASSERT_TRUE(clean && specked);
    EXPECT_EQ(specked->values, clean->values);
    EXPECT_EQ(specked->box.width, 24);
    EXPECT_EQ(specked->cleaning.specks, 1);
    EXPECT_EQ(specked->cleaning.speckPixels, 4);
    EXPECT_EQ(clean->cleaning.specks, 0);
}

TEST(Cleaning, PartsThatBelongToTheCharacterStay)
{
    struct Row {
        const char* what;
        vanto::Bitmap image;
        Rect box;
    };
    const Row rows[] = {
        // Stem 5 x 24, dot 5 x 5 three pixels above it.
        { "dot of i", painted(40, 50, { { 10, 10, 5, 5 }, { 10, 18, 5, 24 } }), { 10, 10, 5, 32 } },
        // An n of two stems and an arch, a tilde of 12 x 3 above.
        { "tilde of ñ",
            painted(50, 50,
                { { 12, 8, 12, 3 }, { 10, 14, 4, 20 }, { 10, 14, 16, 4 }, { 22, 14, 4, 20 } }),
            { 10, 8, 16, 26 } },
        // Two dots of one size, far apart for their size.
        { "colon", painted(30, 60, { { 10, 10, 6, 6 }, { 10, 40, 6, 6 } }), { 10, 10, 6, 36 } },
        // An H whose bar does not reach the right stem.
        { "broken H", painted(50, 50, { { 10, 10, 5, 30 }, { 10, 22, 16, 5 }, { 28, 10, 5, 30 } }),
            { 10, 10, 23, 30 } },
    };
    for (const Row& row : rows) {
        Cleaning cleaning;
        const auto c = cleanCharacter(row.image, &cleaning);
        ASSERT_TRUE(c) << row.what;
        SCOPED_TRACE(row.what);
        expectBox(*c, row.box.left, row.box.top, row.box.width, row.box.height);
        EXPECT_EQ(cleaning.specks, 0);
    }
}

TEST(Cleaning, PinHolesAreFilledAndRealHolesKept)
{
    // A ring 30 x 30, strokes 6 wide, with one white pixel in its left
    // stroke and two in its top stroke.
    vanto::Bitmap ring
        = painted(40, 40, { { 5, 5, 30, 6 }, { 5, 29, 30, 6 }, { 5, 5, 6, 30 }, { 29, 5, 6, 30 } });
    ring.pixels[static_cast<std::size_t>(20 * 40 + 7)] = 0;
    ring.pixels[static_cast<std::size_t>(7 * 40 + 20)] = 0;
    ring.pixels[static_cast<std::size_t>(7 * 40 + 21)] = 0;
    const auto c = cleanCharacter(ring);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->cleaning.holes, 2);
    EXPECT_EQ(c->cleaning.holePixels, 3);
    const auto at = [&](int x, int y) {
        return c->pixels
            .pixels[static_cast<std::size_t>((y - c->top) * c->pixels.width + x - c->left)];
    };
    EXPECT_EQ(at(7, 20), 1);
    EXPECT_EQ(at(21, 7), 1);
    EXPECT_EQ(at(20, 20), 0) << "the ring's own hole stays";
}

TEST(Cleaning, ImageOfNothingButSpecksHasNoCharacter)
{
    // Salt and pepper on white paper, and one 3 x 3 blot.
    vanto::Bitmap noise = painted(64, 64, { { 40, 40, 3, 3 } });
    std::mt19937 random(11);
    int dots = 0;
    for (std::uint8_t& p : noise.pixels)
        if (random() % 100 < 2 && p == 0) {
            p = 1;
            ++dots;
        }
    Cleaning cleaning;
    EXPECT_FALSE(cleanCharacter(noise, &cleaning));
    EXPECT_GT(cleaning.specks, 10);
    EXPECT_EQ(cleaning.speckPixels, dots + 9);
    EXPECT_FALSE(computeFeatures(noise));
}

TEST(Cleaning, CharacterInSaltAndPepperKeepsItsBox)
{
    vanto::Bitmap noisy = capitalE();
    std::mt19937 random(5);
    for (std::uint8_t& p : noisy.pixels)
        if (random() % 1000 < 15)
            p = p ? 0 : 1;
    const auto f = computeFeatures(noisy);
    ASSERT_TRUE(f);
    // A speck that happens to touch the letter may widen it by a pixel.
    EXPECT_NEAR(f->box.left, 10, 1);
    EXPECT_NEAR(f->box.top, 10, 1);
    EXPECT_NEAR(f->box.width, 24, 2);
    EXPECT_NEAR(f->box.height, 36, 2);
    EXPECT_GT(f->cleaning.specks, 20);
}

// Images for the viewer's tests, and the check that a bare picture is the
// image enlarged crisply.
#pragma once

#include "pbm.hpp"
#include "picture.hpp"
#include "scene.hpp"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

namespace vanto::testing {

// Rows of '1' (black) and '0' (white), or of '#' and '.'.
inline Bitmap bitmapFromRows(const std::vector<std::string>& rows)
{
    Bitmap b;
    b.height = static_cast<int>(rows.size());
    b.width = static_cast<int>(rows.front().size());
    for (const auto& row : rows)
        for (char c : row)
            b.pixels.push_back(c == '1' || c == '#' ? 1 : 0);
    return b;
}

// One of the images in samples/.
inline Bitmap sample(const char* name)
{
    const PbmResult read = readPbm(std::string(GLIFORA_SAMPLES_DIR) + "/" + name);
    EXPECT_TRUE(read.ok()) << read.error;
    return read.bitmap;
}

// The picture with no layers at a whole factor.
inline QImage barePicture(const Bitmap& b, int factor)
{
    ViewerScene scene(b);
    return renderPicture(scene, { factor, 1 }, {});
}

// Every screen pixel must be exactly the colour of the image pixel it
// enlarges: no smoothing, no shift.
inline void expectCrispEnlargement(const Bitmap& b, const QImage& image, int factor)
{
    ASSERT_EQ(image.size(), QSize(b.width * factor, b.height * factor));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected
                = b.black(x / factor, y / factor) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            ASSERT_EQ(image.pixel(x, y), expected)
                << "pixel " << x << "," << y << " factor " << factor;
        }
}

} // namespace vanto::testing

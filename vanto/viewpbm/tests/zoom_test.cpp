// The zoom: the steps up and down the ladder, and the zoom that fits.
#include "zoom.hpp"

#include <gtest/gtest.h>

namespace vanto {
namespace {

struct ZoomCase {
    QSize image;
    QSize room;
    Zoom fit;
};

TEST(Zoom, FitShowsTheWholeImageAndStepsGoRoundTheLadder)
{
    for (const ZoomCase& c : {
             ZoomCase { { 64, 64 }, { 1000, 800 }, { 12, 1 } },
             ZoomCase { { 512, 512 }, { 1000, 800 }, { 1, 1 } },
             ZoomCase { { 4096, 4096 }, { 1000, 800 }, { 1, 6 } },
             ZoomCase { { 1000, 10 }, { 999, 800 }, { 1, 2 } },
         }) {
        EXPECT_EQ(fitZoom(c.image, c.room), c.fit) << c.image.width();
        EXPECT_LE(c.fit.pictureSize(c.image).width(), c.room.width());
        EXPECT_LE(c.fit.pictureSize(c.image).height(), c.room.height());
    }
    EXPECT_EQ(zoomedIn({ 15, 1 }), (Zoom { 16, 1 }));
    EXPECT_EQ(zoomedOut({ 15, 1 }), (Zoom { 12, 1 }));
    EXPECT_EQ(zoomedIn({ 1, 5 }), (Zoom { 1, 4 }));
    EXPECT_EQ(zoomedOut({ 1, 1 }), (Zoom { 1, 2 }));
    EXPECT_EQ(zoomedIn({ 1, 2 }), (Zoom { 1, 1 }));
    EXPECT_EQ(zoomedIn({ 256, 1 }), (Zoom { 256, 1 }));
    EXPECT_EQ(zoomedOut({ 1, 64 }), (Zoom { 1, 64 }));
}

} // namespace
} // namespace vanto

// The picture drawn into a QImage: each layer where the analyses put it, and
// nothing else.
#include "convexity.hpp"
#include "test_pictures.hpp"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <random>

namespace vanto {
namespace {

using testing::bitmapFromRows;
using testing::sample;

QPoint centre(Zoom zoom, Point p)
{
    return { zoom.centre(p.x), zoom.centre(p.y) };
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t
        = length2 == 0 ? 0 : std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

TEST(Picture, HullLayerColoursTheHullsEdgesAndNoPixelFarFromThem)
{
    ViewerScene scene(bitmapFromRows({
        "..........",
        ".####.....",
        ".#####....",
        ".##.###...",
        ".##..####.",
        ".##.......",
        ".#######..",
        "..........",
    }));
    const Zoom zoom { 8, 1 };
    const QImage picture = renderPicture(scene, zoom, HullLayer);
    const std::vector<Point>& hull = scene.hull();
    ASSERT_GE(hull.size(), 3u);
    auto nearHull = [&](QPointF p, double reach) {
        for (std::size_t i = 0; i < hull.size(); ++i) {
            if (distanceToSegment(
                    p, centre(zoom, hull[i]), centre(zoom, hull[(i + 1) % hull.size()]))
                <= reach)
                return true;
        }
        return false;
    };
    int coloured = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != colours::kHull)
                continue;
            ++coloured;
            // The line itself, or a vertex's 5 x 5 square.
            ASSERT_TRUE(nearHull(QPointF(x, y), 2.9)) << x << "," << y;
        }
    }
    // Every edge is drawn all along.
    for (std::size_t i = 0; i < hull.size(); ++i) {
        const QPointF a = centre(zoom, hull[i]), b = centre(zoom, hull[(i + 1) % hull.size()]);
        for (double t : { 0.2, 0.5, 0.8 }) {
            const QPoint p = (a + t * (b - a)).toPoint();
            bool found = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    found = found || picture.pixel(p + QPoint(dx, dy)) == colours::kHull;
            EXPECT_TRUE(found) << "edge " << i << " at " << t;
        }
    }
    EXPECT_GT(coloured, 100);
}

TEST(Picture, BordersRunThroughTheirPixelsHolesInTheHoleColour)
{
    ViewerScene scene(sample("B.pbm"));
    const Zoom zoom { 8, 1 };
    const QImage picture = renderPicture(scene, zoom, BordersLayer);
    const std::vector<Border> borders = findBorders(scene.bitmap());
    std::size_t holes = 0;
    for (const Border& border : borders) {
        holes += border.hole;
        for (const Point& p : border.points) {
            ASSERT_EQ(picture.pixel(centre(zoom, p)),
                border.hole ? colours::kHoleBorder : colours::kOuterBorder)
                << p.x << "," << p.y;
        }
    }
    EXPECT_EQ(holes, 2u);
    // Away from the borders the image is as it was: the middle of the
    // upper hole is white.
    EXPECT_EQ(picture.pixel(centre(zoom, { 10, 10 })), colours::kWhite);
}

TEST(Picture, LakesAndBaysAreTintedApartAndTheRestKeepsItsColour)
{
    ViewerScene scene(bitmapFromRows({
        "######",
        "#..#.#",
        "#..###",
        "######",
        "#....#",
        "......",
    }));
    for (const Zoom zoom : { Zoom { 4, 1 }, Zoom { 1, 1 } }) {
        const QImage picture = renderPicture(scene, zoom, DeficiencyLayer);
        EXPECT_EQ(picture.pixel(centre(zoom, { 1, 1 })), colours::kLake);
        EXPECT_EQ(picture.pixel(centre(zoom, { 4, 1 })), colours::kLake);
        EXPECT_EQ(picture.pixel(centre(zoom, { 2, 4 })), colours::kBay);
        EXPECT_EQ(picture.pixel(centre(zoom, { 0, 5 })), colours::kWhite);
        EXPECT_EQ(picture.pixel(centre(zoom, { 3, 1 })), colours::kBlack);
    }
    EXPECT_NE(colours::kLake, colours::kBay);
}

TEST(Picture, TheDeepestDefectsFarthestPointIsMarked)
{
    ViewerScene scene(sample("B.pbm"));
    const Zoom zoom { 8, 1 };
    const std::vector<DefectShape>& defects = scene.borders().defects;
    ASSERT_FALSE(defects.empty());
    // The deepest, as CONVEXD.EXE measures it: the notch between the bowls.
    const Bitmap& b = scene.bitmap();
    double deepest = 0;
    for (const Border& border : findBorders(b)) {
        if (!border.hole)
            for (const Defect& d :
                convexityDefects(border.points, hullIndices(border.points)).defects)
                deepest = std::max(deepest, d.depth);
    }
    EXPECT_EQ(defects.front().depth, deepest);
    const QImage bare = renderPicture(scene, zoom, {});
    const QImage picture = renderPicture(scene, zoom, DefectsLayer);
    const QPoint f = centre(zoom, defects.front().farthest);
    for (const QPoint arm : { QPoint(0, 0), QPoint(3, 3), QPoint(-3, 3), QPoint(3, -3) }) {
        EXPECT_EQ(picture.pixel(f + arm), colours::kDefect);
        EXPECT_NE(bare.pixel(f + arm), colours::kDefect);
    }
}

TEST(Picture, ZonesFrameTheCharacterWithTheRecognisersGrid)
{
    ViewerScene scene(bitmapFromRows({
        "..........",
        "..######..",
        "..#....#..",
        "..######..",
        "..........",
    }));
    const Zoom zoom { 6, 1 };
    const QImage picture = renderPicture(scene, zoom, ZonesLayer);
    ASSERT_TRUE(scene.zones());
    const vecplan::ZoneLayout& zones = *scene.zones();
    // The box runs along the outer picture pixels of the character's box.
    EXPECT_EQ(picture.pixel(zoom.edge(2), zoom.edge(1) + 5), colours::kZoneBox);
    EXPECT_EQ(picture.pixel(zoom.edge(8) - 1, zoom.edge(4) - 1), colours::kZoneBox);
    // Each inner edge of the grid is a line.
    for (int c = 1; c < zones.columns; ++c)
        EXPECT_EQ(picture.pixel(
                      zoom.edge(zones.columnEdges[static_cast<std::size_t>(c)]), zoom.edge(2) + 3),
            colours::kZoneGrid)
            << "column edge " << c;
    // The character is wide, so the grid reaches above and below its box:
    // its first and last rows are closed by lines there too.
    ASSERT_LT(zones.rowEdges.front(), 1.0);
    ASSERT_GT(zones.rowEdges.back(), 4.0);
    EXPECT_EQ(picture.pixel(zoom.edge(2) + 1, zoom.edge(zones.rowEdges.front())),
        colours::kZoneGrid);
    EXPECT_EQ(picture.pixel(zoom.edge(2) + 1, zoom.edge(zones.rowEdges.back()) - 1),
        colours::kZoneGrid);
    EXPECT_EQ(picture.pixel(zoom.edge(2) - 1, zoom.edge(zones.rowEdges.front())),
        colours::kWhite);
    EXPECT_EQ(picture.pixel(0, 0), colours::kWhite);
}

// Regression: the values were cut ("negro 33 ‰; co…") even at 23:1, and
// the first column's letters were lost off the picture's left edge.
TEST(Picture, ZoneValuesAreDrawnWholeInsideTheirZonesPartOfThePicture)
{
    ViewerScene scene(sample("B.pbm"));
    ASSERT_TRUE(scene.zones());
    const vecplan::ZoneLayout& zones = *scene.zones();
    // B is taller than wide: the grid reaches past the picture's left edge.
    ASSERT_LT(zones.columnEdges.front(), 0.0);
    for (const Zoom zoom : { Zoom { 4, 1 }, Zoom { 12, 1 }, Zoom { 23, 1 }, Zoom { 48, 1 } }) {
        SCOPED_TRACE(zoom.text().toStdString());
        const QImage grid = renderPicture(scene, zoom, ZonesLayer);
        const QImage values = renderPicture(scene, zoom, ZonesLayer | ZoneValuesLayer);
        std::vector<QRect> shown; // each zone's part of the picture
        for (int r = 0; r < zones.rows; ++r)
            for (int c = 0; c < zones.columns; ++c)
                shown.push_back(
                    QRect(QPoint(zoom.edge(zones.columnEdges[c]), zoom.edge(zones.rowEdges[r])),
                        QPoint(zoom.edge(zones.columnEdges[c + 1]) - 1,
                            zoom.edge(zones.rowEdges[r + 1]) - 1))
                    & grid.rect());
        std::vector<bool> labelled(shown.size(), false);
        for (int y = 0; y < grid.height(); ++y) {
            for (int x = 0; x < grid.width(); ++x) {
                if (grid.pixel(x, y) == values.pixel(x, y))
                    continue;
                // Nothing reaches the picture's edge, where it would be cut.
                ASSERT_TRUE(x > 0 && y > 0 && x < grid.width() - 1 && y < grid.height() - 1)
                    << x << "," << y;
                const auto zone = std::find_if(shown.begin(), shown.end(),
                    [&](const QRect& z) { return z.adjusted(1, 1, -1, -1).contains(x, y); });
                ASSERT_NE(zone, shown.end()) << "a value outside its zone at " << x << "," << y;
                labelled[static_cast<std::size_t>(zone - shown.begin())] = true;
            }
        }
        // Large zones all show their values, those cut by the edge too.
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (zoom.enlarge >= 23 && shown[i].width() >= 130 && shown[i].height() >= 130) {
                EXPECT_TRUE(labelled[i]) << "zone " << i;
            }
        }
        EXPECT_EQ(std::count(labelled.begin(), labelled.end(), true) > 0, zoom.enlarge >= 12);
    }
}

TEST(Picture, PaintingItPieceByPieceGivesTheSamePixelsAsPaintingItWhole)
{
    // A window repaints only what is exposed: every layer must join up
    // exactly across the pieces, lines cut anywhere along their length.
    ViewerScene scene(sample("e.pbm"));
    const Layers all
        = BordersLayer | HullLayer | DefectsLayer | DeficiencyLayer | ZonesLayer | ZoneValuesLayer;
    for (const Zoom zoom : { Zoom { 9, 1 }, Zoom { 1, 1 }, Zoom { 1, 3 } }) {
        const QImage whole = renderPicture(scene, zoom, all);
        QImage pieces(whole.size(), QImage::Format_RGB32);
        pieces.fill(Qt::red);
        {
            QPainter painter(&pieces);
            for (int y = 0; y < whole.height(); y += 23)
                for (int x = 0; x < whole.width(); x += 37)
                    paintPicture(painter, scene, zoom, all, QRect(x, y, 37, 23));
        }
        EXPECT_EQ(pieces, whole) << zoom.text().toStdString();
    }
}

TEST(Picture, ReducedPictureIsBlackWhereverItsBlockHasABlackPixel)
{
    std::mt19937 random(11);
    for (int round = 0; round < 12; ++round) {
        Bitmap b;
        b.width = 5 + static_cast<int>(random() % 40);
        b.height = 5 + static_cast<int>(random() % 40);
        for (int i = 0; i < b.width * b.height; ++i)
            b.pixels.push_back(random() % 7 == 0);
        ViewerScene scene(b);
        const Zoom zoom { 1, 2 + round % 4 };
        const QImage picture = renderPicture(scene, zoom, {});
        ASSERT_EQ(picture.size(), zoom.pictureSize({ b.width, b.height }));
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                bool black = false;
                for (int iy = y * zoom.reduce; iy < std::min(b.height, (y + 1) * zoom.reduce); ++iy)
                    for (int ix = x * zoom.reduce; ix < std::min(b.width, (x + 1) * zoom.reduce);
                         ++ix)
                        black = black || b.black(ix, iy);
                ASSERT_EQ(picture.pixel(x, y), black ? colours::kBlack : colours::kWhite)
                    << x << "," << y << " round " << round;
            }
    }
}

} // namespace
} // namespace vanto

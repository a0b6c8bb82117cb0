// The raster canvas: lines rounded to the nearest pixel, and every piece of
// a picture holding exactly the pixels of the whole.
#include "canvas.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <QPolygon>

#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>

namespace vanto {
namespace {

constexpr QRgb kPaper = 0xffffffff;
constexpr QRgb kInk = 0xff000000;

// The inked pixels of image, in the coordinates where its top left pixel
// is origin.
std::set<std::pair<int, int>> inked(const QImage& image, QPoint origin)
{
    std::set<std::pair<int, int>> points;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == kInk)
                points.insert({ origin.x() + x, origin.y() + y });
    return points;
}

QImage paper(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kPaper);
    return image;
}

TEST(Canvas, LineHasOnePixelAStepWithinHalfAPixelOfTheTrueLine)
{
    // Coordinates on both sides of zero: the rounding must not change there.
    const QPoint origin(-30, -20);
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        const QPoint a(static_cast<int>(random() % 60) - 30, static_cast<int>(random() % 40) - 20);
        const QPoint b(static_cast<int>(random() % 60) - 30, static_cast<int>(random() % 40) - 20);
        QImage image = paper({ 60, 40 });
        Canvas(image, origin).line(a, b, kInk);
        const auto points = inked(image, origin);
        const int dx = b.x() - a.x(), dy = b.y() - a.y();
        const int steps = std::max(std::abs(dx), std::abs(dy));
        ASSERT_EQ(points.size(), static_cast<std::size_t>(steps + 1))
            << a.x() << "," << a.y() << " " << b.x() << "," << b.y();
        EXPECT_TRUE(points.count({ a.x(), a.y() }));
        EXPECT_TRUE(points.count({ b.x(), b.y() }));
        for (const auto& [x, y] : points) {
            // Distance from the line along the shorter axis, where the
            // rounding happens; a half is rounded up.
            const bool alongX = std::abs(dx) >= std::abs(dy);
            const double t
                = steps == 0 ? 0 : double(alongX ? x - a.x() : y - a.y()) / (alongX ? dx : dy);
            const double minor = alongX ? a.y() + t * dy : a.x() + t * dx;
            const double off = (alongX ? y : x) - minor;
            EXPECT_TRUE(off > -0.5 - 1e-9 && off <= 0.5 + 1e-9)
                << x << "," << y << " off " << off << " on " << a.x() << "," << a.y() << " "
                << b.x() << "," << b.y();
        }
    }
}

TEST(Canvas, PiecesOfAPictureHoldExactlyThePixelsOfTheWhole)
{
    const QRect whole(-40, -30, 120, 90);
    std::mt19937 random(17);
    QPolygon path;
    // Ends well outside the picture too, so that lines enter and leave it.
    for (int i = 0; i < 40; ++i)
        path << QPoint(
            static_cast<int>(random() % 240) - 100, static_cast<int>(random() % 180) - 75);
    QImage all = paper(whole.size());
    {
        Canvas canvas(all, whole.topLeft());
        canvas.polyline(path, kInk);
        canvas.square(QPoint(-39, 10), kInk);
    }
    ASSERT_FALSE(inked(all, whole.topLeft()).empty());
    QImage pieces = paper(whole.size());
    for (int y = whole.top(); y <= whole.bottom(); y += 13) {
        for (int x = whole.left(); x <= whole.right(); x += 17) {
            const QRect piece = QRect(x, y, 17, 13) & whole;
            QImage part = paper(piece.size());
            Canvas canvas(part, piece.topLeft());
            canvas.polyline(path, kInk);
            canvas.square(QPoint(-39, 10), kInk);
            for (const auto& [px, py] : inked(part, piece.topLeft()))
                pieces.setPixel(px - whole.left(), py - whole.top(), kInk);
        }
    }
    EXPECT_EQ(pieces, all);
}

TEST(Canvas, LabelCutByThePartsEdgeKeepsItsPixelsInPlace)
{
    QImage label(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            label.setPixel(x, y, qRgb(10 * x, 10 * y, 7));
    QImage part = paper({ 4, 4 });
    Canvas(part, QPoint(10, 20)).put(label, QPoint(8, 19));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const int lx = x + 10 - 8, ly = y + 20 - 19;
            const QRgb expected = lx < 5 && ly < 3 ? label.pixel(lx, ly) : kPaper;
            EXPECT_EQ(part.pixel(x, y), expected) << x << "," << y;
        }
    }
}

} // namespace
} // namespace vanto

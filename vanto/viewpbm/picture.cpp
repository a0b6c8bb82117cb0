#include "picture.hpp"

#include "canvas.hpp"
#include "captions.hpp"
#include "scene.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vanto {
namespace {

// Markers and labels reach this far beyond the pixels they belong to.
constexpr int kMarkerReach = 4;
// Labels drawn at most in one paint: the deepest defects get theirs.
constexpr int kMaxLabels = 256;

QRect pictureBox(Zoom zoom, const Box& box)
{
    return QRect(QPoint(zoom.edge(box.left), zoom.edge(box.top)),
        QPoint(zoom.edge(box.right + 1), zoom.edge(box.bottom + 1)))
        .adjusted(-kMarkerReach, -kMarkerReach, kMarkerReach, kMarkerReach);
}

QPoint centreOf(Zoom zoom, Point p)
{
    return { zoom.centre(p.x), zoom.centre(p.y) };
}

// The image with the deficiency tint or without, crisp: each picture pixel
// takes the shade of the one image pixel it enlarges, or the strongest
// shade of the block it reduces.
void paintImage(QImage& part, ViewerScene& scene, Zoom zoom, bool tinted, QRect area)
{
    const Bitmap& bitmap = scene.bitmap();
    const std::uint8_t* shades = tinted ? scene.deficiency().shades.data() : bitmap.pixels.data();
    // The bitmap holds 1 for black; the shades run up to kShadeBlack.
    const std::array<QRgb, 4> table = tinted
        ? std::array<QRgb, 4> { colours::kWhite, colours::kBay, colours::kLake, colours::kBlack }
        : std::array<QRgb, 4> { colours::kWhite, colours::kBlack, colours::kBlack,
              colours::kBlack };

    const auto width = static_cast<std::size_t>(bitmap.width);
    std::vector<int> first(static_cast<std::size_t>(area.width()));
    std::vector<int> last(first.size()); // exclusive
    for (int sx = 0; sx < area.width(); ++sx) {
        const int px = area.left() + sx;
        first[sx] = zoom.pixelAt(px);
        last[sx] = std::clamp(zoom.pixelAt(px + 1), first[sx] + 1, bitmap.width);
    }
    const int spanFirst = first.front();
    const int spanLast = last.back();
    std::vector<std::uint8_t> strongest(static_cast<std::size_t>(spanLast - spanFirst));
    int shownRow = -1;
    for (int sy = 0; sy < area.height(); ++sy) {
        auto* out = reinterpret_cast<QRgb*>(part.scanLine(sy));
        const int py = area.top() + sy;
        const int y0 = zoom.pixelAt(py);
        const int y1 = std::clamp(zoom.pixelAt(py + 1), y0 + 1, bitmap.height);
        if (zoom.reduce == 1) {
            if (y0 == shownRow) {
                std::memcpy(out, part.scanLine(sy - 1), static_cast<std::size_t>(area.width()) * 4);
                continue;
            }
            shownRow = y0;
            const std::uint8_t* row = shades + static_cast<std::size_t>(y0) * width;
            for (int sx = 0; sx < area.width(); ++sx)
                out[sx] = table[std::min<std::uint8_t>(row[first[sx]], 3)];
            continue;
        }
        // The strongest shade of each column over the block's rows, then
        // over the block's columns.
        const std::uint8_t* row = shades + static_cast<std::size_t>(y0) * width + spanFirst;
        std::copy(row, row + strongest.size(), strongest.begin());
        for (int y = y0 + 1; y < y1; ++y) {
            row += width;
            for (std::size_t i = 0; i < strongest.size(); ++i)
                strongest[i] = std::max(strongest[i], row[i]);
        }
        for (int sx = 0; sx < area.width(); ++sx) {
            std::uint8_t shade = 0;
            for (int x = first[sx]; x < last[sx]; ++x)
                shade = std::max(shade, strongest[static_cast<std::size_t>(x - spanFirst)]);
            out[sx] = table[std::min<std::uint8_t>(shade, 3)];
        }
    }
}

void paintBorders(Canvas& canvas, const BorderAnalysis& analysis, Zoom zoom)
{
    QPolygon line;
    for (const BorderShape& border : analysis.borders) {
        if (!pictureBox(zoom, border.box).intersects(canvas.area()))
            continue;
        // Pixels that fall on one picture pixel are drawn once.
        line.clear();
        for (const Point& p : border.turns) {
            const QPoint q = centreOf(zoom, p);
            if (line.isEmpty() || line.back() != q)
                line.append(q);
        }
        if (line.size() > 1)
            line.append(line.front());
        const QRgb colour = border.hole ? colours::kHoleBorder : colours::kOuterBorder;
        canvas.polyline(line, colour);
        // The start: a square of 5 x 5 screen pixels round its centre.
        canvas.fill(QRect(centreOf(zoom, border.start()) - QPoint(2, 2), QSize(5, 5)), colour);
    }
}

void paintHull(Canvas& canvas, const std::vector<Point>& hull, Zoom zoom)
{
    if (hull.empty())
        return;
    QPolygon polygon;
    for (const Point& p : hull)
        polygon.append(centreOf(zoom, p));
    for (const QPoint& vertex : polygon)
        canvas.square(vertex, colours::kHull);
    if (polygon.size() > 1)
        polygon.append(polygon.front());
    canvas.polyline(polygon, colours::kHull);
}

// The foot of the perpendicular from p to the line through a and b.
QPoint footOn(QPoint a, QPoint b, QPoint p)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double length2 = dx * dx + dy * dy;
    if (length2 == 0)
        return a;
    const double t = ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / length2;
    return { static_cast<int>(std::lround(a.x() + t * dx)),
        static_cast<int>(std::lround(a.y() + t * dy)) };
}

// A defect is drawn in two parts: the hull edge and the depth line under
// the hull and the borders, the cross on the farthest point and the label
// over them, so that neither hides the other.
enum class DefectPart { Lines, Marks };

void paintDefects(
    Canvas& canvas, const BorderAnalysis& analysis, Zoom zoom, const QFont& font, DefectPart part)
{
    const int labelHeight = QFontMetrics(font).height();
    int labels = 0;
    for (const DefectShape& defect : analysis.defects) {
        const Box box { std::min({ defect.start.x, defect.end.x, defect.farthest.x }),
            std::min({ defect.start.y, defect.end.y, defect.farthest.y }),
            std::max({ defect.start.x, defect.end.x, defect.farthest.x }),
            std::max({ defect.start.y, defect.end.y, defect.farthest.y }) };
        if (!pictureBox(zoom, box)
                 .adjusted(0, -labelHeight, labelHeight * 3, 0)
                 .intersects(canvas.area()))
            continue;
        const bool deep = defect.depth >= 1.0;
        const QRgb colour = deep ? colours::kDefect : colours::kFaintDefect;
        const QPoint f = centreOf(zoom, defect.farthest);
        if (part == DefectPart::Lines) {
            const QPoint a = centreOf(zoom, defect.start);
            const QPoint b = centreOf(zoom, defect.end);
            canvas.line(a, b, colour);
            canvas.line(f, footOn(a, b, f), colour);
            continue;
        }
        // A cross of 7 x 7 screen pixels. Shallow defects are many and
        // small: they are labelled only where there is room for it; the
        // deepest come first.
        canvas.line(f - QPoint(3, 3), f + QPoint(3, 3), colour);
        canvas.line(f + QPoint(-3, 3), f + QPoint(3, -3), colour);
        if ((deep || zoom.enlarge >= 8) && labels++ < kMaxLabels)
            canvas.put(labelImage(depthCaption(defect.depth), font, colour),
                f + QPoint(5, -labelHeight - 2));
    }
}

void paintZones(Canvas& canvas, const vecplan::ZoneLayout& zones, Zoom zoom)
{
    // The recogniser measures a character in a square, so on the shorter
    // side of the box the grid reaches past it: every line runs the whole
    // grid, and the box is drawn over it.
    const int gridLeft = zoom.edge(zones.columnEdges.front());
    const int gridTop = zoom.edge(zones.rowEdges.front());
    const int gridWidth = zoom.edge(zones.columnEdges.back()) - gridLeft;
    const int gridHeight = zoom.edge(zones.rowEdges.back()) - gridTop;
    // The last line lies on the grid's last picture pixel, as the box's does.
    for (std::size_t c = 0; c < zones.columnEdges.size(); ++c) {
        const int x = zoom.edge(zones.columnEdges[c]) - (c + 1 == zones.columnEdges.size());
        canvas.fill(QRect(x, gridTop, 1, gridHeight), colours::kZoneGrid);
    }
    for (std::size_t r = 0; r < zones.rowEdges.size(); ++r) {
        const int y = zoom.edge(zones.rowEdges[r]) - (r + 1 == zones.rowEdges.size());
        canvas.fill(QRect(gridLeft, y, gridWidth, 1), colours::kZoneGrid);
    }

    const int left = zoom.edge(zones.box.left);
    const int top = zoom.edge(zones.box.top);
    const int width = zoom.edge(zones.box.left + zones.box.width) - left;
    const int height = zoom.edge(zones.box.top + zones.box.height) - top;
    // The box along the outermost picture pixels of the character's box.
    canvas.fill(QRect(left, top, width, 1), colours::kZoneBox);
    canvas.fill(QRect(left, top + height - 1, width, 1), colours::kZoneBox);
    canvas.fill(QRect(left, top, 1, height), colours::kZoneBox);
    canvas.fill(QRect(left + width - 1, top, 1, height), colours::kZoneBox);
}

// Each zone's values written in it, as many as fit whole inside the zone's
// part of the picture: no word is cut, at any zoom, on screen or saved.
void paintZoneValues(
    Canvas& canvas, const vecplan::ZoneLayout& zones, Zoom zoom, QSize picture, const QFont& font)
{
    const QRect whole(QPoint(0, 0), picture);
    for (int r = 0; r < zones.rows; ++r) {
        for (int c = 0; c < zones.columns; ++c) {
            const QRect zone
                = QRect(QPoint(zoom.edge(zones.columnEdges[static_cast<std::size_t>(c)]),
                            zoom.edge(zones.rowEdges[static_cast<std::size_t>(r)])),
                      QPoint(zoom.edge(zones.columnEdges[static_cast<std::size_t>(c + 1)]) - 1,
                          zoom.edge(zones.rowEdges[static_cast<std::size_t>(r + 1)]) - 1))
                & whole;
            // A pixel of room on each side, clear of the grid lines.
            const QRect room = zone.adjusted(2, 2, -2, -2);
            if (room.isEmpty() || !zone.intersects(canvas.area()))
                continue;
            for (const QString& text :
                zoneCaptions(zones.measures[static_cast<std::size_t>(r * zones.columns + c)])) {
                const QImage& label = labelImage(text, font, colours::kZoneBox);
                if (label.width() > room.width() || label.height() > room.height())
                    continue;
                canvas.put(label,
                    room.topLeft()
                        + QPoint((room.width() - label.width()) / 2,
                            (room.height() - label.height()) / 2));
                break;
            }
        }
    }
}

} // namespace

void paintPicture(QPainter& painter, ViewerScene& scene, Zoom zoom, Layers layers, QRect area)
{
    const Bitmap& bitmap = scene.bitmap();
    area &= QRect(QPoint(0, 0), zoom.pictureSize({ bitmap.width, bitmap.height }));
    if (area.isEmpty())
        return;
    QImage part(area.size(), QImage::Format_RGB32);
    if (part.isNull())
        return;
    paintImage(part, scene, zoom, layers.testFlag(DeficiencyLayer), area);

    Canvas canvas(part, area.topLeft());
    const QFont& font = painter.font();
    const bool zones = layers.testFlag(ZonesLayer) && scene.zones();
    if (zones)
        paintZones(canvas, *scene.zones(), zoom);
    if (layers.testFlag(DefectsLayer))
        paintDefects(canvas, scene.borders(), zoom, font, DefectPart::Lines);
    if (layers.testFlag(HullLayer))
        paintHull(canvas, scene.hull(), zoom);
    if (layers.testFlag(BordersLayer))
        paintBorders(canvas, scene.borders(), zoom);
    if (layers.testFlag(DefectsLayer))
        paintDefects(canvas, scene.borders(), zoom, font, DefectPart::Marks);
    if (zones && layers.testFlag(ZoneValuesLayer))
        paintZoneValues(
            canvas, *scene.zones(), zoom, zoom.pictureSize({ bitmap.width, bitmap.height }), font);
    painter.drawImage(area.topLeft(), part);
}

bool canRender(QSize size)
{
    return !size.isEmpty() && size.width() <= kMaxShownSide && size.height() <= kMaxShownSide
        && static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height())
        <= kMaxPixels;
}

QImage renderPicture(ViewerScene& scene, Zoom zoom, Layers layers)
{
    const Bitmap& bitmap = scene.bitmap();
    const QSize size = zoom.pictureSize({ bitmap.width, bitmap.height });
    if (!canRender(size))
        return {};
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    QPainter painter(&picture);
    paintPicture(painter, scene, zoom, layers, picture.rect());
    return picture;
}

} // namespace vanto

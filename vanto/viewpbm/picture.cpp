#include "picture.hpp"

#include "scene.hpp"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vanto {
namespace {

QString pictureTr(const char* text)
{
    return QCoreApplication::translate("vanto::Picture", text);
}

// Numbers as the reader writes them (the program's locale is Spanish):
// "16.383", "4,62". The text tools keep their own format.
QString number(std::uint64_t n)
{
    return QLocale().toString(static_cast<qulonglong>(n));
}

QString decimal(double value)
{
    return QLocale().toString(value, 'f', 2);
}

// The zoom ladder as scales: enlarge factors, and reduce factors as their
// negatives, in one increasing order.
constexpr std::array<int, 27> kLadder { -64, -48, -32, -24, -16, -12, -8, -6, -4, -3, -2, 1, 2, 3,
    4, 6, 8, 12, 16, 24, 32, 48, 64, 96, 128, 192, 256 };

Zoom zoomOfStep(int step)
{
    return step < 0 ? Zoom { 1, -step } : Zoom { step, 1 };
}

// Compares zooms by their scale enlarge / reduce.
bool smaller(Zoom a, Zoom b)
{
    return a.enlarge * b.reduce < b.enlarge * a.reduce;
}

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

// A label drawn once, in its colour on a white patch so that it reads over
// black and white pixels alike, and kept: laying text out costs far more than
// copying its pixels, and the same few labels come back at every paint.
// A label of several lines has them centred one under the other. Only the
// painting thread uses it.
const QImage& labelImage(const QString& text, const QFont& font, QRgb colour)
{
    static QFont keptFont;
    static QHash<QString, QImage> kept;
    if (font != keptFont || kept.size() > 4096) {
        kept.clear();
        keptFont = font;
    }
    QString key = text;
    key.append(QChar(0)).append(QString::number(colour));
    const auto found = kept.constFind(key);
    if (found != kept.constEnd())
        return *found;
    const QFontMetrics metrics(font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    QImage label(
        width + 2, metrics.height() * static_cast<int>(lines.size()), QImage::Format_RGB32);
    label.fill(Qt::white);
    QPainter painter(&label);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(colour));
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(
            QRect(0, static_cast<int>(i) * metrics.height(), label.width(), metrics.height()),
            Qt::AlignCenter, lines[i]);
    return *kept.insert(key, label);
}

// The exposed part of the picture as a buffer of pixels that the layers
// are drawn straight into. They are lines one pixel wide, small squares and
// ready-made labels, all opaque: for such things a painter's work per call
// costs far more than the pixels themselves. Coordinates are the picture's;
// whatever falls outside the part is left out.
class Canvas {
public:
    Canvas(QImage& part, QPoint origin)
        : bits_(reinterpret_cast<QRgb*>(part.bits()))
        , stride_(part.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)))
        , area_(origin, part.size())
    {
    }

    const QRect& area() const { return area_; }

    void fill(QRect rect, QRgb colour)
    {
        rect &= area_;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            QRgb* row = pixelAt(rect.left(), y);
            std::fill(row, row + rect.width(), colour);
        }
    }

    // The pixels of the segment from a to b, both ends included: along the
    // longer axis one a step, the other coordinate rounded at each step, so
    // the part of a segment in view is found without walking the rest.
    void line(QPoint a, QPoint b, QRgb colour)
    {
        const int dx = b.x() - a.x(), dy = b.y() - a.y();
        const bool alongX = std::abs(dx) >= std::abs(dy);
        const int steps = std::max(std::abs(dx), std::abs(dy));
        if (steps == 0) {
            point(a, colour);
            return;
        }
        const int major = alongX ? a.x() : a.y();
        const int sign = (alongX ? dx : dy) > 0 ? 1 : -1;
        const int low = alongX ? area_.left() : area_.top();
        const int high = alongX ? area_.right() : area_.bottom();
        const int first = std::max(0, sign > 0 ? low - major : major - high);
        const int last = std::min(steps, sign > 0 ? high - major : major - low);
        const std::int64_t minorStep = alongX ? dy : dx;
        const int minor = alongX ? a.y() : a.x();
        // minor + k * minorStep / steps, rounded half up, kept as a whole
        // part and a remainder in [0, 2 steps) from one step to the next.
        const std::int64_t twoSteps = 2 * static_cast<std::int64_t>(steps);
        const std::int64_t start = 2 * static_cast<std::int64_t>(first) * minorStep + steps;
        auto offset = static_cast<int>(floorDiv(start, twoSteps));
        std::int64_t remainder = start - offset * twoSteps;
        for (int k = first; k <= last; ++k) {
            const int along = major + sign * k;
            point(alongX ? QPoint(along, minor + offset) : QPoint(minor + offset, along), colour);
            remainder += 2 * minorStep;
            if (remainder >= twoSteps) {
                ++offset;
                remainder -= twoSteps;
            } else if (remainder < 0) {
                --offset;
                remainder += twoSteps;
            }
        }
    }

    void polyline(const QPolygon& points, QRgb colour)
    {
        if (points.size() == 1)
            point(points.front(), colour);
        for (qsizetype i = 1; i < points.size(); ++i)
            line(points[i - 1], points[i], colour);
    }

    // A hollow square of 5 x 5 pixels round p.
    void square(QPoint p, QRgb colour)
    {
        fill(QRect(p.x() - 2, p.y() - 2, 5, 1), colour);
        fill(QRect(p.x() - 2, p.y() + 2, 5, 1), colour);
        fill(QRect(p.x() - 2, p.y() - 1, 1, 3), colour);
        fill(QRect(p.x() + 2, p.y() - 1, 1, 3), colour);
    }

    // A label (RGB32) with its top left corner at topLeft.
    void put(const QImage& label, QPoint topLeft)
    {
        const QRect shown = QRect(topLeft, label.size()) & area_;
        for (int y = shown.top(); y <= shown.bottom(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(label.constScanLine(y - topLeft.y()))
                + (shown.left() - topLeft.x());
            std::copy(from, from + shown.width(), pixelAt(shown.left(), y));
        }
    }

private:
    static std::int64_t floorDiv(std::int64_t num, std::int64_t den) // den > 0
    {
        return num >= 0 ? num / den : -((-num + den - 1) / den);
    }

    QRgb* pixelAt(int x, int y) { return bits_ + (y - area_.top()) * stride_ + (x - area_.left()); }

    void point(QPoint p, QRgb colour)
    {
        if (p.x() >= area_.left() && p.x() <= area_.right() && p.y() >= area_.top()
            && p.y() <= area_.bottom())
            *pixelAt(p.x(), p.y()) = colour;
    }

    QRgb* bits_;
    qsizetype stride_; // pixels from one row to the next
    QRect area_;
};

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
            canvas.put(
                labelImage(decimal(defect.depth), font, colour), f + QPoint(5, -labelHeight - 2));
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

// What a zone can show of its values, from the most to the least: every
// value on three short lines, or the share of black alone. The whole text is
// always under the pointer.
QStringList zoneLabels(const vecplan::ZoneLayout::Measures& m)
{
    const auto& d = m.directions;
    return { pictureTr("negro %1 ‰\n— %2  / %3\n| %4  \\ %5")
                 .arg(number(m.black), number(d[0]), number(d[1]), number(d[2]), number(d[3])),
        pictureTr("negro %1 ‰").arg(number(m.black)), pictureTr("%1 ‰").arg(number(m.black)) };
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
                zoneLabels(zones.measures[static_cast<std::size_t>(r * zones.columns + c)])) {
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

int Zoom::edge(double c) const
{
    return static_cast<int>(std::floor(c * enlarge / reduce));
}

QSize Zoom::pictureSize(QSize image) const
{
    return { (image.width() * enlarge + reduce - 1) / reduce,
        (image.height() * enlarge + reduce - 1) / reduce };
}

QString Zoom::text() const
{
    return QStringLiteral("%1:%2").arg(enlarge).arg(reduce);
}

Zoom zoomedIn(Zoom zoom)
{
    for (int step : kLadder) {
        if (smaller(zoom, zoomOfStep(step)))
            return zoomOfStep(step);
    }
    return zoom;
}

Zoom zoomedOut(Zoom zoom)
{
    for (auto step = kLadder.rbegin(); step != kLadder.rend(); ++step) {
        if (smaller(zoomOfStep(*step), zoom))
            return zoomOfStep(*step);
    }
    return zoom;
}

Zoom fitZoom(QSize image, QSize available)
{
    if (image.isEmpty() || available.isEmpty())
        return {};
    const int enlarge
        = std::min(available.width() / image.width(), available.height() / image.height());
    if (enlarge >= 1)
        return { enlarge, 1 };
    const int reduce = std::max((image.width() + available.width() - 1) / available.width(),
        (image.height() + available.height() - 1) / available.height());
    return { 1, reduce };
}

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

QList<LegendEntry> legendEntries(ViewerScene& scene, Layers layers)
{
    QList<LegendEntry> entries;
    auto add = [&](QRgb colour, const QString& text) {
        entries.append({ QColor::fromRgba(colour), text });
    };
    auto note = [&](const QString& text) { entries.append({ QColor(), text }); };
    // Each line asks only for the analysis its own layer has: with a layer
    // off nothing is computed for it.
    const QString noBlack = pictureTr("la imagen no tiene píxeles negros");

    if (!layers.testFlag(BordersLayer)) {
        note(pictureTr("Bordes: capa apagada"));
    } else if (scene.borders().borders.empty()) {
        note(pictureTr("Bordes: ninguno, %1").arg(noBlack));
    } else {
        const BorderAnalysis& borders = scene.borders();
        add(colours::kOuterBorder, pictureTr("Bordes exteriores: %1").arg(number(borders.outer)));
        add(colours::kHoleBorder,
            borders.holes > 0 ? pictureTr("Bordes de hueco: %1").arg(number(borders.holes))
                              : pictureTr("Bordes de hueco: ninguno, la imagen no tiene huecos"));
        add(colours::kOuterBorder, pictureTr("Cuadro: inicio de cada borde"));
        if (!borders.complete)
            note(pictureTr("Solo se dibujan los primeros %1 bordes: la imagen tiene más")
                     .arg(number(borders.borders.size())));
    }

    if (!layers.testFlag(HullLayer))
        note(pictureTr("Casco convexo: capa apagada"));
    else if (scene.hull().empty())
        note(pictureTr("Casco convexo: ninguno, %1").arg(noBlack));
    else
        add(colours::kHull,
            pictureTr("Casco convexo: %1 vértices").arg(number(scene.hull().size())));

    if (!layers.testFlag(DefectsLayer)) {
        note(pictureTr("Defectos: capa apagada"));
    } else {
        const BorderAnalysis& borders = scene.borders();
        const std::uint64_t deep = borders.defects.size() - borders.defectsBelowOnePixel;
        if (borders.defects.empty())
            note(pictureTr("Defectos de convexidad: ninguno"));
        if (deep > 0)
            add(colours::kDefect,
                pictureTr("Defectos de un píxel o más: %1; el más hondo, %2 píxeles")
                    .arg(number(deep))
                    .arg(decimal(borders.defects.front().depth)));
        if (borders.defectsBelowOnePixel > 0)
            add(colours::kFaintDefect,
                pictureTr("Defectos de menos de un píxel: %1")
                    .arg(number(borders.defectsBelowOnePixel)));
        if (borders.tooLongForDefects > 0)
            note(pictureTr("Sin buscar defectos en %1 bordes demasiado largos")
                     .arg(number(borders.tooLongForDefects)));
    }

    if (!layers.testFlag(DeficiencyLayer)) {
        note(pictureTr("Deficiencia: capa apagada"));
    } else {
        const DeficiencyAnalysis& deficiency = scene.deficiency();
        add(colours::kLake,
            deficiency.lakes > 0 ? pictureTr("Lagos: %1 (%2 píxeles)")
                                       .arg(number(deficiency.lakes))
                                       .arg(number(deficiency.lakeArea))
                                 : pictureTr("Lagos: ninguno"));
        add(colours::kBay,
            deficiency.bays > 0 ? pictureTr("Bahías: %1 (%2 píxeles)")
                                      .arg(number(deficiency.bays))
                                      .arg(number(deficiency.bayArea))
                                : pictureTr("Bahías: ninguna"));
    }

    if (!layers.testFlag(ZonesLayer)) {
        note(pictureTr("Zonas: capa apagada"));
    } else if (!scene.zones()) {
        note(pictureTr("Zonas: ninguna, %1").arg(noBlack));
    } else {
        add(colours::kZoneBox, pictureTr("Caja del carácter"));
        add(colours::kZoneGrid,
            pictureTr("Zonas del reconocedor: %1 x %2; el puntero da el valor de cada una")
                .arg(scene.zones()->columns)
                .arg(scene.zones()->rows));
    }
    return entries;
}

} // namespace vanto

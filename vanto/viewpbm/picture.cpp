#include "picture.hpp"

#include "report_text.hpp"
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
#include <cstring>
#include <vector>

namespace vanto {
namespace {

QString pictureTr(const char* text)
{
    return QCoreApplication::translate("vanto::Picture", text);
}

QString number(std::uint64_t n)
{
    return QLocale().toString(static_cast<qulonglong>(n));
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
// Only the painting thread uses it.
const QImage& labelImage(const QString& text, const QFont& font, QRgb colour, int width)
{
    static QFont keptFont;
    static QHash<QString, QImage> kept;
    if (font != keptFont || kept.size() > 4096) {
        kept.clear();
        keptFont = font;
    }
    QString key = text;
    key.append(QChar(0))
        .append(QString::number(colour))
        .append(QChar(0))
        .append(QString::number(width));
    const auto found = kept.constFind(key);
    if (found != kept.constEnd())
        return *found;
    const QFontMetrics metrics(font);
    const QString shown = width < 0 ? text : metrics.elidedText(text, Qt::ElideRight, width);
    QImage label(metrics.horizontalAdvance(shown) + 2, metrics.height(), QImage::Format_RGB32);
    label.fill(Qt::white);
    QPainter painter(&label);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(colour));
    painter.drawText(label.rect(), Qt::AlignCenter, shown);
    return *kept.insert(key, label);
}

QPen linePen(QRgb colour)
{
    // Width 0: one screen pixel whatever the zoom.
    return QPen(QColor::fromRgba(colour), 0);
}

// The image with the deficiency tint or without, crisp: each picture pixel
// takes the shade of the one image pixel it enlarges, or the strongest
// shade of the block it reduces.
void paintImage(QPainter& painter, ViewerScene& scene, Zoom zoom, bool tinted, QRect area)
{
    const Bitmap& bitmap = scene.bitmap();
    const std::uint8_t* shades = tinted ? scene.deficiency().shades.data() : bitmap.pixels.data();
    // The bitmap holds 1 for black; the shades run up to kShadeBlack.
    const std::array<QRgb, 4> table = tinted
        ? std::array<QRgb, 4> { colours::kWhite, colours::kBay, colours::kLake, colours::kBlack }
        : std::array<QRgb, 4> { colours::kWhite, colours::kBlack, colours::kBlack,
              colours::kBlack };

    QImage part(area.size(), QImage::Format_RGB32);
    if (part.isNull())
        return;
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
    painter.drawImage(area.topLeft(), part);
}

void paintBorders(QPainter& painter, const BorderAnalysis& analysis, Zoom zoom, QRect area)
{
    QPolygon line;
    for (const BorderShape& border : analysis.borders) {
        if (!pictureBox(zoom, border.box).intersects(area))
            continue;
        // Pixels that fall on one picture pixel are drawn once.
        line.clear();
        for (const Point& p : border.turns) {
            const QPoint q = centreOf(zoom, p);
            if (line.isEmpty() || line.back() != q)
                line.append(q);
        }
        const QRgb colour = border.hole ? colours::kHoleBorder : colours::kOuterBorder;
        painter.setPen(linePen(colour));
        if (line.size() == 1) {
            painter.drawPoint(line.front());
        } else {
            line.append(line.front());
            painter.drawPolyline(line);
        }
        // The start: a square of 5 x 5 screen pixels round its centre.
        painter.fillRect(QRect(centreOf(zoom, border.start()) - QPoint(2, 2), QSize(5, 5)),
            QColor::fromRgba(colour));
    }
}

// A hollow square of 5 x 5 screen pixels round p, in four strokes.
void markVertex(QPainter& painter, QPoint p, const QColor& colour)
{
    painter.fillRect(p.x() - 2, p.y() - 2, 5, 1, colour);
    painter.fillRect(p.x() - 2, p.y() + 2, 5, 1, colour);
    painter.fillRect(p.x() - 2, p.y() - 1, 1, 3, colour);
    painter.fillRect(p.x() + 2, p.y() - 1, 1, 3, colour);
}

void paintHull(QPainter& painter, const std::vector<Point>& hull, Zoom zoom)
{
    if (hull.empty())
        return;
    QPolygon polygon;
    for (const Point& p : hull)
        polygon.append(centreOf(zoom, p));
    polygon.append(polygon.front());
    painter.setPen(linePen(colours::kHull));
    painter.drawPolyline(polygon);
    const QColor colour = QColor::fromRgba(colours::kHull);
    for (qsizetype i = 0; i + 1 < polygon.size(); ++i)
        markVertex(painter, polygon[i], colour);
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
    QPainter& painter, const BorderAnalysis& analysis, Zoom zoom, QRect area, DefectPart part)
{
    const QFontMetrics metrics(painter.font());
    const QFont& font = painter.font();
    // Lines go in two batches, faint and deep.
    QList<QLine> lines[2];
    int labels = 0;
    for (const DefectShape& defect : analysis.defects) {
        const Box box { std::min({ defect.start.x, defect.end.x, defect.farthest.x }),
            std::min({ defect.start.y, defect.end.y, defect.farthest.y }),
            std::max({ defect.start.x, defect.end.x, defect.farthest.x }),
            std::max({ defect.start.y, defect.end.y, defect.farthest.y }) };
        if (!pictureBox(zoom, box)
                 .adjusted(0, -metrics.height(), metrics.height() * 3, 0)
                 .intersects(area))
            continue;
        const bool deep = defect.depth >= 1.0;
        const QPoint f = centreOf(zoom, defect.farthest);
        if (part == DefectPart::Lines) {
            const QPoint a = centreOf(zoom, defect.start);
            const QPoint b = centreOf(zoom, defect.end);
            lines[deep].append({ QLine(a, b), QLine(f, footOn(a, b, f)) });
            continue;
        }
        // A cross of 7 x 7 screen pixels. Shallow defects are many and
        // small: they are labelled only where there is room for it; the
        // deepest come first.
        lines[deep].append({ QLine(f - QPoint(3, 3), f + QPoint(3, 3)),
            QLine(f + QPoint(-3, 3), f + QPoint(3, -3)) });
        if ((deep || zoom.enlarge >= 8) && labels++ < kMaxLabels) {
            painter.drawImage(f + QPoint(5, -metrics.height() - 2),
                labelImage(QString::fromStdString(fixed2(defect.depth)), font,
                    deep ? colours::kDefect : colours::kFaintDefect, -1));
        }
    }
    for (const bool deep : { false, true }) {
        painter.setPen(linePen(deep ? colours::kDefect : colours::kFaintDefect));
        painter.drawLines(lines[deep]);
    }
}

void paintZones(QPainter& painter, const vecplan::ZoneLayout& zones, Zoom zoom)
{
    // Every line here runs straight along a row or a column of the
    // picture: a one-pixel-wide rectangle fills it far faster than a pen
    // strokes it.
    const int left = zoom.edge(zones.box.left);
    const int top = zoom.edge(zones.box.top);
    const int width = zoom.edge(zones.box.left + zones.box.width) - left;
    const int height = zoom.edge(zones.box.top + zones.box.height) - top;
    const QColor grid = QColor::fromRgba(colours::kZoneGrid);
    for (int c = 1; c < zones.columns; ++c)
        painter.fillRect(
            zoom.edge(zones.columnEdges[static_cast<std::size_t>(c)]), top, 1, height, grid);
    for (int r = 1; r < zones.rows; ++r)
        painter.fillRect(
            left, zoom.edge(zones.rowEdges[static_cast<std::size_t>(r)]), width, 1, grid);
    // The box along the outermost picture pixels of the character's box.
    const QColor box = QColor::fromRgba(colours::kZoneBox);
    painter.fillRect(left, top, width, 1, box);
    painter.fillRect(left, top + height - 1, width, 1, box);
    painter.fillRect(left, top, 1, height, box);
    painter.fillRect(left + width - 1, top, 1, height, box);
}

// Each zone's value written in it, where it has room.
void paintZoneValues(QPainter& painter, const vecplan::ZoneLayout& zones, Zoom zoom)
{
    const QFontMetrics metrics(painter.font());
    const QFont& font = painter.font();
    for (int r = 0; r < zones.rows; ++r) {
        for (int c = 0; c < zones.columns; ++c) {
            const QRect zone(QPoint(zoom.edge(zones.columnEdges[static_cast<std::size_t>(c)]),
                                 zoom.edge(zones.rowEdges[static_cast<std::size_t>(r)])),
                QPoint(zoom.edge(zones.columnEdges[static_cast<std::size_t>(c + 1)]) - 1,
                    zoom.edge(zones.rowEdges[static_cast<std::size_t>(r + 1)]) - 1));
            if (zone.height() < metrics.height() + 2 || zone.width() < 3 * metrics.height())
                continue;
            const QImage& label
                = labelImage(QString::fromStdString(
                                 zones.values[static_cast<std::size_t>(r * zones.columns + c)]),
                    font, colours::kZoneBox, zone.width() - 4);
            painter.drawImage(zone.center() - QPoint(label.width() / 2, label.height() / 2), label);
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
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(area);
    paintImage(painter, scene, zoom, layers.testFlag(DeficiencyLayer), area);
    const bool zones = layers.testFlag(ZonesLayer) && scene.zones();
    if (zones)
        paintZones(painter, *scene.zones(), zoom);
    if (layers.testFlag(DefectsLayer))
        paintDefects(painter, scene.borders(), zoom, area, DefectPart::Lines);
    if (layers.testFlag(HullLayer))
        paintHull(painter, scene.hull(), zoom);
    if (layers.testFlag(BordersLayer))
        paintBorders(painter, scene.borders(), zoom, area);
    if (layers.testFlag(DefectsLayer))
        paintDefects(painter, scene.borders(), zoom, area, DefectPart::Marks);
    if (zones && layers.testFlag(ZoneValuesLayer))
        paintZoneValues(painter, *scene.zones(), zoom);
    painter.restore();
}

QImage renderPicture(ViewerScene& scene, Zoom zoom, Layers layers)
{
    const Bitmap& bitmap = scene.bitmap();
    const QSize size = zoom.pictureSize({ bitmap.width, bitmap.height });
    if (size.isEmpty() || size.width() > kMaxShownSide || size.height() > kMaxShownSide
        || static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height())
            > kMaxPixels)
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
    const bool blank = scene.hull().empty();
    const QString noBlack = pictureTr("la imagen no tiene píxeles negros");

    if (!layers.testFlag(BordersLayer)) {
        note(pictureTr("Bordes: capa apagada"));
    } else if (blank) {
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
    else if (blank)
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
                    .arg(QString::fromStdString(fixed2(borders.defects.front().depth))));
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

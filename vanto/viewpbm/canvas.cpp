#include "canvas.hpp"

#include "integer_division.hpp"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPolygon>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace vanto {

using glifora::support::floorDiv;

Canvas::Canvas(QImage& part, QPoint origin)
    : bits_(reinterpret_cast<QRgb*>(part.bits()))
    , stride_(part.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)))
    , area_(origin, part.size())
{
}

void Canvas::fill(QRect rect, QRgb colour)
{
    rect &= area_;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        QRgb* row = pixelAt(rect.left(), y);
        std::fill(row, row + rect.width(), colour);
    }
}

void Canvas::line(QPoint a, QPoint b, QRgb colour)
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

void Canvas::polyline(const QPolygon& points, QRgb colour)
{
    if (points.size() == 1)
        point(points.front(), colour);
    for (qsizetype i = 1; i < points.size(); ++i)
        line(points[i - 1], points[i], colour);
}

void Canvas::square(QPoint p, QRgb colour)
{
    fill(QRect(p.x() - 2, p.y() - 2, 5, 1), colour);
    fill(QRect(p.x() - 2, p.y() + 2, 5, 1), colour);
    fill(QRect(p.x() - 2, p.y() - 1, 1, 3), colour);
    fill(QRect(p.x() + 2, p.y() - 1, 1, 3), colour);
}

void Canvas::put(const QImage& label, QPoint topLeft)
{
    const QRect shown = QRect(topLeft, label.size()) & area_;
    for (int y = shown.top(); y <= shown.bottom(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(label.constScanLine(y - topLeft.y()))
            + (shown.left() - topLeft.x());
        std::copy(from, from + shown.width(), pixelAt(shown.left(), y));
    }
}

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

} // namespace vanto

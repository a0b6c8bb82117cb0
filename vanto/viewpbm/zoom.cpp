#include "zoom.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace vanto {
namespace {

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

} // namespace vanto

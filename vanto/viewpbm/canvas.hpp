// A raster canvas for the picture's layers: the exposed part of the
// picture as a buffer of pixels that lines, squares and ready-made labels
// are written straight into, and the labels themselves, drawn once and kept.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class QFont;
class QPolygon;

namespace vanto {

// The layers are lines one pixel wide, small squares and ready-made labels,
// all opaque: for such things a painter's work per call costs far more than
// the pixels themselves. Coordinates are the picture's; whatever falls
// outside the part is left out, so a picture painted piece by piece has the
// same pixels as one painted whole.
class Canvas {
public:
    // part: the pixels (RGB32) of the picture's part whose top left corner
    // is origin. The canvas writes into them; part must outlive it.
    Canvas(QImage& part, QPoint origin);

    const QRect& area() const { return area_; }

    void fill(QRect rect, QRgb colour);
    // The pixels of the segment from a to b, both ends included: along the
    // longer axis one a step, the other coordinate rounded at each step, so
    // the part of a segment in view is found without walking the rest.
    void line(QPoint a, QPoint b, QRgb colour);
    void polyline(const QPolygon& points, QRgb colour);
    // A hollow square of 5 x 5 pixels round p.
    void square(QPoint p, QRgb colour);
    // A label (RGB32) with its top left corner at topLeft.
    void put(const QImage& label, QPoint topLeft);

private:
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

// A label drawn once, in its colour on a white patch so that it reads over
// black and white pixels alike, and kept: laying text out costs far more than
// copying its pixels, and the same few labels come back at every paint.
// A label of several lines has them centred one under the other. Only the
// painting thread may call it.
const QImage& labelImage(const QString& text, const QFont& font, QRgb colour);

} // namespace vanto

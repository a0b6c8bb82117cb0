// How large the viewer shows the image: the zoom as a whole factor up or
// down, the ladder of steps between 1:64 and 256:1, and the zoom that fits
// an image into the room a window has.
#pragma once

#include <QSize>
#include <QString>

namespace vanto {

// How large the image is shown: each image pixel as an enlarge x enlarge
// square of screen pixels, or each reduce x reduce block of image pixels as
// one screen pixel, black when any of them is black. One of the two is 1,
// so every image pixel stays a crisp square or a crisp dot.
struct Zoom {
    int enlarge = 1;
    int reduce = 1;

    friend bool operator==(const Zoom&, const Zoom&) = default;

    // The picture coordinate where image pixel c (or the image coordinate
    // c, between pixels) begins.
    int edge(int c) const { return c * enlarge / reduce; }
    int edge(double c) const;
    // The picture coordinate through the centre of image pixel c.
    int centre(int c) const { return (2 * c + 1) * enlarge / (2 * reduce); }
    // The image pixel shown at picture coordinate p (the first of a block).
    int pixelAt(int p) const { return p * reduce / enlarge; }
    QSize pictureSize(QSize image) const;
    // "8:1", "1:1", "1:4".
    QString text() const;
};

// The steps of zooming in and out, from 1:64 to 256:1.
Zoom zoomedIn(Zoom zoom);
Zoom zoomedOut(Zoom zoom);

// The largest zoom at which the whole image fits into available.
Zoom fitZoom(QSize image, QSize available);

} // namespace vanto

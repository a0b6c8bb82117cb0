// The viewer's picture: the image at a zoom with the chosen layers drawn
// over it. Painting is apart from the window, so that the same code paints
// the window, writes "Guardar imagen…" and draws into a QImage in tests.
#pragma once

#include <QColor>
#include <QFlags>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace vanto {

class ViewerScene;

// Pictures beyond this many pixels a side are more than the window systems
// we run on can show.
inline constexpr int kMaxShownSide = 32767;

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

enum Layer {
    BordersLayer = 0x01,
    HullLayer = 0x02,
    DefectsLayer = 0x04,
    DeficiencyLayer = 0x08,
    ZonesLayer = 0x10,
    ZoneValuesLayer = 0x20, // the zones' values written in them, with ZonesLayer
};
Q_DECLARE_FLAGS(Layers, Layer)

// The colours of the layers, also shown in the legend. All are opaque: the
// layers are written straight into the picture's pixels.
namespace colours {
inline constexpr QRgb kWhite = 0xffffffff;
inline constexpr QRgb kBlack = 0xff000000;
inline constexpr QRgb kOuterBorder = 0xff1e90ff;
inline constexpr QRgb kHoleBorder = 0xffff8c00;
inline constexpr QRgb kHull = 0xff00b33c;
inline constexpr QRgb kDefect = 0xffe000e0;
inline constexpr QRgb kFaintDefect = 0xfff0a0f0; // below one pixel deep: pale
inline constexpr QRgb kLake = 0xff9ccfff;
inline constexpr QRgb kBay = 0xffffe680;
inline constexpr QRgb kZoneBox = 0xffd01010;
inline constexpr QRgb kZoneGrid = 0xfff08080;
} // namespace colours

// Paints the part area of the picture (picture coordinates: (0, 0) is the
// image's top left corner at the zoom) with painter, whose origin is the
// picture's. Only what meets area is drawn; the analyses the layers need
// are made on first use and kept in the scene.
void paintPicture(QPainter& painter, ViewerScene& scene, Zoom zoom, Layers layers, QRect area);

// Whether a whole picture of size can be drawn: at most kMaxShownSide a side
// and no larger than the reader's largest image.
bool canRender(QSize size);

// The whole picture, or a null image when it cannot be drawn (canRender).
QImage renderPicture(ViewerScene& scene, Zoom zoom, Layers layers);

// One line of the legend: a colour (invalid for a line without one) and
// what it stands for, or what a layer has not got to show.
struct LegendEntry {
    QColor colour;
    QString text;
};
QList<LegendEntry> legendEntries(ViewerScene& scene, Layers layers);

} // namespace vanto

Q_DECLARE_OPERATORS_FOR_FLAGS(vanto::Layers)

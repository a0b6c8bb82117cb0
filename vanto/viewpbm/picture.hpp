// The viewer's picture: the image at a zoom with the chosen layers drawn
// over it. Painting is apart from the window, so that the same code paints
// the window, writes "Guardar imagen…" and draws into a QImage in tests.
#pragma once

#include "layers.hpp"
#include "zoom.hpp"

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

namespace vanto {

class ViewerScene;

// Pictures beyond this many pixels a side are more than the window systems
// we run on can show.
inline constexpr int kMaxShownSide = 32767;

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

} // namespace vanto

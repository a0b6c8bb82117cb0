// The widget that shows the picture: paints only the part of it that is
// exposed, and tells which image pixel the pointer is over.
#pragma once

#include "picture.hpp"

#include <QPoint>
#include <QWidget>

namespace vanto {

class ViewerScene;

class ImageView : public QWidget {
    Q_OBJECT

public:
    ImageView(ViewerScene& scene, QWidget* parent = nullptr);

    // Shows the picture at zoom with layers; the widget takes its size.
    void setPicture(Zoom zoom, Layers layers);

    // The image pixel shown at a point of the widget, or (-1, -1) where
    // there is none.
    QPoint pixelAt(QPoint position) const;

signals:
    // The pixel under the pointer, (-1, -1) once it has left the image.
    void pointerMoved(QPoint pixel);
    void clicked(QPoint pixel, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    ViewerScene& scene_;
    Zoom zoom_;
    Layers layers_;
};

} // namespace vanto

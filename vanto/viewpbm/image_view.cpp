#include "image_view.hpp"

#include "scene.hpp"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace vanto {

ImageView::ImageView(ViewerScene& scene, QWidget* parent)
    : QWidget(parent)
    , scene_(scene)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageView::setPicture(Zoom zoom, Layers layers)
{
    zoom_ = zoom;
    layers_ = layers;
    const Bitmap& bitmap = scene_.bitmap();
    setFixedSize(zoom_.pictureSize({ bitmap.width, bitmap.height }));
    update();
}

QPoint ImageView::pixelAt(QPoint position) const
{
    if (!rect().contains(position))
        return { -1, -1 };
    const Bitmap& bitmap = scene_.bitmap();
    const QPoint pixel(zoom_.pixelAt(position.x()), zoom_.pixelAt(position.y()));
    if (pixel.x() >= bitmap.width || pixel.y() >= bitmap.height)
        return { -1, -1 };
    return pixel;
}

void ImageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    paintPicture(painter, scene_, zoom_, layers_, event->rect());
}

void ImageView::mouseMoveEvent(QMouseEvent* event)
{
    emit pointerMoved(pixelAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    const QPoint pixel = pixelAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && pixel.x() >= 0)
        emit clicked(pixel, event->globalPosition().toPoint());
    QWidget::mousePressEvent(event);
}

void ImageView::leaveEvent(QEvent* event)
{
    emit pointerMoved({ -1, -1 });
    QWidget::leaveEvent(event);
}

} // namespace vanto

// The image viewer VIEWPBM.EXE: shows one PBM enlarged by a whole factor,
// every image pixel a crisp square of screen pixels.
#pragma once

#include "pbm.hpp"

#include <QImage>
#include <QScrollArea>
#include <QSize>
#include <QString>
#include <QStringList>

class QKeyEvent;
class QResizeEvent;

namespace vanto {

// The largest whole factor by which an image of size image fits into
// available, and 1 when it does not fit even as it is (it is scrolled then).
int fitFactor(QSize image, QSize available);

// The bitmap drawn black on white, each pixel a factor × factor square.
// Returns a null image when the result would be unreasonably large.
QImage renderBitmap(const Bitmap& bitmap, int factor);

// What the command line asks for: the image read from the one argument, or
// a Spanish message that says what is wrong.
struct ViewerInput {
    Bitmap bitmap;
    QString path;
    QString error;
};
ViewerInput loadViewerInput(const QStringList& arguments);

// The viewer's window: the image centred, at the largest whole factor that
// fits the window, with scroll bars only for images larger than the screen.
// Esc closes it.
class ViewerWindow : public QScrollArea {
    Q_OBJECT

public:
    ViewerWindow(const QString& path, Bitmap bitmap, QWidget* parent = nullptr);

    int factor() const { return factor_; }
    const QImage& image() const { return image_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitToViewport();

    Bitmap bitmap_;
    QImage image_;
    int factor_ = 0;
};

} // namespace vanto

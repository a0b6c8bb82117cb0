#include "viewer.hpp"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace vanto {
namespace {

// Windows and images beyond this many pixels a side are more than the
// window systems we run on can show; such images are refused up front.
constexpr int kMaxShownSide = 32767;

QString viewerTr(const char* text)
{
    return QCoreApplication::translate("vanto::ViewerWindow", text);
}

// Paints its image one to one, only the part that is exposed: no
// scaling happens at paint time, so pixels stay crisp.
class ImageWidget : public QWidget {
public:
    using QWidget::QWidget;

    void setImage(const QImage& image)
    {
        image_ = image;
        setFixedSize(image.size());
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.drawImage(event->rect(), image_, event->rect());
    }

private:
    QImage image_;
};

} // namespace

int fitFactor(QSize image, QSize available)
{
    if (image.isEmpty() || available.isEmpty())
        return 1;
    const int factor
        = std::min(available.width() / image.width(), available.height() / image.height());
    return std::max(factor, 1);
}

QImage renderBitmap(const Bitmap& bitmap, int factor)
{
    if (bitmap.width <= 0 || bitmap.height <= 0 || factor < 1
        || bitmap.width > kMaxShownSide / factor || bitmap.height > kMaxShownSide / factor)
        return {};

    // One bit a pixel with a two-colour table: bit 1 is black, as in PBM.
    QImage image(bitmap.width * factor, bitmap.height * factor, QImage::Format_Mono);
    if (image.isNull())
        return {};
    image.setColorTable({ qRgb(255, 255, 255), qRgb(0, 0, 0) });

    const auto lineBytes = static_cast<std::size_t>(image.bytesPerLine());
    for (int y = 0; y < bitmap.height; ++y) {
        uchar* first = image.scanLine(y * factor);
        std::memset(first, 0, lineBytes);
        for (int x = 0; x < bitmap.width; ++x) {
            if (!bitmap.black(x, y))
                continue;
            for (int px = x * factor; px < (x + 1) * factor; ++px)
                first[px >> 3] |= static_cast<uchar>(0x80u >> (px & 7));
        }
        for (int copy = 1; copy < factor; ++copy)
            std::memcpy(image.scanLine(y * factor + copy), first, lineBytes);
    }
    return image;
}

ViewerInput loadViewerInput(const QStringList& arguments)
{
    ViewerInput input;
    if (arguments.size() != 1) {
        input.error
            = viewerTr("Uso: VIEWPBM.EXE <imagen.pbm>. Se esperaba un argumento, el nombre de la "
                       "imagen, y se recibieron %1.")
                  .arg(arguments.size());
        return input;
    }
    input.path = arguments.front();
    PbmResult result = readPbm(QFile::encodeName(input.path).toStdString());
    if (!result.ok()) {
        input.error = QString::fromUtf8(result.error);
        return input;
    }
    if (result.bitmap.width > kMaxShownSide || result.bitmap.height > kMaxShownSide) {
        input.error = viewerTr("«%1»: la imagen mide %2×%3 píxeles, demasiado para mostrarla (el "
                               "máximo son %4 píxeles de lado)")
                          .arg(input.path)
                          .arg(result.bitmap.width)
                          .arg(result.bitmap.height)
                          .arg(kMaxShownSide);
        return input;
    }
    input.bitmap = std::move(result.bitmap);
    return input;
}

ViewerWindow::ViewerWindow(const QString& path, Bitmap bitmap, QWidget* parent)
    : QScrollArea(parent)
    , bitmap_(std::move(bitmap))
{
    setWindowTitle(tr("%1 - Visor de imágenes PBM").arg(QFileInfo(path).fileName()));
    setWindowFilePath(path);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
    setWidget(new ImageWidget(this));
    fitToViewport();
}

void ViewerWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QScrollArea::keyPressEvent(event);
}

void ViewerWindow::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    fitToViewport();
}

// Picks the factor for the space the window has, without scroll bars, and
// renders again only when it changes.
void ViewerWindow::fitToViewport()
{
    const int factor = fitFactor(QSize(bitmap_.width, bitmap_.height), maximumViewportSize());
    if (factor == factor_)
        return;
    factor_ = factor;
    image_ = renderBitmap(bitmap_, factor_);
    static_cast<ImageWidget*>(widget())->setImage(image_);
}

} // namespace vanto

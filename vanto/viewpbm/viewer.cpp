// The viewer's window: the picture in a scroll area with its zoom, the
// layers and their legend, the pointer's line, and Guardar imagen…. The
// recognition commands are in viewer_teaching.cpp.
#include "viewer.hpp"

#include "captions.hpp"
#include "image_view.hpp"
#include "recognition_panel.hpp"
#include "save_file.hpp"
#include "spanish.hpp"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <new>

namespace vanto {
namespace {

QString viewerTr(const char* text)
{
    return QCoreApplication::translate("vanto::ViewerWindow", text);
}

QIcon swatch(const QColor& colour)
{
    QPixmap square(14, 14);
    square.fill(colour.isValid() ? colour : QColor(Qt::transparent));
    if (colour.isValid()) {
        QPainter painter(&square);
        painter.setPen(Qt::darkGray);
        painter.drawRect(square.rect().adjusted(0, 0, -1, -1));
    }
    return QIcon(square);
}

} // namespace

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
        input.error = viewerTr("«%1»: la imagen mide %2 x %3 píxeles, demasiado para mostrarla (el "
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

ViewerWindow::ViewerWindow(
    const QString& path, Bitmap bitmap, const QString& toolDir, QWidget* parent)
    : QMainWindow(parent)
    , path_(path)
    , scene_(std::move(bitmap))
    , toolDir_(
          QFile::encodeName(toolDir.isEmpty() ? QCoreApplication::applicationDirPath() : toolDir)
              .toStdString())
    , teaching_(toolDir_)
{
    setWindowTitle(tr("%1 - Visor de imágenes PBM").arg(QFileInfo(path).fileName()));
    setWindowFilePath(path);

    scrollArea_ = new QScrollArea(this);
    scrollArea_->setAlignment(Qt::AlignCenter);
    scrollArea_->setBackgroundRole(QPalette::Dark);
    scrollArea_->viewport()->installEventFilter(this);
    view_ = new ImageView(scene_, scrollArea_);
    view_->setObjectName("imagen");
    scrollArea_->setWidget(view_);
    setCentralWidget(scrollArea_);
    connect(view_, &ImageView::pointerMoved, this, &ViewerWindow::showPointer);
    connect(view_, &ImageView::clicked, this, &ViewerWindow::showPixelInfo);

    pointerLabel_ = new QLabel(this);
    pointerLabel_->setObjectName("puntero");
    zoomLabel_ = new QLabel(this);
    statusBar()->addWidget(pointerLabel_, 1);
    statusBar()->addPermanentWidget(zoomLabel_);

    createActions();
    createMenus();
    createToolBar();
    createLegend();
    createRecognitionPanel();
    fitZoomToWindow();
}

QImage ViewerWindow::picture()
{
    return renderPicture(scene_, zoom_, layers_);
}

QString ViewerWindow::pointerText() const
{
    return pointerLabel_->text();
}

void ViewerWindow::createActions()
{
    saveAction_ = new QAction(tr("&Guardar imagen…"), this);
    saveAction_->setShortcut(tr("Ctrl+G"));
    saveAction_->setStatusTip(tr("Guarda lo que se ve, con sus capas, como imagen PNG"));
    connect(saveAction_, &QAction::triggered, this, &ViewerWindow::saveImageAs);

    closeAction_ = new QAction(tr("&Cerrar"), this);
    closeAction_->setShortcut(Qt::Key_Escape);
    connect(closeAction_, &QAction::triggered, this, &QWidget::close);

    zoomInAction_ = new QAction(tr("&Acercar"), this);
    zoomInAction_->setShortcuts({ QKeySequence::ZoomIn, tr("Ctrl+=") });
    connect(zoomInAction_, &QAction::triggered, this, &ViewerWindow::zoomIn);

    zoomOutAction_ = new QAction(tr("A&lejar"), this);
    zoomOutAction_->setShortcuts(QKeySequence::ZoomOut);
    connect(zoomOutAction_, &QAction::triggered, this, &ViewerWindow::zoomOut);

    fitAction_ = new QAction(tr("Ajustar a la &ventana"), this);
    fitAction_->setShortcut(tr("Ctrl+0"));
    connect(fitAction_, &QAction::triggered, this, &ViewerWindow::fitToWindow);

    actualSizeAction_ = new QAction(tr("&Tamaño real (1:1)"), this);
    actualSizeAction_->setShortcut(tr("Ctrl+1"));
    connect(actualSizeAction_, &QAction::triggered, this, &ViewerWindow::showActualSize);

    addLayerAction(tr("&Bordes"), tr("B"), BordersLayer);
    addLayerAction(tr("&Casco convexo"), tr("C"), HullLayer);
    addLayerAction(tr("&Defectos"), tr("D"), DefectsLayer);
    addLayerAction(tr("De&ficiencia"), tr("F"), DeficiencyLayer);
    addLayerAction(tr("&Zonas"), tr("Z"), ZonesLayer);
    zoneValuesAction_ = addLayerAction(tr("&Valores de las zonas"), tr("V"), ZoneValuesLayer);
    zoneValuesAction_->setEnabled(false);

    recogniseAction_ = new QAction(tr("&Reconocer"), this);
    recogniseAction_->setShortcut(tr("R"));
    recogniseAction_->setToolTip(tr("Reconocer el carácter (R)"));
    recogniseAction_->setStatusTip(
        tr("Dice qué carácter es, con los más cercanos de las referencias y su distancia"));
    connect(recogniseAction_, &QAction::triggered, this, &ViewerWindow::recogniseImage);

    teachAction_ = new QAction(tr("&Enseñar…"), this);
    teachAction_->setShortcut(tr("Ctrl+E"));
    teachAction_->setToolTip(tr("Enseñar qué carácter es (Ctrl+E)"));
    teachAction_->setStatusTip(tr("Añade la imagen a las referencias como el carácter que diga"));
    connect(teachAction_, &QAction::triggered, this, &ViewerWindow::askAndTeach);

    undoAction_ = new QAction(this);
    undoAction_->setShortcut(QKeySequence::Undo);
    connect(undoAction_, &QAction::triggered, this, &ViewerWindow::undoTeaching);
    updateUndo();

    // The window's own shortcuts work wherever the focus is in it.
    addActions({ saveAction_, closeAction_, zoomInAction_, zoomOutAction_, fitAction_,
        actualSizeAction_, recogniseAction_, teachAction_, undoAction_ });
    addActions(layerActions_);
}

QAction* ViewerWindow::addLayerAction(const QString& text, const QKeySequence& key, Layer layer)
{
    auto* action = new QAction(text, this);
    action->setCheckable(true);
    action->setData(static_cast<int>(layer));
    action->setShortcut(key);
    action->setToolTip(tr("%1 (%2)").arg(QString(text).remove('&'), key.toString()));
    connect(action, &QAction::toggled, this, [this, layer](bool on) { setLayer(layer, on); });
    layerActions_.append(action);
    return action;
}

void ViewerWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&Archivo"));
    file->addAction(saveAction_);
    file->addSeparator();
    file->addAction(closeAction_);

    QMenu* view = menuBar()->addMenu(tr("&Ver"));
    view->setObjectName("ver");
    view->addAction(zoomInAction_);
    view->addAction(zoomOutAction_);
    view->addAction(fitAction_);
    view->addAction(actualSizeAction_);

    QMenu* layers = menuBar()->addMenu(tr("&Capas"));
    layers->addActions(layerActions_);

    QMenu* recognition = menuBar()->addMenu(tr("&Reconocimiento"));
    recognition->addAction(recogniseAction_);
    recognition->addSeparator();
    recognition->addAction(teachAction_);
    recognition->addAction(undoAction_);
}

void ViewerWindow::createToolBar()
{
    QToolBar* bar = addToolBar(tr("Capas y zoom"));
    bar->setObjectName("barra");
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions(layerActions_);
    bar->addSeparator();
    bar->addActions({ zoomOutAction_, zoomInAction_, fitAction_, actualSizeAction_ });
    bar->addSeparator();
    bar->addActions({ recogniseAction_, teachAction_ });
    bar->addSeparator();
    bar->addAction(saveAction_);
    QMenu* view = menuBar()->findChild<QMenu*>("ver");
    view->addSeparator();
    QAction* toggle = bar->toggleViewAction();
    toggle->setText(tr("&Barra de herramientas"));
    view->addAction(toggle);
}

void ViewerWindow::createLegend()
{
    auto* dock = new QDockWidget(tr("Leyenda"), this);
    dock->setObjectName("leyenda");
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    legend_ = new QListWidget(dock);
    legend_->setObjectName("leyenda");
    legend_->setAccessibleName(tr("Leyenda de las capas"));
    legend_->setSelectionMode(QAbstractItemView::NoSelection);
    legend_->setWordWrap(true);
    dock->setWidget(legend_);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    QAction* toggle = dock->toggleViewAction();
    toggle->setText(tr("&Leyenda"));
    menuBar()->findChild<QMenu*>("ver")->addAction(toggle);
    updateLegend();
}

void ViewerWindow::setLayer(Layer layer, bool on)
{
    if (on) {
        // Each analysis is made once, the first time a layer needs it; on a
        // very large image that takes a moment.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            switch (layer) {
            case BordersLayer:
            case DefectsLayer:
                scene_.borders();
                break;
            case HullLayer:
                scene_.hull();
                break;
            case DeficiencyLayer:
                scene_.deficiency();
                break;
            case ZonesLayer:
            case ZoneValuesLayer:
                scene_.zones();
                break;
            }
        } catch (const std::bad_alloc&) {
            QApplication::restoreOverrideCursor();
            QMessageBox::warning(this, tr("Visor de imágenes PBM"),
                tr("No hay memoria suficiente para analizar «%1»; la capa queda apagada.")
                    .arg(QDir::toNativeSeparators(path_)));
            for (QAction* action : layerActions_) {
                if (action->data().toInt() == layer) {
                    const QSignalBlocker blocker(action);
                    action->setChecked(false);
                }
            }
            return;
        }
        QApplication::restoreOverrideCursor();
    }
    layers_.setFlag(layer, on);
    if (layer == ZonesLayer)
        zoneValuesAction_->setEnabled(on);
    view_->setPicture(zoom_, layers_);
    updateLegend();
    updateDescription();
}

void ViewerWindow::zoomIn()
{
    setZoom(zoomedIn(zoom_), scrollArea_->viewport()->rect().center());
}

void ViewerWindow::zoomOut()
{
    setZoom(zoomedOut(zoom_), scrollArea_->viewport()->rect().center());
}

void ViewerWindow::fitToWindow()
{
    fit_ = Fit::Window;
    fitZoomToWindow();
}

void ViewerWindow::showActualSize()
{
    setZoom({ 1, 1 }, scrollArea_->viewport()->rect().center());
}

// Shows the picture at zoom, keeping the image point under anchor (in the
// viewport) where it is.
void ViewerWindow::setZoom(Zoom zoom, QPoint anchor)
{
    const Bitmap& bitmap = scene_.bitmap();
    const QSize size = zoom.pictureSize({ bitmap.width, bitmap.height });
    if (size.width() > kMaxShownSide || size.height() > kMaxShownSide)
        return;
    if (zoom != zoom_)
        fit_ = Fit::None;
    const QPointF at = QPointF(anchor - view_->pos()) * zoom_.reduce / zoom_.enlarge;
    zoom_ = zoom;
    view_->setPicture(zoom_, layers_);
    const QPointF now = at * zoom_.enlarge / zoom_.reduce;
    scrollArea_->horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(now.x() - anchor.x())));
    scrollArea_->verticalScrollBar()->setValue(static_cast<int>(std::lround(now.y() - anchor.y())));

    const QSize next = zoomedIn(zoom_).pictureSize({ bitmap.width, bitmap.height });
    zoomInAction_->setEnabled(zoomedIn(zoom_) != zoom_ && next.width() <= kMaxShownSide
        && next.height() <= kMaxShownSide);
    zoomOutAction_->setEnabled(zoomedOut(zoom_) != zoom_);
    zoomLabel_->setText(tr("Zoom %1").arg(zoom_.text()));
    updateDescription();
    // The picture has moved under the pointer: say what is there now.
    showPointerWhereItIs();
}

void ViewerWindow::showPointerWhereItIs()
{
    const QPoint global = QCursor::pos();
    const QWidget* viewport = scrollArea_->viewport();
    const bool inView = isVisible() && viewport->rect().contains(viewport->mapFromGlobal(global));
    showPointer(inView ? view_->pixelAt(view_->mapFromGlobal(global)) : QPoint(-1, -1));
}

// Picks the zoom for the space the window has, without scroll bars, when
// the zoom follows the window.
void ViewerWindow::fitZoomToWindow()
{
    const QSize image(scene_.bitmap().width, scene_.bitmap().height);
    const QSize room = scrollArea_->maximumViewportSize();
    if (fit_ == Fit::Window) {
        setZoom(fitZoom(image, room), {});
        fit_ = Fit::Window;
    }
}

void ViewerWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitZoomToWindow();
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl + wheel zooms about the pointer; the wheel alone scrolls.
    if (watched == scrollArea_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            wheelDelta_ += wheel->angleDelta().y();
            const QPoint anchor = wheel->position().toPoint();
            for (; wheelDelta_ >= 120; wheelDelta_ -= 120)
                setZoom(zoomedIn(zoom_), anchor);
            for (; wheelDelta_ <= -120; wheelDelta_ += 120)
                setZoom(zoomedOut(zoom_), anchor);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QString ViewerWindow::describePixel(QPoint pixel)
{
    const Bitmap& bitmap = scene_.bitmap();
    const Point p { pixel.x(), pixel.y() };
    QStringList parts;
    QString colour = bitmap.black(p.x, p.y) ? tr("negro") : tr("blanco");
    if (layers_.testFlag(DeficiencyLayer)) {
        const std::uint8_t shade
            = scene_.deficiency()
                  .shades[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(bitmap.width)
                      + static_cast<std::size_t>(p.x)];
        if (shade == kShadeLake)
            colour = tr("blanco, de un lago");
        else if (shade == kShadeBay)
            colour = tr("blanco, de una bahía");
    }
    parts << tr("(%1, %2) %3").arg(p.x).arg(p.y).arg(colour);
    if (layers_.testFlag(BordersLayer)) {
        for (const BorderShape* border : scene_.bordersAt(p))
            parts << QString::fromStdString(borderName(*border));
    }
    if (layers_.testFlag(ZonesLayer) && scene_.zones()) {
        const vecplan::ZoneLayout& zones = *scene_.zones();
        // The zone that holds the pixel's centre.
        const auto holder = [](const std::vector<double>& edges, double at) {
            const auto after = std::upper_bound(edges.begin(), edges.end(), at);
            const auto index = after - edges.begin() - 1;
            return index >= 0 && after != edges.end() ? static_cast<int>(index) : -1;
        };
        const int column = holder(zones.columnEdges, p.x + 0.5);
        const int row = holder(zones.rowEdges, p.y + 0.5);
        if (column >= 0 && row >= 0)
            parts
                << tr("zona de la fila %1, columna %2: %3")
                       .arg(row + 1)
                       .arg(column + 1)
                       .arg(zoneDescription(
                           zones.measures[static_cast<std::size_t>(row * zones.columns + column)]));
    }
    return parts.join(QStringLiteral(" · "));
}

void ViewerWindow::showPointer(QPoint pixel)
{
    pointerLabel_->setText(pixel.x() < 0 ? QString() : describePixel(pixel));
}

void ViewerWindow::showPixelInfo(QPoint pixel, QPoint globalPosition)
{
    const QString text = describePixel(pixel);
    pointerLabel_->setText(text);
    QToolTip::showText(globalPosition, text, view_);
}

void ViewerWindow::updateLegend()
{
    legend_->clear();
    for (const LegendEntry& entry : legendEntries(scene_, layers_)) {
        auto* item = new QListWidgetItem(swatch(entry.colour), entry.text, legend_);
        if (!entry.colour.isValid())
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    }
}

void ViewerWindow::updateDescription()
{
    const QString name = tr("Imagen %1, %2 x %3 píxeles")
                             .arg(QFileInfo(path_).fileName())
                             .arg(scene_.bitmap().width)
                             .arg(scene_.bitmap().height);
    QStringList shown;
    for (QAction* action : layerActions_) {
        if (action->isChecked() && action->isEnabled())
            shown << QString(action->text()).remove('&');
    }
    QString description
        = tr("Zoom %1; capas: %2")
              .arg(zoom_.text(), shown.isEmpty() ? tr("ninguna") : shown.join(", "));
    // The image area has the focus: what Reconocer found is said there too.
    if (recognitionShown_)
        description = tr("%1. %2").arg(description, panel_->summary());
    for (QWidget* area : { static_cast<QWidget*>(scrollArea_), static_cast<QWidget*>(view_) }) {
        area->setAccessibleName(name);
        // Each change is told to a screen reader: only real ones.
        if (area->accessibleDescription() != description)
            area->setAccessibleDescription(description);
    }
}

void ViewerWindow::saveImageAs()
{
    // Said before a name is asked for, not after.
    const QSize size = zoom_.pictureSize({ scene_.bitmap().width, scene_.bitmap().height });
    if (!canRender(size)) {
        QMessageBox::warning(this, tr("Guardar imagen"),
            tr("No se puede guardar la imagen: %1.").arg(tooLargeToSave(size)));
        return;
    }
    const QFileInfo image(path_);
    QFileDialog dialog(this, tr("Guardar imagen"),
        image.dir().filePath(image.completeBaseName() + QStringLiteral(".png")),
        tr("Imágenes PNG (*.png)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    // Qt's own dialog, which speaks Spanish whatever the desktop does.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    glifora::useSpanishFileDetails(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    saveImage(dialog.selectedFiles().front());
}

QString ViewerWindow::tooLargeToSave(QSize size) const
{
    return tr("a este zoom la imagen mide %1 x %2 píxeles, demasiado para guardarla; aleje la "
              "vista (Ctrl −) y vuelva a probar")
        .arg(QLocale().toString(size.width()), QLocale().toString(size.height()));
}

bool ViewerWindow::saveImage(QString path)
{
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    const auto fail = [&](const QString& reason) {
        QMessageBox::warning(this, tr("Guardar imagen"),
            tr("No se pudo guardar la imagen en «%1»: %2")
                .arg(QDir::toNativeSeparators(path), reason));
        return false;
    };
    // A large picture takes a moment to draw and compress.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QImage shown = picture();
    QApplication::restoreOverrideCursor();
    if (shown.isNull()) {
        const QSize size = zoom_.pictureSize({ scene_.bitmap().width, scene_.bitmap().height });
        return fail(tooLargeToSave(size));
    }
    // Compressed in memory first, so that the file is written in one go
    // and a failure leaves nothing behind.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool encoded = writer.write(shown);
    QApplication::restoreOverrideCursor();
    if (!encoded)
        return fail(writer.errorString());
    const std::string failure = writeFileWhole(QFile::encodeName(path).toStdString(),
        { png.constData(), static_cast<std::size_t>(png.size()) });
    if (!failure.empty())
        return fail(QString::fromUtf8(failure));
    return true;
}

} // namespace vanto

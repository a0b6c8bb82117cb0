// The image viewer VIEWPBM.EXE: shows one PBM, every image pixel a crisp
// square of screen pixels, with the analyses of the text tools drawn over it
// on demand as layers.
#pragma once

#include "pbm.hpp"
#include "picture.hpp"
#include "recognition.hpp"
#include "scene.hpp"

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class QAction;
class QDockWidget;
class QLabel;
class QListWidget;
class QResizeEvent;
class QScrollArea;

namespace vanto {

class ImageView;
class RecognitionPanel;

// What the command line asks for: the image read from the one argument, or
// a Spanish message that says what is wrong.
struct ViewerInput {
    Bitmap bitmap;
    QString path;
    QString error;
};
ViewerInput loadViewerInput(const QStringList& arguments);

// The viewer's window. It opens with the whole image centred at the largest
// zoom that fits (a whole factor, or below 1:1 for an image larger than the
// window), following the window's size until the user picks a zoom. The
// layers are off until asked for; Esc closes it. Reconocer names the
// character against the references of the tool directory, Enseñar… adds the
// image to them, Deshacer takes back what this window taught.
class ViewerWindow : public QMainWindow {
    Q_OBJECT

public:
    // toolDir: the folder whose refset.db recognises and learns, the
    // viewer's own folder when empty (as VECPLAN.EXE uses its own).
    ViewerWindow(const QString& path, Bitmap bitmap, const QString& toolDir = QString(),
        QWidget* parent = nullptr);

    Zoom zoom() const { return zoom_; }
    Layers layers() const { return layers_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    ImageView* imageView() const { return view_; }
    // What the window shows: the picture at its zoom with its layers.
    QImage picture();
    // What the status bar says of the pixel under the pointer.
    QString pointerText() const;

    // Writes the picture to path as PNG, ".png" added when missing, through
    // a temporary file in the same folder so that nothing partial is ever
    // left. A failure is reported in a Spanish box; returns whether it was
    // written.
    bool saveImage(QString path);

    // Adds the image to the references as `character`, as Enseñar… does
    // once asked, and says so in the status bar; a refusal is reported in a
    // Spanish box and changes nothing. Returns whether a reference was
    // added.
    bool teach(const QString& character);
    // What Reconocer shows, once it has been asked for.
    RecognitionPanel* recognitionPanel() const { return panel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void saveImageAs();
    void zoomIn();
    void zoomOut();
    void fitToWindow();
    void showActualSize();
    void showPointer(QPoint pixel);
    void showPixelInfo(QPoint pixel, QPoint globalPosition);
    // Reconocer, Enseñar…, Deshacer (viewer_teaching.cpp).
    void recogniseImage();
    void askAndTeach();
    void undoTeaching();

private:
    // How the zoom follows the window's size.
    enum class Fit {
        None, // the user's zoom stays
        Window, // the whole image in the window, reduced if need be
    };

    void createActions();
    void createMenus();
    void createToolBar();
    void createLegend();
    void createRecognitionPanel(); // in viewer_teaching.cpp
    QAction* addLayerAction(const QString& text, const QKeySequence& key, Layer layer);
    void setLayer(Layer layer, bool on);
    void setZoom(Zoom zoom, QPoint anchor);
    void fitZoomToWindow();
    void updateLegend();
    void updateDescription();
    QString describePixel(QPoint pixel);
    void showPointerWhereItIs();
    QString tooLargeToSave(QSize size) const;
    // Recognition and teaching (viewer_teaching.cpp).
    std::optional<vecplan::Recognition> recognition();
    void showRecognition(const vecplan::Recognition& recognition, bool reportFault);
    void refreshRecognition();
    void updateUndo();
    void warn(const QString& title, const std::string& message);
    void warn(const QString& title, const QString& message);

    QString path_;
    ViewerScene scene_;
    QScrollArea* scrollArea_ = nullptr;
    ImageView* view_ = nullptr;
    QLabel* pointerLabel_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QListWidget* legend_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* closeAction_ = nullptr;
    QAction* zoomInAction_ = nullptr;
    QAction* zoomOutAction_ = nullptr;
    QAction* fitAction_ = nullptr;
    QAction* actualSizeAction_ = nullptr;
    QList<QAction*> layerActions_;
    QAction* zoneValuesAction_ = nullptr;
    QAction* recogniseAction_ = nullptr;
    QAction* teachAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QDockWidget* panelDock_ = nullptr;
    RecognitionPanel* panel_ = nullptr;
    bool recognitionShown_ = false; // kept up to date from then on
    std::string toolDir_; // as the recogniser's library names files
    vecplan::TeachingSession teaching_;
    Zoom zoom_;
    Fit fit_ = Fit::Window;
    Layers layers_;
    int wheelDelta_ = 0; // wheel turns not yet a whole zoom step
};

} // namespace vanto

// The viewer's recognition commands: Reconocer shows what the recogniser
// makes of the image, Enseñar… adds the image to the references of the tool
// directory, Deshacer takes back what this window taught. The rest of the
// window is in viewer.cpp.
#include "viewer.hpp"

#include "recognition_panel.hpp"
#include "teach_dialog.hpp"
#include "wording.hpp"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

#include <new>

namespace vanto {
namespace {

// How long the status bar says what a teach or an undo did.
constexpr int kDoneMessageTime = 10000; // milliseconds

// The busy pointer for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void ViewerWindow::createRecognitionPanel()
{
    panelDock_ = new QDockWidget(tr("Reconocimiento"), this);
    panelDock_->setObjectName("panel-reconocimiento");
    panelDock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    panel_ = new RecognitionPanel(teachAction_, undoAction_, panelDock_);
    panelDock_->setWidget(panel_);
    // Under the legend, out of sight until Reconocer is asked for.
    addDockWidget(Qt::RightDockWidgetArea, panelDock_);
    splitDockWidget(findChild<QDockWidget*>("leyenda"), panelDock_, Qt::Vertical);
    panelDock_->hide();
    QAction* toggle = panelDock_->toggleViewAction();
    toggle->setText(tr("&Reconocimiento"));
    menuBar()->findChild<QMenu*>("ver")->addAction(toggle);
}

void ViewerWindow::recogniseImage()
{
    if (const auto found = recognition())
        showRecognition(*found, true);
}

// Measures and ranks the image against the tool directory's references, as
// VECPLAN.EXE does; nothing, after a box, when memory runs out.
std::optional<vecplan::Recognition> ViewerWindow::recognition()
{
    try {
        const WaitCursor wait;
        return vecplan::recognise(scene_.bitmap(), toolDir_);
    } catch (const std::bad_alloc&) {
        warn(tr("Reconocer"),
            tr("No hay memoria suficiente para reconocer «%1».")
                .arg(QDir::toNativeSeparators(path_)));
        return std::nullopt;
    }
}

void ViewerWindow::showRecognition(const vecplan::Recognition& recognition, bool reportFault)
{
    recognitionShown_ = true;
    const QString fault = recognition.ok()
        ? QString()
        : QString::fromStdString(
            vecplan::describeRecognitionFault(recognition, path_.toStdString()));
    if (fault.isEmpty())
        panel_->showRecognition(recognition);
    else
        panel_->showFault(fault);
    if (panelDock_->isHidden()) {
        panelDock_->show();
        // The legend needs little height: the result takes what it needs.
        resizeDocks({ panelDock_ }, { panelDock_->sizeHint().height() }, Qt::Vertical);
    }
    panelDock_->raise();
    updateDescription();
    if (!fault.isEmpty() && reportFault)
        warn(tr("Reconocer"), fault);
}

// After a teach or an undo the result shown is that of the references now.
void ViewerWindow::refreshRecognition()
{
    if (!recognitionShown_)
        return;
    if (const auto found = recognition())
        showRecognition(*found, false);
}

void ViewerWindow::askAndTeach()
{
    // Whatever would refuse the image is said before a character is asked
    // for; the character recognised is offered.
    const auto found = recognition();
    if (!found)
        return;
    if (!found->measurement.ok()) {
        warn(tr("Enseñar"),
            vecplan::describeMeasureFault(
                found->measurement, path_.toStdString(), vecplan::Purpose::Teach));
        return;
    }
    if (!found->refsetError.empty()) {
        warn(tr("Enseñar"), found->refsetError);
        return;
    }
    const QString suggestion = found->ranking.candidates.empty()
        ? QString()
        : QString::fromStdString(found->ranking.candidates.front().label);
    TeachDialog dialog(QFileInfo(path_).fileName(), suggestion, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // Back to the window, for Ctrl+Z, even where no window manager brings it.
    activateWindow();
    if (accepted)
        teach(dialog.character());
}

bool ViewerWindow::teach(const QString& character)
{
    const std::string given = character.toStdString();
    vecplan::Lesson lesson;
    try {
        const WaitCursor wait;
        lesson = teaching_.teach(scene_.bitmap(), QFile::encodeName(path_).toStdString(), given);
    } catch (const std::bad_alloc&) {
        warn(tr("Enseñar"),
            tr("No hay memoria suficiente para enseñar «%1»; no se ha añadido nada.")
                .arg(QDir::toNativeSeparators(path_)));
        return false;
    }
    if (!lesson.label.ok()) {
        warn(tr("Enseñar"), vecplan::describeLabelFault(lesson.label, given));
        return false;
    }
    if (!lesson.measurement.ok()) {
        warn(tr("Enseñar"),
            vecplan::describeMeasureFault(
                lesson.measurement, path_.toStdString(), vecplan::Purpose::Teach));
        return false;
    }
    if (!lesson.store.ok()) {
        warn(tr("Enseñar"), vecplan::describeStoreFailure(lesson.store, toolDir_));
        return false;
    }
    const QString taught = QString::fromStdString(lesson.reference.label);
    statusBar()->showMessage(lesson.alreadyThere
            ? tr("Esta imagen ya era una referencia de «%1»: no se añade otra.").arg(taught)
            : tr("Enseñado: la imagen es ahora una referencia de «%1» (Ctrl+Z lo deshace).")
                  .arg(taught),
        kDoneMessageTime);
    updateUndo();
    refreshRecognition();
    return !lesson.alreadyThere;
}

void ViewerWindow::undoTeaching()
{
    if (!teaching_.canUndo())
        return;
    const QString taught = QString::fromStdString(teaching_.lastTaught().label);
    vecplan::StoreResult undone;
    {
        const WaitCursor wait;
        undone = teaching_.undo();
    }
    if (!undone.ok()) {
        warn(tr("Deshacer"), vecplan::describeStoreFailure(undone, toolDir_));
        return;
    }
    statusBar()->showMessage(undone.changed == 0
            ? tr("La referencia de «%1» enseñada desde esta ventana ya no estaba (se olvidó "
                 "después): no había nada que deshacer.")
                  .arg(taught)
            : tr("Deshecho: olvidada la referencia de «%1» enseñada con esta imagen.").arg(taught),
        kDoneMessageTime);
    updateUndo();
    refreshRecognition();
}

void ViewerWindow::updateUndo()
{
    const bool can = teaching_.canUndo();
    const QString label = can ? QString::fromStdString(teaching_.lastTaught().label) : QString();
    undoAction_->setEnabled(can);
    // "&&": a taught "&" is no access key.
    undoAction_->setText(can ? tr("&Deshacer: enseñar «%1»").arg(QString(label).replace('&', "&&"))
                             : tr("&Deshacer"));
    const QString key = undoAction_->shortcut().toString();
    undoAction_->setToolTip(
        can ? tr("Deshacer: enseñar «%1» (%2)").arg(label, key) : tr("Deshacer (%1)").arg(key));
}

void ViewerWindow::warn(const QString& title, const std::string& message)
{
    warn(title, QString::fromStdString(message));
}

// Plain text: a file name such as "<b>.pbm" is shown as it is, not as markup.
void ViewerWindow::warn(const QString& title, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // Back to the window, as after the teaching dialog.
    activateWindow();
}

} // namespace vanto

// VIEWPBM.EXE <imagen.pbm>: shows the image maximised until Esc. Any problem
// with the argument or the file is reported in a message box, never by
// waiting on the file.
#include "app_icon.hpp"
#include "spanish.hpp"
#include "viewer.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    glifora::installSpanishTranslation(app);
    glifora::setApplicationIcon(app);

    const vanto::ViewerInput input = vanto::loadViewerInput(app.arguments().mid(1));
    if (!input.error.isEmpty()) {
        QMessageBox::warning(
            nullptr, QCoreApplication::translate("main", "Visor de imágenes PBM"), input.error);
        return 1;
    }

    // The references it recognises and learns with are those of its own
    // folder, the tool directory.
    vanto::ViewerWindow window(input.path, input.bitmap, QCoreApplication::applicationDirPath());
    // Cover the screen first: without a window manager (a bare X server)
    // the request to maximise is not honoured.
    window.setGeometry(window.screen()->availableGeometry());
    window.showMaximized();
    return app.exec();
}

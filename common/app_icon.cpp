#include "app_icon.hpp"

#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>

namespace glifora {

void setApplicationIcon(QGuiApplication& app)
{
    // Every size the build drew, so that the window system picks one without
    // scaling.
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/glifora/icons"), { QStringLiteral("glifora.png") },
        QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    app.setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("glifora"));
}

} // namespace glifora

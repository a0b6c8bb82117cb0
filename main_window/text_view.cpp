#include "text_view.hpp"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>
#include <QPlainTextEdit>

namespace glifora {

QPlainTextEdit* makeTextView(QWidget* parent, const QString& accessibleName,
                             QPalette::ColorRole background)
{
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setAccessibleName(accessibleName);
    view->setUndoRedoEnabled(false);

    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, palette.color(background));
    view->setPalette(palette);
    return view;
}

void showText(QPlainTextEdit* view, QString text)
{
    text.replace(QChar(u'\0'), QChar(0x2400));
    view->setPlainText(text);
}

TextFile readTextFile(const QString& path, qint64 maxSize)
{
    auto failure = [&](const QString& reason) {
        return TextFile{QString(), reason};
    };

    // Check the kind of file before opening it: opening a FIFO would wait
    // for a writer, and reading a device could go on for ever.
    const QFileInfo info(path);
    if (!info.exists())
        return failure(QCoreApplication::translate("glifora", "el archivo no existe"));
    if (info.isDir())
        return failure(QCoreApplication::translate("glifora", "es una carpeta, no un archivo"));
    if (!info.isFile())
        return failure(QCoreApplication::translate("glifora", "no es un archivo normal"));
    if (info.size() > maxSize) {
        return failure(QCoreApplication::translate("glifora", "es demasiado grande (%1; máximo %2)")
                           .arg(QLocale().formattedDataSize(info.size()),
                                QLocale().formattedDataSize(maxSize)));
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(file.errorString());
    // Read one byte more than allowed, in case the file grew meanwhile.
    const QByteArray bytes = file.read(maxSize + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    if (bytes.size() > maxSize) {
        return failure(QCoreApplication::translate("glifora", "es demasiado grande (máximo %1)")
                           .arg(QLocale().formattedDataSize(maxSize)));
    }
    return TextFile{QString::fromLocal8Bit(bytes), QString()};
}

}  // namespace glifora

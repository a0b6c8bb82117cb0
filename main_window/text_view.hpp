// The read-only text views of both windows and the text files they show.
#pragma once

#include <QPalette>
#include <QString>

class QPlainTextEdit;
class QWidget;

namespace glifora {

// Files larger than this are refused rather than loaded into a view.
inline constexpr qint64 kMaxViewedFileSize = 256ll * 1024 * 1024;

// A read-only view that the user may select and copy from: fixed-pitch font,
// no line wrap, background taken from the palette's role.
QPlainTextEdit* makeTextView(QWidget* parent, const QString& accessibleName,
                             QPalette::ColorRole background);

// Puts text into a view as plain text. A NUL would end the text for some
// readers, so each shows as U+2400 (SYMBOL FOR NULL) instead.
void showText(QPlainTextEdit* view, QString text);

// A whole text file, decoded from the system's narrow code page, or the
// reason it could not be read.
struct TextFile {
    QString text;
    QString error;  // empty when the read worked

    bool ok() const { return error.isEmpty(); }
};

// Reads the regular file at path, whole. Anything else (missing, a
// directory, a FIFO or device, unreadable, larger than maxSize) gives an
// error naming the reason, and nothing blocks.
TextFile readTextFile(const QString& path, qint64 maxSize = kMaxViewedFileSize);

}  // namespace glifora

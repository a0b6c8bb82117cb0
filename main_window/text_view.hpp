// The read-only text views of both windows.
#pragma once

#include <QPalette>
#include <QString>

class QPlainTextEdit;
class QWidget;

namespace glifora {

// A read-only view that the user may select and copy from: fixed-pitch font,
// no line wrap, background taken from the palette's role.
QPlainTextEdit* makeTextView(QWidget* parent, const QString& accessibleName,
                             QPalette::ColorRole background);

// Puts text into a view as plain text. A NUL would end the text for some
// readers, so each shows as U+2400 (SYMBOL FOR NULL) instead.
void showText(QPlainTextEdit* view, QString text);

}  // namespace glifora

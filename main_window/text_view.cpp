#include "text_view.hpp"

#include <QFontDatabase>
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

}  // namespace glifora

#include "command_button.hpp"

#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace glifora {

namespace {
constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
}

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
    setDefault(false);
}

QRect CommandButton::captionRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

bool CommandButton::captionWraps() const
{
    const QRect area = captionRect();
    const QRect needed = fontMetrics().boundingRect(area, kCaptionFlags, text());
    return needed.height() > fontMetrics().lineSpacing() * 3 / 2;
}

void CommandButton::paintEvent(QPaintEvent*)
{
    // The style draws the bevel and the focus frame; the caption is drawn
    // here so that it may take two lines.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown()) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    painter.drawItemText(area, kCaptionFlags, option.palette, isEnabled(), caption,
                         QPalette::ButtonText);
}

}  // namespace glifora

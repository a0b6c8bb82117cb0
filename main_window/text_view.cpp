// A TextView's text and selection, and the grid of cells it is laid out
// in. How it paints is in text_view_painting.cpp, what it does with keys and
// the mouse in text_view_input.cpp.
#include "text_view.hpp"

#include <QAccessible>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "text_view_accessible.hpp"

namespace glifora {

namespace {

// Where a font lacks the OpenType tables of a script in the text (the bytes
// of a raw PBM decode to Syriac and Thaana, among others), Qt's shaping says
// so on standard error for every font it tries, then draws the characters
// with another one. Nothing is wrong and nobody can act on it: those lines
// are dropped, and every other message goes where it went before.
QtMessageHandler messagesBefore = nullptr;

void withoutFontScriptNotes(QtMsgType type, const QMessageLogContext& context,
                            const QString& message)
{
    if (type == QtWarningMsg &&
        message.trimmed().startsWith(QLatin1String("OpenType support missing for ")))
        return;
    messagesBefore(type, context, message);
}

void dropFontScriptNotes()
{
    static const bool installed = [] {
        messagesBefore = qInstallMessageHandler(withoutFontScriptNotes);
        return true;
    }();
    static_cast<void>(installed);
}

} // namespace

TextView::TextView(const QString& accessibleName, QPalette::ColorRole background, QWidget* parent)
    : QAbstractScrollArea(parent)
{
    installTextViewAccessibility();
    dropFontScriptNotes();
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);

    QPalette colours = palette();
    colours.setColor(QPalette::Base, colours.color(background));
    setPalette(colours);

    updateMetrics();
    updateScrollBars();
}

// ---- the text --------------------------------------------------------------

void TextView::setPlainText(QString text)
{
    // A NUL would end the text for some readers; each shows as a symbol.
    text.replace(QChar(u'\0'), QChar(0x2400));

    const bool announce = QAccessible::isActive();
    const QString before = announce ? lines.text() : QString();
    lines = TextLines(); // the old text goes before the new one is indexed
    lines = TextLines(std::move(text));

    cursor = Cursor();
    preferredColumn = -1;
    dragging = false;
    scrollTimer.stop();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();

    if (announce) {
        QAccessibleTextUpdateEvent event(this, 0, before, lines.text());
        QAccessible::updateAccessibility(&event);
    }
}

QString TextView::toPlainText() const
{
    if (!text().contains(u'\r'))
        return text();
    QString plain = text();
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(u'\r', u'\n');
    return plain;
}

QString TextView::selectedText() const
{
    return text().mid(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
}

void TextView::setSelection(int anchor, int position)
{
    const Cursor before = cursor;
    cursor.anchor = lines.snapBack(anchor);
    cursor.position = lines.snapBack(position);
    preferredColumn = -1;
    ensureVisible(cursor.position, cursor.position);
    restartBlink();
    viewport()->update();
    caretMoved(before);
}

void TextView::selectAll()
{
    const Cursor before = cursor;
    cursor = Cursor { 0, lines.size() };
    viewport()->update();
    caretMoved(before);
}

void TextView::copy()
{
    if (cursor.hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TextView::caretMoved(const Cursor& before)
{
    if (!QAccessible::isActive())
        return;
    if (cursor.position != before.position) {
        QAccessibleTextCursorEvent event(this, cursor.position);
        QAccessible::updateAccessibility(&event);
    }
    if (cursor.selectionStart() != before.selectionStart()
        || cursor.selectionEnd() != before.selectionEnd()) {
        QAccessibleTextSelectionEvent event(this, cursor.selectionStart(), cursor.selectionEnd());
        QAccessible::updateAccessibility(&event);
    }
}

// ---- geometry ----------------------------------------------------------------

void TextView::updateMetrics()
{
    metrics = QFontMetricsF(font());
    cell = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('0')));
    // Lines are whole pixels apart, as Qt's own text layout places them.
    const QFontMetrics pixels(font());
    ascent = pixels.ascent();
    lineHeight = std::max(1, pixels.height() + std::max(0, pixels.leading()));
    // Printable ASCII is drawn in runs when every character fills one cell,
    // as in any fixed-pitch font; otherwise each character on its own.
    asciiFitsCells = true;
    for (char16_t c = 0x20; c < 0x7f; ++c)
        asciiFitsCells
            = asciiFitsCells && std::abs(metrics.horizontalAdvance(QChar(c)) - cell) < 0.01;
    advances.clear();
}

int TextView::firstLine() const
{
    return verticalScrollBar()->value();
}

int TextView::firstColumn() const
{
    return horizontalScrollBar()->value();
}

int TextView::visibleLines() const
{
    return std::max(1, static_cast<int>((viewport()->height() - kMargin) / lineHeight));
}

int TextView::visibleColumns() const
{
    return std::max(1, static_cast<int>((viewport()->width() - kMargin) / cell));
}

QPointF TextView::cellOrigin(int line, int column) const
{
    return { kMargin + static_cast<qreal>(column - firstColumn()) * cell,
        kMargin + static_cast<qreal>(line - firstLine()) * lineHeight };
}

void TextView::updateScrollBars()
{
    // One step is a line or a column; room is left for the caret after the
    // longest line.
    verticalScrollBar()->setRange(0, std::max(0, lines.lineCount() - visibleLines()));
    verticalScrollBar()->setPageStep(visibleLines());
    horizontalScrollBar()->setRange(0, std::max(0, lines.longestLine() + 1 - visibleColumns()));
    horizontalScrollBar()->setPageStep(visibleColumns());
}

QRectF TextView::caretRect() const
{
    const int line = lines.lineOf(cursor.position);
    return { cellOrigin(line, cursor.position - lines.lineStart(line)), QSizeF(1, lineHeight) };
}

QRect TextView::characterRect(int offset) const
{
    const int at = lines.snapBack(offset);
    const int line = lines.lineOf(at);
    const int width = lines.nextPosition(at) - at == 2 && text()[at].isHighSurrogate() ? 2 : 1;
    return QRectF(cellOrigin(line, at - lines.lineStart(line)), QSizeF(width * cell, lineHeight))
        .toAlignedRect();
}

int TextView::cellAt(QPointF point, bool clamp) const
{
    const qreal row = std::floor((point.y() - kMargin) / lineHeight);
    const qreal column = std::floor((point.x() - kMargin) / cell);
    qint64 line = firstLine() + static_cast<qint64>(std::clamp<qreal>(row, -1e12, 1e12));
    if (clamp)
        line = std::clamp<qint64>(line, 0, lines.lineCount() - 1);
    else if (line < 0 || line >= lines.lineCount())
        return -1;
    const int start = lines.lineStart(static_cast<int>(line));
    const int length = lines.lineLength(static_cast<int>(line));
    qint64 at = firstColumn() + static_cast<qint64>(std::clamp<qreal>(column, -1e12, 1e12));
    if (clamp)
        at = std::clamp<qint64>(at, 0, std::max(0, length - 1));
    if (at < 0 || at >= length)
        return -1;
    return lines.snapBack(start + static_cast<int>(at));
}

int TextView::characterAt(QPointF point) const
{
    return cellAt(point, false);
}

int TextView::positionAt(QPointF point) const
{
    // The boundary between characters nearest to point, on the line under it.
    const qreal row = std::floor((point.y() - kMargin) / lineHeight);
    const qint64 line
        = std::clamp<qint64>(firstLine() + static_cast<qint64>(std::clamp<qreal>(row, -1e12, 1e12)),
            0, lines.lineCount() - 1);
    const int start = lines.lineStart(static_cast<int>(line));
    const qreal column = std::round((point.x() - kMargin) / cell);
    const qint64 at = std::clamp<qint64>(
        firstColumn() + static_cast<qint64>(std::clamp<qreal>(column, -1e12, 1e12)), 0,
        lines.lineLength(static_cast<int>(line)));
    return lines.snapBack(start + static_cast<int>(at));
}

void TextView::ensureVisible(int start, int end)
{
    auto show = [this](int offset) {
        const int line = lines.lineOf(offset);
        const int column = offset - lines.lineStart(line);
        QScrollBar* vertical = verticalScrollBar();
        if (line < vertical->value())
            vertical->setValue(line);
        else if (line >= vertical->value() + visibleLines())
            vertical->setValue(line - visibleLines() + 1);
        QScrollBar* horizontal = horizontalScrollBar();
        if (column < horizontal->value())
            horizontal->setValue(column);
        else if (column >= horizontal->value() + visibleColumns())
            horizontal->setValue(column - visibleColumns() + 1);
    };
    show(std::clamp(end, 0, lines.size()));
    show(std::clamp(start, 0, lines.size()));
}

void TextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TextView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        updateScrollBars();
        viewport()->update();
    }
}

} // namespace glifora

#include "text_view.hpp"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <array>
#include <cmath>

#include "text_view_accessible.hpp"

namespace glifora {

namespace {

// The space between the frame and the text, as QTextDocument leaves it.
constexpr qreal kMargin = 4;

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

// ---- painting ----------------------------------------------------------------

qreal TextView::advanceOf(QChar c) const
{
    const auto known = advances.find(c.unicode());
    if (known != advances.end())
        return known->second;
    const qreal advance = metrics.horizontalAdvance(c);
    advances.emplace(c.unicode(), advance);
    return advance;
}

void TextView::drawRun(QPainter& painter, int from, int to, qreal x, qreal baseline) const
{
    const QChar* chars = text().constData();
    auto left = [&](int offset) { return x + (offset - from) * cell; };
    auto isAscii = [&](QChar c) { return c >= u' ' && c < u'\x7f' && asciiFitsCells; };

    for (int i = from; i < to;) {
        const QChar c = chars[i];
        int end = i + 1;
        if (c == u'\t') {
            // An empty cell: Qt would stretch it to a tab stop.
        } else if (c.isHighSurrogate() && end < lines.size() && chars[end].isLowSurrogate()) {
            // A character beyond the first plane takes the two cells of its
            // two units.
            ++end;
            drawFitted(painter, QString(chars + i, 2), 2 * cell, QPointF(left(i), baseline));
        } else if (isAscii(c)) {
            // Printable ASCII fills one cell each in a fixed-pitch font, so a
            // run of it is drawn at once.
            while (end < to && isAscii(chars[end]))
                ++end;
            painter.drawText(QPointF(left(i), baseline), QString::fromRawData(chars + i, end - i));
        } else {
            // Any other character is fitted into its cell; a row of the same
            // one (U+FFFD or U+2400 in a raw image) is fitted at once.
            while (end < to && chars[end] == c)
                ++end;
            drawFitted(painter, QString::fromRawData(chars + i, end - i), (end - i) * cell,
                QPointF(left(i), baseline));
        }
        i = end;
    }
}

void TextView::drawFitted(QPainter& painter, const QString& run, qreal width, QPointF at) const
{
    // A run of one character, or one surrogate pair, drawn to take width:
    // squeezed when its glyphs are wider, centred in its cells when narrower.
    const bool pair = run[0].isHighSurrogate();
    const qsizetype glyphs = pair ? 1 : run.size();
    const qreal natural
        = pair ? metrics.horizontalAdvance(run) : advanceOf(run[0]) * static_cast<qreal>(glyphs);
    if (std::abs(natural - width) < 0.01) {
        painter.drawText(at, run);
    } else if (natural > width) {
        painter.save();
        painter.translate(at);
        painter.scale(width / natural, 1);
        painter.drawText(QPointF(0, 0), run);
        painter.restore();
    } else {
        // A glyph of no width (a combining mark) is drawn where the pen
        // stands, so that it lands on the character before it.
        const qreal each = width / static_cast<qreal>(glyphs);
        const qreal inset = natural > 0 ? (width - natural) / static_cast<qreal>(glyphs) / 2 : 0;
        for (qsizetype i = 0; i < glyphs; ++i) {
            painter.drawText(at + QPointF(static_cast<qreal>(i) * each + inset, 0),
                pair ? run : QString(run[i]));
        }
    }
}

void TextView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& colours = palette();
    const QRect area = event->rect();
    const int column0 = firstColumn();
    const int columns = static_cast<int>(std::ceil((viewport()->width() - kMargin) / cell)) + 1;
    const int selectionStart = cursor.selectionStart();
    const int selectionEnd = cursor.selectionEnd();

    for (int line = firstLine(); line < lines.lineCount(); ++line) {
        const QPointF origin = cellOrigin(line, column0);
        if (origin.y() > area.bottom())
            break;
        if (origin.y() + lineHeight < area.top())
            continue;
        // Only the columns on screen, however long the line.
        const int start = lines.lineStart(line);
        const int end = lines.lineEnd(line);
        const int from = static_cast<int>(std::min<qint64>(qint64(start) + column0, end));
        const int to = static_cast<int>(std::min<qint64>(qint64(start) + column0 + columns, end));
        auto left = [&](int offset) { return origin.x() + (offset - from) * cell; };

        if (selectionStart < selectionEnd) {
            const int a = std::max(from, selectionStart);
            const int b = std::min(to, selectionEnd);
            if (a < b) {
                painter.fillRect(QRectF(left(a), origin.y(), (b - a) * cell, lineHeight),
                    colours.brush(QPalette::Highlight));
            }
            // A selected line end shows as one selected cell after the line.
            const int endColumn = end - start;
            if (selectionStart <= end && selectionEnd > end && line + 1 < lines.lineCount()
                && endColumn >= column0 && endColumn < column0 + columns) {
                painter.fillRect(QRectF(cellOrigin(line, endColumn), QSizeF(cell, lineHeight)),
                    colours.brush(QPalette::Highlight));
            }
        }

        const qreal baseline = origin.y() + ascent;
        const std::array<std::pair<int, QPalette::ColorRole>, 3> pieces { {
            { std::clamp(selectionStart, from, to), QPalette::Text },
            { std::clamp(selectionEnd, from, to), QPalette::HighlightedText },
            { to, QPalette::Text },
        } };
        int pieceStart = from;
        for (const auto& [pieceEnd, role] : pieces) {
            if (pieceStart < pieceEnd) {
                painter.setPen(colours.color(role));
                drawRun(painter, pieceStart, pieceEnd, left(pieceStart), baseline);
            }
            pieceStart = std::max(pieceStart, pieceEnd);
        }
    }

    if (caretShown && hasFocus())
        painter.fillRect(caretRect(), colours.color(QPalette::Text));
}

// ---- keys ----------------------------------------------------------------------

bool TextView::keyMove(const QKeyEvent* event, KeyMove* found)
{
    struct Entry {
        QKeySequence::StandardKey key;
        KeyMove move;
    };
    static const Entry table[] = {
        { QKeySequence::MoveToNextChar, { Move::NextChar, false } },
        { QKeySequence::SelectNextChar, { Move::NextChar, true } },
        { QKeySequence::MoveToPreviousChar, { Move::PreviousChar, false } },
        { QKeySequence::SelectPreviousChar, { Move::PreviousChar, true } },
        { QKeySequence::MoveToNextWord, { Move::NextWord, false } },
        { QKeySequence::SelectNextWord, { Move::NextWord, true } },
        { QKeySequence::MoveToPreviousWord, { Move::PreviousWord, false } },
        { QKeySequence::SelectPreviousWord, { Move::PreviousWord, true } },
        { QKeySequence::MoveToNextLine, { Move::NextLine, false } },
        { QKeySequence::SelectNextLine, { Move::NextLine, true } },
        { QKeySequence::MoveToPreviousLine, { Move::PreviousLine, false } },
        { QKeySequence::SelectPreviousLine, { Move::PreviousLine, true } },
        { QKeySequence::MoveToStartOfLine, { Move::StartOfLine, false } },
        { QKeySequence::SelectStartOfLine, { Move::StartOfLine, true } },
        { QKeySequence::MoveToEndOfLine, { Move::EndOfLine, false } },
        { QKeySequence::SelectEndOfLine, { Move::EndOfLine, true } },
        { QKeySequence::MoveToStartOfBlock, { Move::StartOfLine, false } },
        { QKeySequence::SelectStartOfBlock, { Move::StartOfLine, true } },
        { QKeySequence::MoveToEndOfBlock, { Move::EndOfLine, false } },
        { QKeySequence::SelectEndOfBlock, { Move::EndOfLine, true } },
        { QKeySequence::MoveToStartOfDocument, { Move::StartOfText, false } },
        { QKeySequence::SelectStartOfDocument, { Move::StartOfText, true } },
        { QKeySequence::MoveToEndOfDocument, { Move::EndOfText, false } },
        { QKeySequence::SelectEndOfDocument, { Move::EndOfText, true } },
        { QKeySequence::MoveToNextPage, { Move::NextPage, false } },
        { QKeySequence::SelectNextPage, { Move::NextPage, true } },
        { QKeySequence::MoveToPreviousPage, { Move::PreviousPage, false } },
        { QKeySequence::SelectPreviousPage, { Move::PreviousPage, true } },
    };
    for (const Entry& entry : table) {
        if (event->matches(entry.key)) {
            *found = entry.move;
            return true;
        }
    }
    return false;
}

bool TextView::isViewKey(const QKeyEvent* event) const
{
    KeyMove unused;
    return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)
        || keyMove(event, &unused);
}

bool TextView::event(QEvent* event)
{
    // Claim the view's own keys before any shortcut of the window can; a
    // window that wants them back filters them out first.
    if (event->type() == QEvent::ShortcutOverride && isViewKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void TextView::keyPressEvent(QKeyEvent* event)
{
    KeyMove found;
    if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else if (keyMove(event, &found))
        move(found.move, found.select);
    else
        event->ignore();
}

void TextView::move(Move how, bool select)
{
    const int position = cursor.position;
    const int line = lines.lineOf(position);
    int target = position;
    int lineStep = 0;
    switch (how) {
    case Move::NextChar:
        target = !select && cursor.hasSelection() ? cursor.selectionEnd()
                                                  : lines.nextPosition(position);
        break;
    case Move::PreviousChar:
        target = !select && cursor.hasSelection() ? cursor.selectionStart()
                                                  : lines.previousPosition(position);
        break;
    case Move::NextWord:
        target = lines.nextWordStart(position);
        break;
    case Move::PreviousWord:
        target = lines.previousWordStart(position);
        break;
    case Move::StartOfLine:
        target = lines.lineStart(line);
        break;
    case Move::EndOfLine:
        target = lines.lineEnd(line);
        break;
    case Move::StartOfText:
        target = 0;
        break;
    case Move::EndOfText:
        target = lines.size();
        break;
    case Move::NextLine:
        lineStep = 1;
        break;
    case Move::PreviousLine:
        lineStep = -1;
        break;
    case Move::NextPage:
        lineStep = visibleLines();
        break;
    case Move::PreviousPage:
        lineStep = -visibleLines();
        break;
    }

    if (lineStep == 0) {
        preferredColumn = -1;
    } else {
        // Up and Down keep the column the caret started from; past the first
        // or last line the caret goes to that line's start or end.
        if (preferredColumn < 0)
            preferredColumn = position - lines.lineStart(line);
        const qint64 wanted = qint64(line) + lineStep;
        if (wanted < 0) {
            target = 0;
        } else if (wanted >= lines.lineCount()) {
            target = lines.size();
        } else {
            const int next = static_cast<int>(wanted);
            target = lines.snapBack(
                lines.lineStart(next) + std::min(preferredColumn, lines.lineLength(next)));
        }
        if (how == Move::NextPage || how == Move::PreviousPage)
            verticalScrollBar()->setValue(verticalScrollBar()->value() + lineStep);
    }
    const int keep = preferredColumn;
    moveCaret(target, select);
    preferredColumn = keep;
}

void TextView::moveCaret(int position, bool keepAnchor)
{
    const Cursor before = cursor;
    cursor.position = position;
    if (!keepAnchor)
        cursor.anchor = position;
    preferredColumn = -1;
    ensureVisible(position, position);
    restartBlink();
    viewport()->update();
    caretMoved(before);
}

// ---- mouse ---------------------------------------------------------------------

void TextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    dragging = true;
    draggingWords = false;
    dragPoint = event->position();
    moveCaret(positionAt(dragPoint), event->modifiers() & Qt::ShiftModifier);
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const int at = cellAt(event->position(), true);
    if (at < 0)
        return; // an empty line: no word to take
    dragWord = lines.segmentAt(at);
    dragging = true;
    draggingWords = true;
    dragPoint = event->position();
    setSelection(dragWord.first, dragWord.second);
}

void TextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    dragPoint = event->position();
    extendSelectionTo(dragPoint);
    // Out of the view, the selection goes on growing as the text scrolls.
    if (viewport()->rect().contains(dragPoint.toPoint()))
        scrollTimer.stop();
    else if (!scrollTimer.isActive())
        scrollTimer.start(50, this);
}

void TextView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    dragging = false;
    scrollTimer.stop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (cursor.hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TextView::extendSelectionTo(QPointF point)
{
    const int under = draggingWords ? cellAt(point, true) : -1;
    if (under < 0) {
        moveCaret(positionAt(point), true);
        return;
    }
    // After a double-click the selection grows by whole words: up to the end
    // of the word under the pointer, or back to its start.
    if (under < dragWord.first)
        setSelection(dragWord.second, lines.segmentAt(under).first);
    else if (under >= dragWord.second)
        setSelection(dragWord.first, lines.segmentAt(under).second);
    else
        setSelection(dragWord.first, dragWord.second);
}

void TextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // From the keyboard, the menu opens at the caret.
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
        ? viewport()->mapToGlobal(characterRect(cursor.position).bottomLeft())
        : event->globalPos();
    menu->popup(at);
}

QMenu* TextView::createContextMenu()
{
    auto* menu = new QMenu(this);
    QAction* copyAction = menu->addAction(tr("&Copiar"), this, &TextView::copy);
    copyAction->setEnabled(cursor.hasSelection());
    QAction* allAction = menu->addAction(tr("Seleccionar todo"), this, &TextView::selectAll);
    allAction->setEnabled(!text().isEmpty());
    return menu;
}

// ---- focus and caret -----------------------------------------------------------

void TextView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
}

void TextView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    blinkTimer.stop();
    caretShown = false;
    viewport()->update();
}

void TextView::restartBlink()
{
    caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        blinkTimer.start(flash / 2, this);
    else
        blinkTimer.stop();
}

void TextView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == blinkTimer.timerId()) {
        caretShown = !caretShown;
        viewport()->update(caretRect().toAlignedRect());
    } else if (event->timerId() == scrollTimer.timerId()) {
        extendSelectionTo(dragPoint);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

} // namespace glifora

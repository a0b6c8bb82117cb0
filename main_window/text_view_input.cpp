// What a TextView does with the keyboard and the mouse: moving the caret
// and selecting, the context menu, copying, and the caret's blink.
#include "text_view.hpp"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace glifora {

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
        scrollTimer.start(kDragScrollMs, this);
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

// The read-only text views of both windows: the image, the result, the
// reference database.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFontMetricsF>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointF>
#include <QString>

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "text_lines.hpp"

class QMenu;

namespace glifora {

// A view that the user may read, select and copy from, in the system's
// fixed-pitch font, without line wrap. It keeps its text once and paints
// only what is on screen, so that a file of any size or shape opens at once.
//
// Every UTF-16 unit of the text takes one cell of the grid, so a column is
// an offset within its line, on a line of any length. A character wider or
// narrower than a cell (a glyph from a fallback font, a wide ideograph) is
// drawn fitted into its own cell, a character beyond the first plane into
// its two; a combining mark is drawn on the character before it and leaves
// its own cell empty; a tab shows as one empty cell. A NUL shows as U+2400
// (SYMBOL FOR NULL), which is then what the text holds.
class TextView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // The caret and the other end of the selection, as text offsets; equal
    // when nothing is selected.
    struct Cursor {
        int anchor = 0;
        int position = 0;

        bool hasSelection() const { return anchor != position; }
        int selectionStart() const { return std::min(anchor, position); }
        int selectionEnd() const { return std::max(anchor, position); }
    };

    // The view's background is the palette's colour for background.
    TextView(
        const QString& accessibleName, QPalette::ColorRole background, QWidget* parent = nullptr);

    // Replaces the text. The caret goes to the start, nothing is selected.
    void setPlainText(QString text);
    // The text as the view holds it, line ends as they came: what is shown,
    // selected, copied and read to a screen reader.
    const QString& text() const { return lines.text(); }
    // The same text with its line index, for the screen reader's interface.
    const TextLines& textLines() const { return lines; }
    // The text with every line end as one "\n", as QPlainTextEdit gives it.
    QString toPlainText() const;
    QString selectedText() const;

    Cursor textCursor() const { return cursor; }
    // Selects from anchor to position (clamped to the text; equal for none)
    // and shows the caret.
    void setSelection(int anchor, int position);

    // Read-only and selectable by mouse and keyboard, never wrapped: in the
    // terms of the edits the windows used before.
    bool isReadOnly() const { return true; }
    Qt::TextInteractionFlags textInteractionFlags() const
    {
        return Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    }
    QPlainTextEdit::LineWrapMode lineWrapMode() const { return QPlainTextEdit::NoWrap; }

    // Where the character at offset is drawn, in the viewport's coordinates
    // (outside the viewport when it is scrolled out of sight).
    QRect characterRect(int offset) const;
    // The offset of the character drawn at point (viewport coordinates), or
    // -1 where there is none.
    int characterAt(QPointF point) const;
    // Scrolls so that the text from start to end is in sight, as much of it
    // as fits, its start first.
    void ensureVisible(int start, int end);

    // The context menu: "Copiar" and "Seleccionar todo". The caller owns it.
    QMenu* createContextMenu();

    // While a mouse selection is dragged out of the view, the text scrolls
    // one line or column this often.
    static constexpr int kDragScrollMs = 50;

public slots:
    void copy();
    void selectAll();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // The text and its grid of cells (text_view.cpp).
    void caretMoved(const Cursor& before);
    void updateMetrics();
    void updateScrollBars();
    int firstLine() const;
    int firstColumn() const;
    int visibleLines() const; // lines that fit whole
    int visibleColumns() const; // columns that fit whole
    QPointF cellOrigin(int line, int column) const;
    // The caret: one pixel wide before the character at the caret.
    QRectF caretRect() const;
    int positionAt(QPointF point) const;
    int cellAt(QPointF point, bool clamp) const;

    // Painting (text_view_painting.cpp).
    void drawRun(QPainter& painter, int from, int to, qreal x, qreal baseline) const;
    void drawFitted(QPainter& painter, const QString& run, qreal width, QPointF at) const;
    qreal advanceOf(QChar c) const;

    // Keys and the mouse (text_view_input.cpp).
    enum class Move {
        NextChar,
        PreviousChar,
        NextWord,
        PreviousWord,
        NextLine,
        PreviousLine,
        StartOfLine,
        EndOfLine,
        StartOfText,
        EndOfText,
        NextPage,
        PreviousPage,
    };
    struct KeyMove {
        Move move;
        bool select;
    };
    static bool keyMove(const QKeyEvent* event, KeyMove* found);
    bool isViewKey(const QKeyEvent* event) const;
    void move(Move how, bool select);
    void moveCaret(int position, bool keepAnchor);
    void extendSelectionTo(QPointF point);
    void restartBlink();

    TextLines lines;
    Cursor cursor;
    int preferredColumn = -1; // the column that Up and Down keep, once set

    // The space between the frame and the text, as QTextDocument leaves it.
    static constexpr qreal kMargin = 4;

    // Fixed-pitch metrics of the view's font.
    QFontMetricsF metrics { QFont() };
    qreal cell = 1;
    qreal lineHeight = 1;
    qreal ascent = 0;
    bool asciiFitsCells = true;
    mutable std::unordered_map<char16_t, qreal> advances;

    bool caretShown = false;
    QBasicTimer blinkTimer;

    // Mouse selection: the drag, word by word after a double-click, and
    // scrolling while the pointer is out of the view.
    bool dragging = false;
    bool draggingWords = false;
    std::pair<int, int> dragWord { 0, 0 };
    QPointF dragPoint;
    QBasicTimer scrollTimer;
};

// Puts text into a view (see TextView::setPlainText).
inline void showText(TextView* view, QString text)
{
    view->setPlainText(std::move(text));
}

} // namespace glifora

#include "text_view_accessible.hpp"

#include <QAccessibleWidget>

#include <algorithm>
#include <utility>

#include "text_view.hpp"

namespace glifora {

namespace {

// A read-only, multi-line text like the edit the view replaces, so that a
// screen reader treats it as it always has. Its text is the view's text as
// held and shown: a NUL reads as its symbol, a CR LF line end as both.
class AccessibleTextView : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleTextView(TextView* view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text which) const override { return QAccessibleWidget::text(which); }

    QString text(int startOffset, int endOffset) const override
    {
        const int size = lines().size();
        const int start = std::clamp(startOffset, 0, size);
        const int end = std::clamp(endOffset, start, size);
        return lines().text().mid(start, end - start);
    }

    int characterCount() const override { return lines().size(); }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
        int* endOffset) const override
    {
        offset = resolve(offset);
        if (offset < 0)
            return nothing(startOffset, endOffset);
        return answer(segment(offset, boundary), startOffset, endOffset);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
        int* endOffset) const override
    {
        offset = resolve(offset);
        if (offset < 0)
            return nothing(startOffset, endOffset);
        const int start = segment(offset, boundary).first;
        if (start <= 0)
            return nothing(startOffset, endOffset);
        return answer(segment(start - 1, boundary), startOffset, endOffset);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
        int* endOffset) const override
    {
        offset = resolve(offset);
        if (offset < 0)
            return nothing(startOffset, endOffset);
        const int end = segment(offset, boundary).second;
        if (end >= lines().size())
            return nothing(startOffset, endOffset);
        return answer(segment(end, boundary), startOffset, endOffset);
    }

    int cursorPosition() const override { return view()->textCursor().position; }
    void setCursorPosition(int position) override { view()->setSelection(position, position); }

    int selectionCount() const override { return view()->textCursor().hasSelection() ? 1 : 0; }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        const TextView::Cursor cursor = view()->textCursor();
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && cursor.hasSelection()) {
            *startOffset = cursor.selectionStart();
            *endOffset = cursor.selectionEnd();
        }
    }

    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }

    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            view()->setSelection(startOffset, endOffset);
    }

    void removeSelection(int selectionIndex) override
    {
        const int position = view()->textCursor().position;
        if (selectionIndex == 0)
            view()->setSelection(position, position);
    }

    QRect characterRect(int offset) const override
    {
        const QRect inViewport = view()->characterRect(offset);
        return inViewport.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    int offsetAtPoint(const QPoint& point) const override
    {
        return view()->characterAt(view()->viewport()->mapFromGlobal(QPointF(point)));
    }

    void scrollToSubstring(int startIndex, int endIndex) override
    {
        view()->ensureVisible(startIndex, endIndex);
    }

    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        // One font and colour for the whole text.
        if (resolve(offset) < 0)
            return nothing(startOffset, endOffset);
        *startOffset = 0;
        *endOffset = lines().size();
        const QFont font = view()->font();
        return QStringLiteral("font-family:\"%1\";font-size:%2pt;")
            .arg(font.family())
            .arg(font.pointSizeF());
    }

private:
    TextView* view() const { return static_cast<TextView*>(widget()); }
    const TextLines& lines() const { return view()->textLines(); }

    // An offset in the text (-2 asks for the caret's), or -1 outside it.
    int resolve(int offset) const
    {
        if (offset == -2)
            return cursorPosition();
        return offset >= 0 && offset <= lines().size() ? offset : -1;
    }

    // The piece of text that holds offset. A line is read with its line end,
    // so that the lines one after another give the whole text; sentences
    // and paragraphs are taken as lines.
    std::pair<int, int> segment(int offset, QAccessible::TextBoundaryType boundary) const
    {
        const TextLines& text = lines();
        switch (boundary) {
        case QAccessible::CharBoundary: {
            const int at = text.snapBack(offset);
            return { at, text.nextPosition(at) };
        }
        case QAccessible::WordBoundary:
            return text.segmentAt(offset);
        case QAccessible::SentenceBoundary:
        case QAccessible::ParagraphBoundary:
        case QAccessible::LineBoundary: {
            const int line = text.lineOf(offset);
            return { text.lineStart(line), text.nextLineStart(line) };
        }
        case QAccessible::NoBoundary:
            break;
        }
        return { 0, text.size() };
    }

    QString answer(std::pair<int, int> range, int* startOffset, int* endOffset) const
    {
        *startOffset = range.first;
        *endOffset = range.second;
        return text(range.first, range.second);
    }

    static QString nothing(int* startOffset, int* endOffset)
    {
        *startOffset = *endOffset = -1;
        return QString();
    }
};

QAccessibleInterface* textViewInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String(TextView::staticMetaObject.className())) {
        if (auto* view = qobject_cast<TextView*>(object))
            return new AccessibleTextView(view);
    }
    return nullptr;
}

} // namespace

void installTextViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(textViewInterface);
        return true;
    }();
    (void)installed;
}

} // namespace glifora

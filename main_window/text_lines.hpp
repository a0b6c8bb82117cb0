// The text of a view, kept once, with an index of where its lines start:
// what the view paints, selects and copies, and what a screen reader reads.
#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace glifora {

// Offsets are UTF-16 positions in the text, as Qt's accessibility counts
// them. A line ends at "\n", "\r\n" or a lone "\r"; its line end follows its
// content and is no part of it, but stays in the text as it came.
class TextLines {
public:
    // The longest text held; a longer one is cut here (no file the windows
    // accept comes near it).
    static constexpr qsizetype kMaxLength = 0x7fff'fff0;

    TextLines() = default;
    explicit TextLines(QString text);

    const QString& text() const { return content; }
    int size() const { return static_cast<int>(content.size()); }

    int lineCount() const { return static_cast<int>(starts.size()); }
    int lineStart(int line) const { return starts[static_cast<std::size_t>(line)]; }
    // Where the line's content ends, before its line end.
    int lineEnd(int line) const;
    // Where the next line starts, or size() for the last line.
    int nextLineStart(int line) const;
    int lineLength(int line) const { return lineEnd(line) - lineStart(line); }
    // The line that holds offset (the last line for size()).
    int lineOf(int offset) const;
    // The length of the longest line's content.
    int longestLine() const { return longest; }

    // Positions the caret may take: never between "\r" and "\n" of one line
    // end, nor inside a surrogate pair. Both stay within [0, size()].
    int nextPosition(int offset) const;
    int previousPosition(int offset) const;
    // offset itself, or the position before it when it falls inside a pair.
    int snapBack(int offset) const;

    // The words of the text, for double-click, Ctrl+arrows and screen
    // readers: a run of letters, digits and '_', a run of blanks, a line
    // end, or any other single character. The segment holding offset:
    std::pair<int, int> segmentAt(int offset) const;
    // The start of the next word after offset, or size().
    int nextWordStart(int offset) const;
    // The start of the word before offset, or 0.
    int previousWordStart(int offset) const;

private:
    QString content;
    std::vector<int> starts { 0 };
    int longest = 0;
};

} // namespace glifora

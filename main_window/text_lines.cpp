#include "text_lines.hpp"

#include <QStringView>

#include <algorithm>

namespace glifora {

namespace {

enum class Kind { Word, Blank, LineEnd, Other };

Kind kindOf(QChar c)
{
    if (c == u'\n' || c == u'\r')
        return Kind::LineEnd;
    if (c.isLetterOrNumber() || c.isMark() || c == u'_')
        return Kind::Word;
    if (c.isSpace())
        return Kind::Blank;
    return Kind::Other;
}

} // namespace

TextLines::TextLines(QString text)
    : content(std::move(text))
{
    if (content.size() > kMaxLength)
        content.truncate(kMaxLength);
    const QStringView view(content);
    const int length = size();

    // The line ends are found with Qt's vectorised search for "\n"; a text
    // with a "\r" in it (a CR LF or a lone CR) takes a plain walk instead.
    if (!view.contains(u'\r')) {
        for (qsizetype i = view.indexOf(u'\n'); i >= 0; i = view.indexOf(u'\n', i + 1)) {
            const int next = static_cast<int>(i + 1);
            longest = std::max(longest, next - 1 - starts.back());
            starts.push_back(next);
        }
    } else {
        const char16_t* chars = view.utf16();
        for (int i = 0; i < length; ++i) {
            if (chars[i] != u'\n' && chars[i] != u'\r')
                continue;
            longest = std::max(longest, i - starts.back());
            if (chars[i] == u'\r' && i + 1 < length && chars[i + 1] == u'\n')
                ++i;
            starts.push_back(i + 1);
        }
    }
    longest = std::max(longest, length - starts.back());
    starts.shrink_to_fit();
}

int TextLines::nextLineStart(int line) const
{
    return line + 1 < lineCount() ? lineStart(line + 1) : size();
}

int TextLines::lineEnd(int line) const
{
    if (line + 1 >= lineCount())
        return size();
    const int next = lineStart(line + 1);
    if (content[next - 1] == u'\n' && next - 2 >= lineStart(line) && content[next - 2] == u'\r')
        return next - 2;
    return next - 1;
}

int TextLines::lineOf(int offset) const
{
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    return static_cast<int>(after - starts.begin()) - 1;
}

int TextLines::snapBack(int offset) const
{
    if (offset <= 0 || offset >= size())
        return std::clamp(offset, 0, size());
    const QChar before = content[offset - 1];
    const QChar at = content[offset];
    if ((before == u'\r' && at == u'\n') || (before.isHighSurrogate() && at.isLowSurrogate()))
        return offset - 1;
    return offset;
}

int TextLines::nextPosition(int offset) const
{
    if (offset >= size())
        return size();
    const QChar at = content[offset];
    if (offset + 1 < size()) {
        const QChar after = content[offset + 1];
        if ((at == u'\r' && after == u'\n') || (at.isHighSurrogate() && after.isLowSurrogate()))
            return offset + 2;
    }
    return offset + 1;
}

int TextLines::previousPosition(int offset) const
{
    if (offset <= 0)
        return 0;
    return snapBack(offset - 1);
}

std::pair<int, int> TextLines::segmentAt(int offset) const
{
    if (offset >= size())
        return { size(), size() };
    const int at = snapBack(std::max(offset, 0));
    const Kind kind = kindOf(content[at]);
    if (kind == Kind::LineEnd || kind == Kind::Other)
        return { at, nextPosition(at) };
    int start = at;
    while (start > 0 && kindOf(content[start - 1]) == kind)
        --start;
    int end = at + 1;
    while (end < size() && kindOf(content[end]) == kind)
        ++end;
    return { start, end };
}

int TextLines::nextWordStart(int offset) const
{
    if (offset >= size())
        return size();
    int at = snapBack(std::max(offset, 0));
    const Kind kind = kindOf(content[at]);
    if (kind == Kind::Word || kind == Kind::Other)
        at = segmentAt(at).second;
    while (at < size()) {
        const Kind next = kindOf(content[at]);
        if (next != Kind::Blank && next != Kind::LineEnd)
            break;
        at = segmentAt(at).second;
    }
    return at;
}

int TextLines::previousWordStart(int offset) const
{
    int at = std::min(offset, size());
    while (at > 0) {
        const auto [start, end] = segmentAt(previousPosition(at));
        const Kind kind = kindOf(content[start]);
        if (kind != Kind::Blank && kind != Kind::LineEnd)
            return start;
        at = start;
    }
    return 0;
}

} // namespace glifora

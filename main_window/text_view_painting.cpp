// How a TextView paints: only the lines and columns in sight, runs of
// printable ASCII at once, every other character fitted into its cells, the
// selection and the caret over them.
#include "text_view.hpp"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace glifora {

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

} // namespace glifora

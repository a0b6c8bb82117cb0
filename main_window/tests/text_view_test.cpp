#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "form1_fixture.hpp"
#include "form2.hpp"
#include "test_support.hpp"
#include "text_file.hpp"
#include "text_view.hpp"

using namespace glifora;

namespace {

TEST(TextView, NulShowsAsSymbolAndTheTextGoesOnAfterIt)
{
    TextView view("v", QPalette::Base);
    showText(&view,
        QString::fromUtf8("a\0b\x01"
                          "c",
            5));
    EXPECT_EQ(view.toPlainText(),
        QString::fromUtf8("a\u2400b\x01"
                          "c"));
}

QAccessibleTextInterface* accessibleText(QWidget* view)
{
    QAccessibleInterface* found = QAccessible::queryAccessibleInterface(view);
    return found ? found->textInterface() : nullptr;
}

// The pieces a screen reader gets walking the text from its start.
QStringList walk(QAccessibleTextInterface* text, QAccessible::TextBoundaryType boundary)
{
    QStringList pieces;
    int start = 0;
    int end = 0;
    int previous = -1;
    QString piece = text->textAtOffset(0, boundary, &start, &end);
    while (start > previous && start < end) { // on, never back or round again
        previous = start;
        pieces << piece;
        piece = text->textAfterOffset(start, boundary, &start, &end);
    }
    return pieces;
}

// A view of the size of the image's view, shown.
struct ShownView {
    ShownView()
    {
        view.resize(297, 481);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    QPoint centreOf(int offset) const { return view.characterRect(offset).center(); }

    // Right-clicks at offset and chooses the item whose text is caption.
    void chooseFromContextMenu(int offset, const QString& caption)
    {
        const QPoint at = centreOf(offset);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view.viewport(), &click);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no context menu";
        QStringList captions;
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            captions << action->text();
            if (action->text() == caption)
                chosen = action;
        }
        EXPECT_EQ(captions, (QStringList { "&Copiar", "Seleccionar todo" }));
        ASSERT_NE(chosen, nullptr) << caption.toStdString();
        ASSERT_TRUE(chosen->isEnabled()) << caption.toStdString();
        chosen->trigger();
        menu->close();
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(
            type, at, view.viewport()->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &event);
    }

    TextView view { QStringLiteral("Vista"), QPalette::Base };
};

// ---- what a screen reader reads ---------------------------------------------

struct FileRow {
    const char* name;
    QByteArray bytes;
    QString shown; // the decoded file as the view shows it
};

void PrintTo(const FileRow& row, std::ostream* out)
{
    *out << row.name;
}

class AccessibleFileText : public testing::TestWithParam<FileRow> { };

TEST_P(AccessibleFileText, EqualsTheDecodedFileWholeByLineByWordAndByRange)
{
    const FileRow& row = GetParam();
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/f.pbm", row.bytes);
    TextFile file = readTextFile(dir.path() + "/f.pbm");
    ASSERT_TRUE(file.ok());
    TextView view("Imagen", QPalette::Base);
    view.setPlainText(std::move(file.text));

    QAccessibleTextInterface* text = accessibleText(&view);
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->characterCount(), row.shown.size());
    EXPECT_EQ(text->text(0, text->characterCount()), row.shown);

    // Lines as the view breaks them (at LF, CR LF or CR), each with its line
    // end, so that one after another they are the whole text again.
    const QStringList lines = walk(text, QAccessible::LineBoundary);
    EXPECT_EQ(lines.join(QString()), row.shown);
    QStringList expected = row.shown.split(QRegularExpression("\r\n|\n|\r"));
    if (expected.last().isEmpty())
        expected.removeLast();
    QStringList contents;
    for (QString line : lines)
        contents << line.remove(QRegularExpression("(\r\n|\n|\r)\\z"));
    EXPECT_EQ(contents, expected);

    EXPECT_EQ(walk(text, QAccessible::WordBoundary).join(QString()), row.shown);
    const QStringList characters = walk(text, QAccessible::CharBoundary);
    EXPECT_EQ(characters.join(QString()), row.shown);
    EXPECT_EQ(characters.count("\n"), row.shown.count("\n") - row.shown.count("\r\n"))
        << "a CR LF line end is one character to step over";

    for (int start = 0; start <= row.shown.size(); ++start) {
        for (int end = start; end <= row.shown.size(); ++end)
            ASSERT_EQ(text->text(start, end), row.shown.mid(start, end - start))
                << start << ".." << end;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, AccessibleFileText,
    testing::Values(FileRow { "plain", "P1\n# ñandú\n2 2\n1 0\n0 1\n",
                        QString::fromUtf8("P1\n# ñandú\n2 2\n1 0\n0 1\n") },
        FileRow { "raw",
            QByteArray("P4\n9 2\n\x00\xff\x0a\x0d\x80"
                       "A\r\n",
                15),
            QString::fromUtf8("P4\n9 2\n\u2400\uFFFD\n\r\uFFFDA\r\n") },
        FileRow { "nul", QByteArray("a\0b\0\0c", 6), QString::fromUtf8("a\u2400b\u2400\u2400c") },
        FileRow { "ill_formed",
            "a\xff"
            "b\x80 c\xfe",
            QString::fromUtf8("a\uFFFDb\uFFFD c\uFFFD") },
        FileRow { "crlf", "uno\r\ndos\r\n\r\ntres", "uno\r\ndos\r\n\r\ntres" }),
    [](const testing::TestParamInfo<FileRow>& info) { return std::string(info.param.name); });

TEST(TextView, CaretAndSelectionReachTheScreenReaderAndBack)
{
    ShownView shown;
    TextView& view = shown.view;
    view.setPlainText("uno\r\ndos\ntres");
    QAccessibleTextInterface* text = accessibleText(&view);
    ASSERT_NE(text, nullptr);

    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    int start = -1;
    int end = -1;
    EXPECT_EQ(text->cursorPosition(), 7);
    ASSERT_EQ(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(5, 7));

    text->setSelection(0, 1, 4); // ends inside the CR LF: taken back before it
    EXPECT_EQ(view.selectedText(), "no");
    text->setCursorPosition(9);
    EXPECT_FALSE(view.textCursor().hasSelection());
    EXPECT_EQ(view.textCursor().position, 9);
    EXPECT_EQ(text->offsetAtPoint(view.viewport()->mapToGlobal(shown.centreOf(10))), 10);
}

class WindowViews : public test::Form1Test { };

TEST_F(WindowViews, EveryViewReadsItsFileAsShownToAScreenReader)
{
    const QByteArray bytes("P1\r\n# a\0b\r\n1\n", 13);
    const QString shown = QString::fromUtf8("P1\r\n# a\u2400b\r\n1\n");
    drive.writeFile("resvec.txt", bytes);
    drive.writeFile("refset.db", bytes);
    openImage(image("a.pbm", bytes));
    action("mvector")->trigger();
    button("Command5")->click();
    ASSERT_NE(window->databaseWindow()->view(), nullptr);

    const std::pair<QWidget*, QString> views[]
        = { { view("RichTextBox1"), "Imagen" }, { view("RichTextBox2"), "Resultado" },
              { window->databaseWindow()->view(), "Base de Datos" } };
    for (const auto& [widget, name] : views) {
        QAccessibleInterface* found = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->text(QAccessible::Name), name);
        EXPECT_TRUE(found->state().readOnly) << name.toStdString();
        ASSERT_NE(found->textInterface(), nullptr);
        EXPECT_EQ(found->textInterface()->text(0, found->textInterface()->characterCount()), shown)
            << name.toStdString();
    }
}

// ---- selecting and copying ------------------------------------------------------

TEST(TextView, KeysSelectAcrossLineEndsAndCopiarCopiesExactlyThat)
{
    ShownView shown;
    TextView& view = shown.view;
    view.setPlainText("uno\r\ndos\ncuatro\n\nfin");
    QApplication::clipboard()->clear();

    // From "uno" column 2 over the CR LF in one step, then down a line.
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), "o\r\n");
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), "o\r\ndos\n");
    shown.chooseFromContextMenu(3, "&Copiar");
    EXPECT_EQ(QApplication::clipboard()->text(), "o\r\ndos\n");

    // Back over the CR LF in one step, then to the start of the line.
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), "\r\n");
    QTest::keyClick(&view, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), "uno\r\n");

    // Up and Down keep the column over a shorter and an empty line.
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.textCursor().position, 15);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.textCursor().position, 20) << "the end of \"fin\"";
    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.textCursor().position, 15) << "back at column 6 of \"cuatro\"";

    // The whole text with the view's own keys, then a word from the end.
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "uno\r\ndos\ncuatro\n\nfin");
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    shown.chooseFromContextMenu(18, "&Copiar");
    EXPECT_EQ(QApplication::clipboard()->text(), "fin");
}

TEST(TextView, KeysSelectInsideALongLineAndCopyTheSelectedColumns)
{
    ShownView shown;
    TextView& view = shown.view;
    QString line;
    for (int i = 0; i < 20000; ++i)
        line += QString::number(i) + ' ';
    view.setPlainText("P1\n" + line + "\nfin");

    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_End);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), "19997 19998 19999 ");
    shown.chooseFromContextMenu(view.textCursor().position, "&Copiar");
    EXPECT_EQ(QApplication::clipboard()->text(), "19997 19998 19999 ");

    QTest::keyClick(&view, Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), "\nfin") << "past the last line, Page Down goes to the end";
}

TEST(TextView, MouseDragSelectsAcrossLinesAndScrollsOnOutOfTheView)
{
    ShownView shown;
    TextView& view = shown.view;
    QString text = "cero uno\r\ndos tres\n";
    for (int i = 0; i < 200; ++i)
        text += QString("línea %1\n").arg(i);
    view.setPlainText(text);

    shown.mouse(QEvent::MouseButtonPress, shown.centreOf(5) - QPoint(3, 0));
    shown.mouse(QEvent::MouseMove, shown.centreOf(13) + QPoint(3, 0));
    shown.mouse(QEvent::MouseButtonRelease, shown.centreOf(13) + QPoint(3, 0), Qt::NoButton);
    EXPECT_EQ(view.selectedText(), "uno\r\ndos ");
    shown.chooseFromContextMenu(6, "&Copiar");
    EXPECT_EQ(QApplication::clipboard()->text(), "uno\r\ndos ");

    // Held below the view, the text scrolls and the selection grows with it.
    shown.mouse(QEvent::MouseButtonPress, shown.centreOf(0) - QPoint(3, 0));
    const QPoint below(20, view.viewport()->height() + 30);
    shown.mouse(QEvent::MouseMove, below);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.verticalScrollBar()->value() >= 20; }, 5000));
    shown.mouse(QEvent::MouseButtonRelease, below, Qt::NoButton);
    const int scrolled = view.verticalScrollBar()->value();
    // A timer of the view's scroll period firing three times is three
    // chances for the view's own to fire had it not stopped, however slowly
    // the machine runs them.
    QTimer period;
    int periods = 0;
    QObject::connect(&period, &QTimer::timeout, [&] { ++periods; });
    period.start(TextView::kDragScrollMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return periods >= 3; }, 10000));
    EXPECT_EQ(view.verticalScrollBar()->value(), scrolled) << "scrolling stops with the button";
    EXPECT_TRUE(view.selectedText().startsWith("cero uno\r\ndos tres\nlínea 0\n"));
    EXPECT_TRUE(view.selectedText().contains("línea 20\n"));
}

TEST(TextView, DoubleClickSelectsAWordAndDraggingOnGoesByWords)
{
    ShownView shown;
    TextView& view = shown.view;
    view.setPlainText("# creado por ñandú_2, 35 x 35\n1 0");

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, shown.centreOf(15));
    EXPECT_EQ(view.selectedText(), QString::fromUtf8("ñandú_2"));
    shown.chooseFromContextMenu(15, "&Copiar");
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("ñandú_2"));

    shown.mouse(QEvent::MouseButtonDblClick, shown.centreOf(3));
    shown.mouse(QEvent::MouseMove, shown.centreOf(9));
    shown.mouse(QEvent::MouseButtonRelease, shown.centreOf(9), Qt::NoButton);
    EXPECT_EQ(view.selectedText(), "creado por");

    shown.chooseFromContextMenu(0, "Seleccionar todo");
    EXPECT_EQ(view.selectedText(), view.text());
}

// ---- a file of any shape -----------------------------------------------------------

TEST(TextView, EveryCharacterKeepsToItsCellSoColumnsStayInLine)
{
    // A fallback glyph twice as wide (U+FFFD here), a tab, the NUL symbol,
    // a control character, an ideograph, a combining mark and a character
    // beyond the first plane (two cells): the W after them still stands
    // where the W of a plain line does.
    ShownView plain;
    plain.view.setPlainText("ABCDEFGHIBW");
    ShownView mixed;
    mixed.view.setPlainText(QString::fromUtf8("\uFFFD\t\u2400\x01\u4e2de\u0301\U0001F600BW"));
    const QRect cell = plain.view.characterRect(10);
    ASSERT_EQ(mixed.view.characterRect(10), cell);
    const QImage expected = plain.view.viewport()->grab().toImage().copy(cell);
    EXPECT_EQ(mixed.view.viewport()->grab().toImage().copy(cell), expected);

    // The caret steps over the two units of one character at once.
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(&mixed.view, Qt::Key_Right);
    QTest::keyClick(&mixed.view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(mixed.view.selectedText(), QString::fromUtf8("\U0001F600"));
}

TEST(TextView, OneLineOfEightMegabytesShowsItsLastColumnsAfterEnd)
{
    ShownView shown;
    TextView& view = shown.view;
    QString line(8'000'000, u'.');
    line.replace(line.size() - 3, 3, "WWW");
    view.setPlainText(line);

    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.textCursor().position, line.size());
    QAccessibleTextInterface* text = accessibleText(&view);
    ASSERT_NE(text, nullptr);
    const QRect inSight(view.viewport()->mapToGlobal(QPoint(0, 0)), view.viewport()->size());
    const QRect last = text->characterRect(line.size() - 1);
    EXPECT_TRUE(inSight.contains(last)) << "last character outside the view";
    EXPECT_FALSE(inSight.intersects(text->characterRect(0)));
    EXPECT_EQ(text->offsetAtPoint(last.center()), line.size() - 1);

    // And the cells there are painted: the Ws are dark, the dot before them
    // is nearly blank (the caret stands after the last W, away from both).
    const QImage painted = view.viewport()->grab().toImage();
    auto inkIn = [&](int offset) {
        const QRect cell = view.characterRect(offset);
        int ink = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x)
                ink += qGray(painted.pixel(x, y)) < 128;
        }
        return ink;
    };
    EXPECT_GT(inkIn(line.size() - 2), 3 * inkIn(line.size() - 5) + 5);
}

} // namespace

// Regression: a raw PBM shown as text flooded the terminal with Qt's notes
// on fonts without the tables of a script, which no user can act on.
TEST(TextView, FontScriptNotesAreNotPrintedAndOtherMessagesAre)
{
    TextView view(QStringLiteral("Imagen"), QPalette::Base);
    view.resize(400, 200);
    // Syriac and Thaana, as the bytes of a raw PBM decode to.
    view.setPlainText(QString::fromUtf8("P4\n8 2\n\xdc\x90\xdc\xa0 \xde\x80\xde\x90 ok"));
    test::loggedMessages().clear();
    static_cast<void>(view.grab());
    qWarning("  OpenType support missing for \"Ejemplo\", script 9");
    qWarning("otro aviso");
    EXPECT_TRUE(test::loggedMessages().filter(QStringLiteral("OpenType")).isEmpty())
        << test::loggedMessages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(test::loggedMessages().filter(QStringLiteral("otro aviso")).size(), 1);
}

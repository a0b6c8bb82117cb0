#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "test_support.hpp"
#include "text_view.hpp"

using namespace glifora;

TEST(TextFile, ReadsTheWholeFileKeepingLineBreaksAndDecodingBadBytesVisibly)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.txt";
    test::writeFile(path, "uno\r\ndos\n\xFF" "tres\n");
    const TextFile file = readTextFile(path);
    ASSERT_TRUE(file.ok()) << file.error.toStdString();
    EXPECT_EQ(file.text, QString::fromUtf8("uno\r\ndos\n\uFFFDtres\n"));
}

TEST(TextFile, RefusesWhatIsNotARegularFileOrTooLarge)
{
    QTemporaryDir dir;
    const QString big = dir.path() + "/big.txt";
    test::writeFile(big, QByteArray(1001, 'x'));
    EXPECT_TRUE(readTextFile(big, 1001).ok());
    const TextFile tooBig = readTextFile(big, 1000);
    EXPECT_FALSE(tooBig.ok());
    EXPECT_TRUE(tooBig.text.isEmpty());

    EXPECT_FALSE(readTextFile(dir.path()).ok());
    EXPECT_FALSE(readTextFile(dir.path() + "/missing").ok());
    EXPECT_FALSE(readTextFile("/dev/null").ok());
    EXPECT_TRUE(readTextFile(dir.path() + "/missing").error.contains("no existe"));
}

TEST(TextView, NulShowsAsSymbolAndTheTextGoesOnAfterIt)
{
    QWidget parent;
    QPlainTextEdit* view = makeTextView(&parent, "v", QPalette::Base);
    showText(view, QString::fromUtf8("a\0b\x01" "c", 5));
    EXPECT_EQ(view->toPlainText(), QString::fromUtf8("a\u2400b\x01" "c"));
}

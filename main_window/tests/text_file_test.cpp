#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <string>

#include "test_support.hpp"
#include "text_encoding.hpp"
#include "text_file.hpp"

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

// The view's text is what support's decoding of the narrow code page gives,
// whichever way the bytes are decoded on this system.
TEST(TextFile, DecodesAsTheNarrowCodePageDoesForTheToolsAndTheRunner)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.txt";
    const std::string samples[] = {
        "a\xC3\xB1o \xE2\x82\xAC \xF0\x9F\x98\x80",
        std::string("P4\n2 2\n\0\xFF", 9),
        "\xC0\xAF \xE0\x80\x80 \xED\xA0\x80 \xF4\x90\x80\x80",  // overlong, surrogate, too high
        "\xE2\x82" "x \xF1\x80\x80",  // cut short
        "\x80\xBF a\xF1o",  // stray continuations, Latin-1
        "\xEF\xBB\xBFP1\n",  // a byte order mark
    };
    for (const std::string& bytes : samples) {
        test::writeFile(path, QByteArray(bytes.data(), qsizetype(bytes.size())));
        const TextFile file = readTextFile(path);
        ASSERT_TRUE(file.ok()) << file.error.toStdString();
        EXPECT_EQ(file.text, QString::fromStdString(support::fromNarrow(bytes))) << bytes;
    }
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
    EXPECT_EQ(readTextFile(dir.path() + "/missing").error,
              QString::fromUtf8("no existe el fichero o el directorio (error 2)"));
}

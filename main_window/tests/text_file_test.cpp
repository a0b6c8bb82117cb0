#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "test_support.hpp"
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

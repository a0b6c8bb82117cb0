#include <gtest/gtest.h>

#include <string>

#include "text_encoding.hpp"

using glifora::support::sanitizeUtf8;

namespace {
const std::string kFffd = "\xEF\xBF\xBD";
}

TEST(TextEncoding, WellFormedTextIsKeptByteForByte)
{
    const std::string text = std::string("abc\n\tñ € \xF0\x9F\x98\x80 end") + '\0' + "tail";
    EXPECT_EQ(sanitizeUtf8(text), text);
}

TEST(TextEncoding, EachIllFormedSubpartBecomesOneReplacement)
{
    EXPECT_EQ(sanitizeUtf8("a\xFF" "b"), "a" + kFffd + "b");
    EXPECT_EQ(sanitizeUtf8("\xC0\xAF"), kFffd + kFffd);       // overlong lead
    EXPECT_EQ(sanitizeUtf8("\xE2\x82"), kFffd);               // cut short at the end
    EXPECT_EQ(sanitizeUtf8("\xE2\x82" "x"), kFffd + "x");     // cut short mid-text
    EXPECT_EQ(sanitizeUtf8("\xED\xA0\x80"), kFffd + kFffd + kFffd);  // surrogate
    EXPECT_EQ(sanitizeUtf8("\xF4\x90\x80\x80"), kFffd + kFffd + kFffd + kFffd);
    EXPECT_EQ(sanitizeUtf8("\x80\x80"), kFffd + kFffd);       // stray continuations
    EXPECT_EQ(sanitizeUtf8("\xF1\x80\x80"), kFffd);
}

TEST(TextEncoding, Latin1BytesDoNotVanish)
{
    // "año" written in Latin-1: the ñ becomes U+FFFD, nothing is dropped.
    EXPECT_EQ(sanitizeUtf8("a\xF1o"), "a" + kFffd + "o");
}

TEST(TextEncoding, WellFormedTextIsExactlyWhatSanitizingLeavesAlone)
{
    const std::string wellFormed[] = {
        "",
        "abc",
        "a\xC3\xB1o \xE2\x82\xAC \xF0\x9F\x98\x80",
        std::string("a\0b", 3),
        "\xF4\x8F\xBF\xBF",  // U+10FFFF, the last one
    };
    const std::string illFormed[] = {
        "a\xFF",
        "\xC0\xAF",          // overlong lead
        "\xE0\x80\x80",      // overlong three-byte form
        "\xE2\x82",          // cut short at the end
        "\xE2\x82" "x",      // cut short mid-text
        "\xED\xA0\x80",      // surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "ok\x80",            // stray continuation
    };
    for (const std::string& text : wellFormed) {
        EXPECT_TRUE(glifora::support::isWellFormedUtf8(text)) << text;
        EXPECT_EQ(sanitizeUtf8(text), text);
    }
    for (const std::string& text : illFormed) {
        EXPECT_FALSE(glifora::support::isWellFormedUtf8(text)) << text;
        EXPECT_NE(sanitizeUtf8(text), text);
    }
}

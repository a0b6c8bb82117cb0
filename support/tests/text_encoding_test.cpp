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

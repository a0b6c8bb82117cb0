// The narrow code page on POSIX systems is UTF-8: decoding only replaces
// what is ill-formed.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "text_encoding.hpp"

using namespace glifora::support;

namespace {
const std::string kFffd = "\xEF\xBF\xBD";
}

TEST(TextEncodingPosix, NarrowBytesAreUtf8WithIllFormedPartsReplaced)
{
    EXPECT_EQ(fromNarrow("a\xC3\xB1o \xE2\x82\xAC"), "a\xC3\xB1o \xE2\x82\xAC");
    EXPECT_EQ(fromNarrow("a\xF1o"), "a" + kFffd + "o");
    EXPECT_EQ(toNarrow("a\xC3\xB1o"), "a\xC3\xB1o");
}

TEST(TextEncodingPosix, BytesGivenUpAreKeptWithoutACopyWhenTheyAreText)
{
    // Long enough to live outside the string itself, as a file's bytes do.
    std::string bytes(4096, 'x');
    bytes += "\xC3\xB1";
    const char* storage = bytes.data();
    const std::string text = fromNarrowTaking(std::move(bytes));
    EXPECT_EQ(text.data(), storage);
    EXPECT_EQ(text, std::string(4096, 'x') + "\xC3\xB1");
}

TEST(TextEncodingPosix, BytesGivenUpDecodeAsAnyOtherWhenTheyAreNotText)
{
    std::string bytes(4096, 'x');
    bytes += "\xF1\xE2\x82";
    EXPECT_EQ(fromNarrowTaking(std::string(bytes)), std::string(4096, 'x') + kFffd + kFffd);
    EXPECT_EQ(fromNarrowTaking(std::string(bytes)), fromNarrow(bytes));
}

// The narrow code page on POSIX systems is UTF-8: decoding only replaces
// what is ill-formed.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "text_encoding.hpp"

using namespace glifora::support;

TEST(TextEncodingPosix, NarrowTextIsUtf8WithIllFormedPartsReplaced)
{
    const std::string bytes = "a\xC3\xB1o \xE2\x82\xAC a\xF1o \xE2\x82";
    const std::string text = "a\xC3\xB1o \xE2\x82\xAC a\xEF\xBF\xBDo \xEF\xBF\xBD";
    EXPECT_EQ(fromNarrow(bytes), text);
    std::string joined;
    fromNarrowInPieces(bytes, 4, [&](std::string_view piece) { joined.append(piece); });
    EXPECT_EQ(joined, text);
    EXPECT_EQ(toNarrow("a\xC3\xB1o"), "a\xC3\xB1o");
}

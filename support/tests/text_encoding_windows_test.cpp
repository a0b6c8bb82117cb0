#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "text_encoding.hpp"

using namespace glifora::support;

// The byte values below are those of Windows-1252, the ANSI code page the
// tests are run with.
class TextEncodingWindows : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 1252u); }
};

TEST_F(TextEncodingWindows, NarrowBytesDecodeFromTheAnsiCodePage)
{
    EXPECT_EQ(fromNarrow("a\xF1o \x80 \xE9t\xE9"), "año € été");
    EXPECT_EQ(fromNarrow(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(fromNarrow(""), "");
}

TEST_F(TextEncodingWindows, TextEncodesIntoTheAnsiCodePage)
{
    EXPECT_EQ(toNarrow("año € été"), "a\xF1o \x80 \xE9t\xE9");
    EXPECT_EQ(fromNarrow(toNarrow("ñandú ¿qué?")), "ñandú ¿qué?");
}

TEST_F(TextEncodingWindows, WhatTheCodePageLacksBecomesAQuestionMarkNotALookAlike)
{
    EXPECT_EQ(toNarrow("ж"), "?");
    EXPECT_EQ(toNarrow("a\uFF02b"), "a?b"); // full-width quotation mark
    EXPECT_EQ(toNarrow("\u0101"), "?"); // a with macron, best fit "a"
    EXPECT_EQ(toNarrow("x\xFFy"), "x?y"); // ill-formed UTF-8
}

TEST_F(TextEncodingWindows, NarrowBytesDecodeInPiecesAsWhole)
{
    const std::string bytes = "a\xF1o \x80 \xE9t\xE9";
    std::string joined;
    fromNarrowInPieces(bytes, 2, [&](std::string_view piece) { joined.append(piece); });
    EXPECT_EQ(joined, "año € été");
}

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

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

TEST(TextEncoding, FirstUtf8CharacterGivesCodePointAndLength)
{
    using glifora::support::firstUtf8Character;
    struct Row {
        std::string text;
        char32_t codePoint;
        std::size_t length;
    };
    // One row for every length, at both ends of its range, and text after
    // the first character, which is left alone.
    const Row rows[] = {
        {std::string(1, '\0'), 0, 1},
        {"A", U'A', 1},
        {"\x7F" "x", 0x7F, 1},
        {"\xC2\x80", 0x80, 2},
        {"ñandú", U'ñ', 2},
        {"\xDF\xBF", 0x7FF, 2},
        {"\xE0\xA0\x80", 0x800, 3},
        {"€", U'€', 3},
        {"\xED\x9F\xBF", 0xD7FF, 3},  // just below the surrogates
        {"\xEE\x80\x80", 0xE000, 3},  // just above them
        {"\xEF\xBF\xBF", 0xFFFF, 3},
        {"\xF0\x90\x80\x80", 0x10000, 4},
        {"\xF0\x9F\x98\x80!", 0x1F600, 4},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
    };
    for (const Row& row : rows) {
        const auto first = firstUtf8Character(row.text);
        ASSERT_TRUE(first.has_value()) << row.text;
        EXPECT_EQ(first->codePoint, row.codePoint) << row.text;
        EXPECT_EQ(first->length, row.length) << row.text;
    }
}

TEST(TextEncoding, FirstUtf8CharacterRefusesWhatIsNotWellFormed)
{
    using glifora::support::firstUtf8Character;
    const std::string refused[] = {
        "",
        "\x80",              // a continuation byte cannot lead
        "\xBF" "a",
        "\xC0\x80",          // overlong forms
        "\xC1\xBF",
        "\xE0\x9F\xBF",
        "\xF0\x8F\xBF\xBF",
        "\xED\xA0\x80",      // surrogates
        "\xED\xBF\xBF",
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF5\x80\x80\x80",
        "\xF8\x88\x80\x80\x80",
        "\xFF",
        "\xC3",              // cut short
        "\xE2\x82",
        "\xF0\x9F\x98",
        "\xC3" "a",          // a continuation that is not one
        "\xE2\x82" "a",
        "\xE2" "a\xAC",
    };
    for (const std::string& text : refused)
        EXPECT_FALSE(firstUtf8Character(text).has_value()) << ::testing::PrintToString(text);
}

// Pieces of any size join up to what sanitizeUtf8 gives at once, and each
// piece is whole characters, no longer than asked for by more than one.
TEST(TextEncoding, PiecesJoinUpToTheWholeAndEachIsWholeCharacters)
{
    const std::string samples[] = {
        "",
        "plain ASCII, longer than any piece asked for",
        "a\xC3\xB1o \xE2\x82\xAC \xF0\x9F\x98\x80 \xF0\x9F\x98\x80",
        std::string("\0\xFF\xFF\xFF\0", 5),
        "\xE2\x82" "x \xF1\x80\x80 \xC0\xAF \xED\xA0\x80 \x80\x80 a\xF1o",
    };
    for (const std::string& bytes : samples) {
        for (const std::size_t pieceBytes : {0u, 1u, 2u, 3u, 5u, 64u}) {
            std::string joined;
            std::size_t pieces = 0;
            glifora::support::sanitizeUtf8InPieces(bytes, pieceBytes, [&](std::string_view piece) {
                ++pieces;
                EXPECT_FALSE(piece.empty());
                EXPECT_LE(piece.size(), std::max<std::size_t>(pieceBytes, 1) + 3);
                EXPECT_EQ(sanitizeUtf8(piece), piece) << "a character cut in two";
                joined.append(piece);
            });
            EXPECT_EQ(joined, sanitizeUtf8(bytes)) << bytes << " in pieces of " << pieceBytes;
            if (pieceBytes >= 1 && pieceBytes < bytes.size()) {
                EXPECT_GT(pieces, 1u);
            }
        }
    }
}

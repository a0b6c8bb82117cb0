#include "characters.hpp"

#include <gtest/gtest.h>

#include <cctype>

using namespace vanto::vecplan;

namespace {

std::string rowName(const std::string& what)
{
    std::string name;
    for (const char c : what)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

} // namespace

struct GoodLabel {
    const char* what;
    std::string given;
    std::string label; // as it is kept
};

class TeachableLabel : public testing::TestWithParam<GoodLabel> { };

TEST_P(TeachableLabel, IsAcceptedInItsComposedForm)
{
    const LabelCheck check = checkLabel(GetParam().given);
    EXPECT_TRUE(check.ok()) << static_cast<int>(check.fault);
    EXPECT_EQ(check.label, GetParam().label);
    EXPECT_TRUE(isTaughtLabel(check.label));
}

INSTANTIATE_TEST_SUITE_P(Labels, TeachableLabel,
    testing::Values(GoodLabel { "digit", "5", "5" }, GoodLabel { "hash", "#", "#" },
        GoodLabel { "backslash", "\\", "\\" }, GoodLabel { "quote", "\"", "\"" },
        GoodLabel { "enye", "ñ", "ñ" }, GoodLabel { "cyrillic", "Ж", "Ж" },
        GoodLabel { "han", "字", "字" }, GoodLabel { "arabic", "ب", "ب" },
        GoodLabel { "euro sign", "€", "€" }, GoodLabel { "inverted question", "¿", "¿" },
        GoodLabel { "private use symbol", "\uE000", "\uE000" },
        // An e and a combining acute accent: the precomposed é.
        GoodLabel { "decomposed e acute", "e\u0301", "\u00E9" },
        // A q with a tilde has no precomposed form: one character of two
        // code points.
        GoodLabel { "q with combining tilde", "q\u0303", "q\u0303" },
        GoodLabel { "devanagari syllable", "\u0915\u093F", "\u0915\u093F" },
        GoodLabel { "hangul jamo", "\u1100\u1161", "\uAC00" }),
    [](const testing::TestParamInfo<GoodLabel>& info) { return rowName(info.param.what); });

struct BadLabel {
    const char* what;
    std::string given;
    LabelFault fault;
    int characters; // for Several
};

class UnteachableLabel : public testing::TestWithParam<BadLabel> { };

TEST_P(UnteachableLabel, IsRefusedForItsReason)
{
    const LabelCheck check = checkLabel(GetParam().given);
    EXPECT_EQ(check.fault, GetParam().fault);
    EXPECT_TRUE(check.label.empty());
    if (GetParam().fault == LabelFault::Several) {
        EXPECT_EQ(check.characters, GetParam().characters);
    }
    EXPECT_FALSE(isTaughtLabel(GetParam().given));
}

INSTANTIATE_TEST_SUITE_P(Labels, UnteachableLabel,
    testing::Values(BadLabel { "empty", "", LabelFault::Empty, 0 },
        BadLabel { "space", " ", LabelFault::Space, 0 },
        BadLabel { "no-break space", "\u00A0", LabelFault::Space, 0 },
        BadLabel { "ideographic space", "\u3000", LabelFault::Space, 0 },
        BadLabel { "line separator", "\u2028", LabelFault::Space, 0 },
        BadLabel { "tab", "\t", LabelFault::Control, 0 },
        BadLabel { "nul", std::string(1, '\0'), LabelFault::Control, 0 },
        BadLabel { "c1 control", "\u0085", LabelFault::Control, 0 },
        BadLabel { "zero width joiner", "\u200D", LabelFault::Invisible, 0 },
        BadLabel { "right to left override", "\u202E", LabelFault::Invisible, 0 },
        BadLabel { "lone combining accent", "\u0301", LabelFault::LoneMark, 0 },
        BadLabel { "noncharacter", "\uFFFF", LabelFault::Unassigned, 0 },
        BadLabel { "unassigned", "\u0378", LabelFault::Unassigned, 0 },
        BadLabel { "two letters", "ab", LabelFault::Several, 2 },
        BadLabel { "letter and space", "5 ", LabelFault::Several, 2 },
        BadLabel { "two accented letters", "e\u0301e\u0301", LabelFault::Several, 2 },
        BadLabel { "cut utf8", "\xC3", LabelFault::NotUtf8, 0 },
        BadLabel { "overlong utf8", "\xC0\xAF", LabelFault::NotUtf8, 0 },
        BadLabel { "surrogate in utf8", "\xED\xA0\x80", LabelFault::NotUtf8, 0 },
        BadLabel { "latin1 byte", "\xF1", LabelFault::NotUtf8, 0 }),
    [](const testing::TestParamInfo<BadLabel>& info) { return rowName(info.param.what); });

TEST(Labels, OnlyTheComposedFormIsATaughtLabel)
{
    EXPECT_TRUE(checkLabel("e\u0301").ok());
    EXPECT_FALSE(isTaughtLabel("e\u0301"));
    EXPECT_TRUE(isTaughtLabel("\u00E9"));
}

struct Escape {
    const char* what;
    std::string given;
    std::string written;
};

class EscapedText : public testing::TestWithParam<Escape> { };

TEST_P(EscapedText, ShowsOnlyWhatAPersonCanSee)
{
    EXPECT_EQ(escapeText(GetParam().given), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Labels, EscapedText,
    testing::Values(Escape { "plain path", "/home/ana/mis dígitos/cinco 1.pbm",
                        "/home/ana/mis dígitos/cinco 1.pbm" },
        Escape { "other scripts", "/tmp/字 ж ب.pbm", "/tmp/字 ж ب.pbm" },
        Escape { "quote and backslash", "a\"b\\c", "a\\\"b\\\\c" },
        Escape { "line break and tab", "a\nb\tc", "a\\x0Ab\\x09c" },
        Escape { "latin1 byte", "a\xF1.pbm", "a\\xF1.pbm" },
        Escape { "cut utf8 at the end", "a\xC3", "a\\xC3" },
        Escape { "line separator", "a\u2028b", "a\\xE2\\x80\\xA8b" },
        Escape { "right to left override", "\u202Egnp.exe", "\\xE2\\x80\\xAEgnp.exe" },
        Escape { "delete", "a\x7F", "a\\x7F" }),
    [](const testing::TestParamInfo<Escape>& info) { return rowName(info.param.what); });

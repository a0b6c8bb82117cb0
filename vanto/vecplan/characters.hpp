// What a reference may be labelled with when the user teaches one: one
// character as a reader sees it, of any script. "é" typed as an e and a
// combining accent is the same character as the precomposed "é" and is
// kept in that one composed form (NFC); an accent alone, a space, a
// control or an invisible formatting character is no character to teach.
#pragma once

#include <string>
#include <string_view>

namespace vanto::vecplan {

enum class LabelFault {
    None,
    Empty, // nothing given
    NotUtf8, // bytes that are not UTF-8 text
    Space, // a space or a line or paragraph separator
    Control, // a control character
    Invisible, // a formatting character without a shape of its own
    Unassigned, // no character of Unicode (yet), or a noncharacter
    LoneMark, // a combining mark with nothing to combine with
    Several, // more than one character
    NoUnicodeLibrary, // outside ASCII, and ICU, which tells, cannot be loaded
};

struct LabelCheck {
    LabelFault fault = LabelFault::None;
    std::string label; // the character in composed form, when fault is None
    int characters = 0; // how many characters were given, for Several

    bool ok() const { return fault == LabelFault::None; }
};

// Checks that text is exactly one character that a reference can carry.
LabelCheck checkLabel(std::string_view text);

// Whether text is already a label exactly as checkLabel would give it back:
// the test the reference file's reader applies to taught labels.
bool isTaughtLabel(std::string_view text);

// Text as it can stand between quotes on one line of the reference file and
// be read by a person: `"` and `\` are escaped with a backslash, and every
// byte that would not show as itself (controls, invisible formatting and
// line-breaking characters, bytes that are not UTF-8) is written as \xHH.
// Anything else, accents and other scripts included, stays as it is.
std::string escapeText(std::string_view bytes);

} // namespace vanto::vecplan

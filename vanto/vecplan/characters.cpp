#include "characters.hpp"

#include "text_encoding.hpp"
#include "unicode_library.hpp"

#include <algorithm>
#include <memory>
#include <optional>

namespace vanto::vecplan {

namespace {

// Characters that do not show as themselves on a line of text; without
// ICU to tell, any character outside ASCII.
bool invisible(char32_t cp)
{
    const UnicodeLibrary* icu = unicodeLibrary();
    if (!icu)
        return true;
    switch (icu->charType(static_cast<UChar32>(cp))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
        return true;
    default:
        return false;
    }
}

LabelFault faultOfFirst(const UnicodeLibrary& icu, char32_t cp)
{
    switch (icu.charType(static_cast<UChar32>(cp))) {
    case U_SPACE_SEPARATOR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
        return LabelFault::Space;
    case U_CONTROL_CHAR:
        return LabelFault::Control;
    case U_FORMAT_CHAR:
        return LabelFault::Invisible;
    case U_UNASSIGNED:
    case U_SURROGATE:
        return LabelFault::Unassigned;
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_COMBINING_SPACING_MARK:
        return LabelFault::LoneMark;
    default:
        return LabelFault::None;
    }
}

// How many characters (extended grapheme clusters) the UTF-16 text holds,
// or -1 when ICU cannot tell.
int characterCount(const UnicodeLibrary& icu, const std::u16string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    const auto close = [&](UBreakIterator* it) { icu.closeBreaks(it); };
    const std::unique_ptr<UBreakIterator, decltype(close)> it(
        icu.openBreaks(UBRK_CHARACTER, "", text.data(), static_cast<int32_t>(text.size()), &status),
        close);
    if (U_FAILURE(status))
        return -1;
    int count = 0;
    for (int32_t at = icu.firstBreak(it.get()); (at = icu.nextBreak(it.get())) != UBRK_DONE;)
        ++count;
    return count;
}

} // namespace

LabelCheck checkLabel(std::string_view text)
{
    LabelCheck check;
    const auto fail = [&](LabelFault fault) {
        check.fault = fault;
        return check;
    };
    if (text.empty())
        return fail(LabelFault::Empty);
    // A label is a character or a few code points, never pages of them.
    if (text.size() > 256)
        return fail(LabelFault::Several);
    char32_t first = 0;
    for (std::string_view rest = text; !rest.empty();) {
        const auto character = glifora::support::firstUtf8Character(rest);
        if (!character)
            return fail(LabelFault::NotUtf8);
        if (rest.size() == text.size())
            first = character->codePoint;
        rest.remove_prefix(character->length);
    }
    // The usual case, a printable ASCII character, needs no tables.
    if (text.size() == 1 && first > 0x20 && first < 0x7F) {
        check.label = std::string(text);
        return check;
    }
    const UnicodeLibrary* icu = unicodeLibrary();
    if (!icu)
        return fail(LabelFault::NoUnicodeLibrary);

    UErrorCode status = U_ZERO_ERROR;
    std::u16string utf16(text.size(), u'\0');
    int32_t length = 0;
    icu->fromUtf8(utf16.data(), static_cast<int32_t>(utf16.size()), &length, text.data(),
        static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return fail(LabelFault::NotUtf8);
    utf16.resize(static_cast<std::size_t>(length));

    const UNormalizer2* nfc = icu->composition(&status);
    std::u16string composed(utf16.size() * 3 + 1, u'\0');
    const int32_t composedLength = U_SUCCESS(status)
        ? icu->normalize(nfc, utf16.data(), static_cast<int32_t>(utf16.size()), composed.data(),
            static_cast<int32_t>(composed.size()), &status)
        : 0;
    if (U_FAILURE(status))
        return fail(LabelFault::NotUtf8);
    composed.resize(static_cast<std::size_t>(composedLength));

    UChar32 firstComposed = 0;
    U16_GET(composed.data(), 0, 0, static_cast<int32_t>(composed.size()), firstComposed);
    if (const LabelFault fault = faultOfFirst(*icu, static_cast<char32_t>(firstComposed));
        fault != LabelFault::None)
        return fail(fault);
    const int count = characterCount(*icu, composed);
    if (count != 1) {
        check.characters = count;
        return fail(LabelFault::Several);
    }

    std::string utf8(composed.size() * 3, '\0');
    int32_t utf8Length = 0;
    icu->toUtf8(utf8.data(), static_cast<int32_t>(utf8.size()), &utf8Length, composed.data(),
        static_cast<int32_t>(composed.size()), &status);
    if (U_FAILURE(status))
        return fail(LabelFault::NotUtf8);
    utf8.resize(static_cast<std::size_t>(utf8Length));
    check.label = std::move(utf8);
    return check;
}

bool isTaughtLabel(std::string_view text)
{
    const LabelCheck check = checkLabel(text);
    return check.ok() && check.label == text;
}

std::string escapeText(std::string_view bytes)
{
    // Most text needs nothing escaped.
    if (std::all_of(bytes.begin(), bytes.end(),
            [](char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; }))
        return std::string(bytes);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() + 8);
    const auto escapeBytes = [&](std::string_view s) {
        for (const char c : s) {
            const auto b = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    };
    while (!bytes.empty()) {
        const char c = bytes.front();
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
            bytes.remove_prefix(1);
            continue;
        }
        const auto character = glifora::support::firstUtf8Character(bytes);
        if (!character) {
            escapeBytes(bytes.substr(0, 1));
            bytes.remove_prefix(1);
            continue;
        }
        const char32_t cp = character->codePoint;
        const std::size_t length = character->length;
        const bool plain = cp >= 0x20 && cp < 0x7F;
        if (!plain && invisible(cp))
            escapeBytes(bytes.substr(0, length));
        else
            out.append(bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return out;
}

} // namespace vanto::vecplan

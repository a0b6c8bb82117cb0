// Text crossing to and from the system's narrow ("ANSI") code page. Inside
// Glifora, text is UTF-8; the narrow code page is CP_ACP on Windows and UTF-8
// elsewhere. Bytes that do not decode become U+FFFD: nothing is dropped.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace glifora::support {

// Decodes bytes in the narrow code page into valid UTF-8.
std::string fromNarrow(std::string_view bytes);

// Encodes UTF-8 text in the narrow code page; characters that the code page
// lacks become the code page's default character.
std::string toNarrow(std::string_view utf8);

// Replaces every ill-formed UTF-8 sequence by U+FFFD, one per maximal
// ill-formed subpart, as Unicode recommends (Qt 6.4's own decoder gives
// one for each byte of a sequence cut short).
std::string sanitizeUtf8(std::string_view bytes);

// The character that UTF-8 text starts with: its code point and how many
// bytes it takes.
struct Utf8Character {
    char32_t codePoint = 0;
    std::size_t length = 0;  // 1 to 4
};

// The first character of text, or nothing when text is empty or does not
// start with well-formed UTF-8 (a stray continuation byte, a sequence cut
// short, an overlong form, a surrogate, anything above U+10FFFF).
std::optional<Utf8Character> firstUtf8Character(std::string_view text);

// sanitizeUtf8 for text too large to hold twice: the result goes to take
// in order, in pieces of whole characters, each of about pieceBytes (less
// than one character more).
void sanitizeUtf8InPieces(std::string_view bytes, std::size_t pieceBytes,
                          const std::function<void(std::string_view)>& take);

// fromNarrow in pieces, the same way, for a caller that keeps the text in
// a form of its own (the windows' QString) and so need not hold its UTF-8
// whole beside the bytes.
void fromNarrowInPieces(std::string_view bytes, std::size_t pieceBytes,
                        const std::function<void(std::string_view)>& take);

}  // namespace glifora::support

// Text crossing to and from the system's narrow ("ANSI") code page. Inside
// Glifora, text is UTF-8; the narrow code page is CP_ACP on Windows and UTF-8
// elsewhere. Bytes that do not decode become U+FFFD: nothing is dropped.
#pragma once

#include <string>
#include <string_view>

namespace glifora::support {

// Decodes bytes in the narrow code page into valid UTF-8.
std::string fromNarrow(std::string_view bytes);

// Encodes UTF-8 text in the narrow code page; characters that the code page
// lacks become the code page's default character.
std::string toNarrow(std::string_view utf8);

// Replaces every ill-formed UTF-8 sequence by U+FFFD, one per maximal
// ill-formed subpart, as Unicode recommends (and Qt does).
std::string sanitizeUtf8(std::string_view bytes);

// Whether bytes are UTF-8 with no ill-formed sequence, so that
// sanitizeUtf8 would give them back unchanged.
bool isWellFormedUtf8(std::string_view bytes);

// fromNarrow for bytes that the caller gives up, such as a whole file just
// read: where they already are the text (valid UTF-8 in a UTF-8 code page)
// they come back as they are, so a large file is never held twice.
std::string fromNarrowTaking(std::string&& bytes);

}  // namespace glifora::support

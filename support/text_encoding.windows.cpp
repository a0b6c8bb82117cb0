#include "text_encoding.hpp"

#include <windows.h>

#include <climits>

#include "wide_text.windows.hpp"

// The narrow code page on Windows is the ANSI code page (CP_ACP).
namespace glifora::support {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Decodes a whole run strictly; false if any byte sequence is invalid in the
// ANSI code page.
bool decodeStrict(std::string_view bytes, std::wstring& wide)
{
    if (bytes.size() > INT_MAX)
        return false;
    const int count = static_cast<int>(bytes.size());
    const int needed
        = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
    if (needed <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(needed));
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), count, wide.data(), needed);
    return true;
}

// One character at a time (one byte, or two for a lead byte of a double-byte
// code page), so that only what does not decode becomes U+FFFD.
std::wstring decodeLenient(std::string_view bytes)
{
    std::wstring wide;
    wide.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const bool lead = IsDBCSLeadByte(static_cast<BYTE>(bytes[i])) && i + 1 < bytes.size();
        const int length = lead ? 2 : 1;
        wchar_t decoded[2];
        const int count = MultiByteToWideChar(
            CP_ACP, MB_ERR_INVALID_CHARS, bytes.data() + i, length, decoded, 2);
        if (count <= 0) {
            wide += kReplacement;
            ++i;
            continue;
        }
        wide.append(decoded, static_cast<std::size_t>(count));
        i += static_cast<std::size_t>(length);
    }
    return wide;
}

} // namespace

std::string fromNarrow(std::string_view bytes)
{
    if (GetACP() == CP_UTF8)
        return sanitizeUtf8(bytes);
    std::wstring wide;
    if (!decodeStrict(bytes, wide))
        wide = decodeLenient(bytes);
    return win32::utf8FromWide(wide);
}

std::string toNarrow(std::string_view utf8)
{
    if (GetACP() == CP_UTF8)
        return sanitizeUtf8(utf8);

    // No best-fit mapping: a character that the code page lacks becomes "?"
    // rather than a look-alike. Best fit would turn a full-width quotation
    // mark in a file name into a real '"' and so change how a command line
    // splits into arguments.
    const std::wstring wide = win32::wideFromUtf8(utf8);
    std::wstring_view rest = wide;
    std::string narrow;
    while (!rest.empty()) {
        std::size_t length = rest.size() < INT_MAX / 4 ? rest.size() : INT_MAX / 4;
        if (length < rest.size() && rest[length - 1] >= 0xD800 && rest[length - 1] <= 0xDBFF)
            --length; // keep a surrogate pair together
        const int count = static_cast<int>(length);
        const int needed = WideCharToMultiByte(
            CP_ACP, WC_NO_BEST_FIT_CHARS, rest.data(), count, nullptr, 0, nullptr, nullptr);
        const std::size_t at = narrow.size();
        narrow.resize(at + static_cast<std::size_t>(needed));
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, rest.data(), count, narrow.data() + at,
            needed, nullptr, nullptr);
        rest.remove_prefix(length);
    }
    return narrow;
}

void fromNarrowInPieces(std::string_view bytes, std::size_t pieceBytes,
    const std::function<void(std::string_view)>& take)
{
    if (GetACP() == CP_UTF8) {
        sanitizeUtf8InPieces(bytes, pieceBytes, take);
        return;
    }
    // Another code page is decoded whole, as fromNarrow does: a piece cut
    // inside a double-byte character would decode differently.
    take(fromNarrow(bytes));
}

} // namespace glifora::support

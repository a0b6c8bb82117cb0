#include "wide_text.windows.hpp"

#include <windows.h>

#include "text_encoding.hpp"

namespace glifora::support::win32 {

namespace {

// The conversion calls count in int; longer text goes through in pieces,
// each cut where no character is split.
constexpr std::size_t kPiece = 1 << 20;

std::size_t utf8PieceLength(std::string_view text)
{
    if (text.size() <= kPiece)
        return text.size();
    std::size_t end = kPiece;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end; // do not start the next piece on a continuation byte
    return end;
}

std::size_t utf16PieceLength(std::wstring_view text)
{
    if (text.size() <= kPiece)
        return text.size();
    const bool endsOnHighSurrogate = text[kPiece - 1] >= 0xD800 && text[kPiece - 1] <= 0xDBFF;
    return endsOnHighSurrogate ? kPiece - 1 : kPiece;
}

} // namespace

std::wstring wideFromUtf8(std::string_view utf8)
{
    const std::string valid = sanitizeUtf8(utf8);
    std::string_view rest = valid;
    std::wstring wide;
    while (!rest.empty()) {
        const std::size_t length = utf8PieceLength(rest);
        const int count = static_cast<int>(length);
        const int needed = MultiByteToWideChar(CP_UTF8, 0, rest.data(), count, nullptr, 0);
        const std::size_t at = wide.size();
        wide.resize(at + static_cast<std::size_t>(needed));
        MultiByteToWideChar(CP_UTF8, 0, rest.data(), count, wide.data() + at, needed);
        rest.remove_prefix(length);
    }
    return wide;
}

std::string utf8FromWide(std::wstring_view wide)
{
    std::string utf8;
    while (!wide.empty()) {
        const std::size_t length = utf16PieceLength(wide);
        const int count = static_cast<int>(length);
        // Without WC_ERR_INVALID_CHARS an unpaired surrogate becomes U+FFFD.
        const int needed
            = WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
        const std::size_t at = utf8.size();
        utf8.resize(at + static_cast<std::size_t>(needed));
        WideCharToMultiByte(
            CP_UTF8, 0, wide.data(), count, utf8.data() + at, needed, nullptr, nullptr);
        wide.remove_prefix(length);
    }
    return utf8;
}

} // namespace glifora::support::win32

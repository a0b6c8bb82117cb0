#include "text_encoding.hpp"

#include <algorithm>

namespace glifora::support {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The allowed range of the second byte after a lead byte; the bytes after
// it are always 0x80..0xBF.
struct LeadInfo {
    int length;  // 0: not a lead byte
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadInfo leadInfo(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};  // no surrogates
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3, 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4, 0x80, 0xBF};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};  // nothing above U+10FFFF
    return {0, 0, 0};
}

// Sanitizes bytes as sanitizeUtf8 does, into text. Whenever text has grown
// to pieceBytes, at the end of a character, it goes to flush and starts
// again empty; what is left at the end stays in text.
template <typename Flush>
void sanitizeInto(std::string_view bytes, std::string& text, std::size_t pieceBytes, Flush flush)
{
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        if (text.size() >= pieceBytes) {
            flush(text);
            text.clear();
        }
        // Copy runs of ASCII in one go: the common case.
        const std::size_t room = pieceBytes - text.size();
        std::size_t ascii = i;
        while (ascii < n && ascii - i < room && static_cast<unsigned char>(bytes[ascii]) < 0x80)
            ++ascii;
        text.append(bytes.substr(i, ascii - i));
        i = ascii;
        if (i == n || static_cast<unsigned char>(bytes[i]) < 0x80 || text.size() >= pieceBytes)
            continue;

        const LeadInfo lead = leadInfo(static_cast<unsigned char>(bytes[i]));
        if (lead.length == 0) {
            text += kReplacement;
            ++i;
            continue;
        }
        // Take continuation bytes while they are valid; a sequence cut short
        // is one maximal ill-formed subpart and so one replacement.
        std::size_t j = i + 1;
        for (int k = 1; k < lead.length && j < n; ++k, ++j) {
            const auto c = static_cast<unsigned char>(bytes[j]);
            const unsigned char low = k == 1 ? lead.secondLow : 0x80;
            const unsigned char high = k == 1 ? lead.secondHigh : 0xBF;
            if (c < low || c > high)
                break;
        }
        if (j - i == static_cast<std::size_t>(lead.length))
            text.append(bytes.substr(i, j - i));
        else
            text += kReplacement;
        i = j;
    }
}

}  // namespace

std::string sanitizeUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    sanitizeInto(bytes, text, std::string::npos, [](const std::string&) {});
    return text;
}

std::optional<Utf8Character> firstUtf8Character(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return Utf8Character{lead, 1};
    // The lead byte's table already refuses overlong forms, surrogates and
    // what lies above U+10FFFF through the range of the second byte.
    const LeadInfo info = leadInfo(lead);
    const auto length = static_cast<std::size_t>(info.length);
    if (length == 0 || text.size() < length)
        return std::nullopt;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        const unsigned char low = k == 1 ? info.secondLow : 0x80;
        const unsigned char high = k == 1 ? info.secondHigh : 0xBF;
        if (c < low || c > high)
            return std::nullopt;
        code = (code << 6) | (c & 0x3F);
    }
    return Utf8Character{code, length};
}

void sanitizeUtf8InPieces(std::string_view bytes, std::size_t pieceBytes,
                          const std::function<void(std::string_view)>& take)
{
    pieceBytes = std::max<std::size_t>(pieceBytes, 1);
    std::string piece;
    piece.reserve(pieceBytes + kReplacement.size());
    sanitizeInto(bytes, piece, pieceBytes, [&](const std::string& full) { take(full); });
    if (!piece.empty())
        take(piece);
}

}  // namespace glifora::support

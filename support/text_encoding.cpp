#include "text_encoding.hpp"

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

// Where the sequence that starts at the lead byte bytes[i] ends: after one
// whole character, or after one maximal ill-formed subpart.
struct Sequence {
    std::size_t end;
    bool wellFormed;
};

Sequence sequenceAt(std::string_view bytes, std::size_t i)
{
    const LeadInfo lead = leadInfo(static_cast<unsigned char>(bytes[i]));
    if (lead.length == 0)
        return {i + 1, false};
    // Take continuation bytes while they are valid; a sequence cut short
    // is one maximal ill-formed subpart.
    std::size_t j = i + 1;
    for (int k = 1; k < lead.length && j < bytes.size(); ++k, ++j) {
        const auto c = static_cast<unsigned char>(bytes[j]);
        const unsigned char low = k == 1 ? lead.secondLow : 0x80;
        const unsigned char high = k == 1 ? lead.secondHigh : 0xBF;
        if (c < low || c > high)
            break;
    }
    return {j, j - i == static_cast<std::size_t>(lead.length)};
}

}  // namespace

bool isWellFormedUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const Sequence sequence = sequenceAt(bytes, i);
        if (!sequence.wellFormed)
            return false;
        i = sequence.end;
    }
    return true;
}

std::string sanitizeUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        // Copy runs of ASCII in one go: the common case.
        std::size_t ascii = i;
        while (ascii < n && static_cast<unsigned char>(bytes[ascii]) < 0x80)
            ++ascii;
        text.append(bytes.substr(i, ascii - i));
        i = ascii;
        if (i == n)
            break;

        // A whole character is kept; each ill-formed subpart becomes one
        // replacement.
        const Sequence sequence = sequenceAt(bytes, i);
        if (sequence.wellFormed)
            text.append(bytes.substr(i, sequence.end - i));
        else
            text += kReplacement;
        i = sequence.end;
    }
    return text;
}

}  // namespace glifora::support

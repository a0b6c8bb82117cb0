#include "text_encoding.hpp"

// On POSIX systems the narrow code page is UTF-8, as Qt 6 assumes.
namespace glifora::support {

std::string fromNarrow(std::string_view bytes)
{
    return sanitizeUtf8(bytes);
}

std::string toNarrow(std::string_view utf8)
{
    return std::string(utf8);
}

void fromNarrowInPieces(std::string_view bytes, std::size_t pieceBytes,
                        const std::function<void(std::string_view)>& take)
{
    sanitizeUtf8InPieces(bytes, pieceBytes, take);
}

}  // namespace glifora::support

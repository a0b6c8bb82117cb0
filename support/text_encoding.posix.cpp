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

}  // namespace glifora::support

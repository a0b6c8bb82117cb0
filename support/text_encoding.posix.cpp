#include "text_encoding.hpp"

#include <utility>

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

std::string fromNarrowTaking(std::string&& bytes)
{
    if (isWellFormedUtf8(bytes))
        return std::move(bytes);
    return sanitizeUtf8(bytes);
}

}  // namespace glifora::support

#include "save_file.hpp"

#include "file_failure.hpp"
#include "replace_file.hpp"

namespace vanto {

std::string writeFileWhole(const std::string& path, std::string_view bytes)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    return glifora::wording::whyNotWritten(
        glifora::support::replaceFile(folder.empty() ? "/" : folder, name, bytes));
}

} // namespace vanto

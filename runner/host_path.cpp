#include "host_path.hpp"

namespace glifora::runner {

std::string_view builtInDriveRoot()
{
    return GLIFORA_BUILTIN_DRIVE_ROOT;
}

std::string toHostPath(std::string_view path, std::string_view driveRoot)
{
    const bool onDriveC = path.size() >= 3 && (path[0] == 'C' || path[0] == 'c') &&
                          path[1] == ':' && path[2] == '\\';
    if (driveRoot.empty() || !onDriveC)
        return std::string(path);

    std::string host(driveRoot);
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    host += '/';
    for (const char c : path.substr(3))
        host += c == '\\' ? '/' : c;
    return host;
}

}  // namespace glifora::runner

#include "save_file.hpp"

#include "system_reason.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace vanto {

std::string writeFileWhole(const std::string& path, std::string_view bytes)
{
    using glifora::tools::systemReason;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);

    // A hidden name of its own in the same folder, so that the rename stays
    // within one file system and never meets another writer's file. Made
    // like any other file (0666 less the umask).
    std::random_device random;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".guardando.%08x", static_cast<unsigned>(random()));
        temporary = folder + name;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return "no se puede crear un archivo en la carpeta: " + systemReason(errno);

    std::string failure;
    while (!bytes.empty() && failure.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n >= 0)
            bytes.remove_prefix(static_cast<std::size_t>(n));
        else if (errno != EINTR)
            failure = "no se puede escribir: " + systemReason(errno);
    }
    if (failure.empty() && ::fsync(fd) != 0)
        failure = "no se puede escribir en el disco: " + systemReason(errno);
    if (::close(fd) != 0 && failure.empty())
        failure = "no se puede terminar de escribir: " + systemReason(errno);
    if (failure.empty() && ::rename(temporary.c_str(), path.c_str()) != 0)
        failure = "no se puede dar su nombre al archivo escrito: " + systemReason(errno);
    if (!failure.empty())
        ::unlink(temporary.c_str());
    return failure;
}

} // namespace vanto

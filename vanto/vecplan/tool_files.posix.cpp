#include "tool_files.hpp"

#include "system_reason.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace vanto::vecplan {

namespace {

std::string reason(int error)
{
    return glifora::tools::systemReason(error);
}

bool writeAll(int fd, std::string_view data, int& error)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::string executableDirectory(std::string& error)
{
    // Linux names the running program's file here, whatever the current
    // directory or argv[0] say.
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n < 0) {
        error = "No se puede saber dónde está el programa (/proc/self/exe): " + reason(errno) + ".";
        return {};
    }
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        error = "No se puede saber dónde está el programa: ruta sin directorio \"" + path + "\".";
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string replaceFileAtomically(
    const std::string& dir, std::string_view name, std::string_view contents)
{
    const std::string target = dir + "/" + std::string(name);
    // A name of its own for every run, in the target's directory, so the
    // rename stays within one file system and two runs never share it. The
    // file is made like any other (mode 0666 less the umask), so whoever may
    // read the old result may read the new one.
    std::random_device random;
    std::string temp;
    int fd = -1;
    int openError = 0;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%ld.%08x", static_cast<long>(::getpid()), random());
        temp = dir + "/." + std::string(name) + suffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        openError = errno;
        if (fd < 0 && openError != EEXIST)
            break;
    }
    if (fd < 0)
        return "No se puede crear un fichero temporal en " + dir + ": " + reason(openError) + ".";
    int error = 0;
    std::string failure;
    if (!writeAll(fd, contents, error)) {
        failure = "No se puede escribir " + temp + ": " + reason(error) + ".";
    } else if (::fsync(fd) != 0) {
        failure = "No se puede escribir en disco " + temp + ": " + reason(errno) + ".";
    }
    if (::close(fd) != 0 && failure.empty())
        failure = "No se puede cerrar " + temp + ": " + reason(errno) + ".";
    if (failure.empty() && ::rename(temp.c_str(), target.c_str()) != 0)
        failure = "No se puede sustituir " + target + ": " + reason(errno) + ".";
    if (!failure.empty()) {
        ::unlink(temp.c_str());
        return failure;
    }
    // Make the rename itself durable; a failure here loses nothing that a
    // reader could see, so it is not reported.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

} // namespace vanto::vecplan

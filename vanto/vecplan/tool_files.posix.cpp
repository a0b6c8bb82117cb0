#include "tool_files.hpp"

#include "system_reason.hpp"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace vanto::vecplan {

std::string executableDirectory(std::string& error)
{
    // Linux names the running program's file here, whatever the current
    // folder or argv[0] say.
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n < 0) {
        error = "No se puede saber dónde está el programa (/proc/self/exe): "
            + glifora::wording::systemReason(errno) + ".";
        return {};
    }
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        error = "No se puede saber dónde está el programa: ruta sin carpeta \"" + path + "\".";
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

FolderLock::FolderLock(const std::string& dir, Mode mode)
    : folder_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (!folder_.valid()) {
        error_ = errno;
        return;
    }
    while (::flock(folder_.get(), mode == Mode::Shared ? LOCK_SH : LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = errno;
            folder_.reset();
            return;
        }
    }
}

std::int64_t runStartStamp()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t { now.tv_sec } * 1000000000 + now.tv_nsec;
}

namespace {

// Whether the file at path was left by a run that started after
// startStamp.
bool newerResult(const std::string& path, std::int64_t startStamp)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const std::int64_t stamp = std::int64_t { st.st_mtim.tv_sec } * 1000000000 + st.st_mtim.tv_nsec;
    return stamp > startStamp && stamp <= runStartStamp();
}

} // namespace

glifora::support::ReplaceResult replaceRunResult(const std::string& dir, std::string_view name,
    std::string_view contents, std::int64_t startStamp)
{
    const std::string target = dir + "/" + std::string(name);
    glifora::support::ReplaceOptions options;
    // Runs that compare start stamps do so one at a time, under the
    // folder's lock, so that none can slip an older result in between
    // another's check and rename.
    options.modifiedAt = startStamp;
    options.mayReplace = [&] { return !newerResult(target, startStamp); };
    return glifora::support::replaceFile(dir, name, contents, options);
}

} // namespace vanto::vecplan

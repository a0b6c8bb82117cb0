#include "tool_files.hpp"

#include "replace_file.hpp"
#include "system_reason.hpp"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace vanto::vecplan {

namespace {

std::string reason(int error)
{
    return glifora::wording::systemReason(error);
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

std::string describeReplaceFailure(
    const glifora::support::ReplaceResult& result, const std::string& dir, std::string_view name)
{
    using glifora::support::ReplaceStep;
    const std::string& temp = result.temporary;
    switch (result.failed) {
    case ReplaceStep::None:
        return {};
    case ReplaceStep::Create:
        return "No se puede crear un fichero temporal en " + dir + ": " + reason(result.error)
            + ".";
    case ReplaceStep::Write:
        return "No se puede escribir " + temp + ": " + reason(result.error) + ".";
    case ReplaceStep::Sync:
        return "No se puede escribir en disco " + temp + ": " + reason(result.error) + ".";
    case ReplaceStep::Stamp:
        return "No se puede fechar " + temp + ": " + reason(result.error) + ".";
    case ReplaceStep::Close:
        return "No se puede cerrar " + temp + ": " + reason(result.error) + ".";
    case ReplaceStep::Lock:
        return "No se puede bloquear " + dir + ": " + reason(result.error) + ".";
    case ReplaceStep::Rename:
        return "No se puede sustituir " + dir + "/" + std::string(name) + ": "
            + reason(result.error) + ".";
    }
    return {};
}

FolderLock::FolderLock(const std::string& dir, Mode mode)
    : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    while (::flock(fd_, mode == Mode::Shared ? LOCK_SH : LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = errno;
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FolderLock::~FolderLock()
{
    // Closing the folder's only descriptor releases the lock.
    if (fd_ >= 0)
        ::close(fd_);
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

std::string replace(const std::string& dir, std::string_view name, std::string_view contents,
    const std::int64_t* startStamp, bool& superseded)
{
    const std::string target = dir + "/" + std::string(name);
    glifora::support::ReplaceOptions options;
    if (startStamp) {
        // Runs that compare start stamps do so one at a time, under the
        // folder's lock, so that none can slip an older result in between
        // another's check and rename.
        options.modifiedAt = *startStamp;
        options.mayReplace = [&] { return !newerResult(target, *startStamp); };
    }
    const glifora::support::ReplaceResult result
        = glifora::support::replaceFile(dir, name, contents, options);
    superseded = result.declined;
    return describeReplaceFailure(result, dir, name);
}

} // namespace

std::string replaceFileAtomically(
    const std::string& dir, std::string_view name, std::string_view contents)
{
    bool superseded = false;
    return replace(dir, name, contents, nullptr, superseded);
}

std::string replaceFileAtomically(const std::string& dir, std::string_view name,
    std::string_view contents, std::int64_t startStamp, bool& superseded)
{
    return replace(dir, name, contents, &startStamp, superseded);
}

} // namespace vanto::vecplan

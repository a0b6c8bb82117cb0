#include "tool_files.hpp"

#include "system_reason.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
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

std::int64_t runStartStamp()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t { now.tv_sec } * 1000000000 + now.tv_nsec;
}

namespace {

// A lock on a directory, held while the descriptor is open.
class DirectoryLock {
public:
    explicit DirectoryLock(const std::string& dir)
        : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = errno;
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~DirectoryLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    bool held() const { return fd_ >= 0; }
    int error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
};

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
    superseded = false;
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
    } else if (startStamp) {
        const timespec times[2] = { { *startStamp / 1000000000, *startStamp % 1000000000 },
            { *startStamp / 1000000000, *startStamp % 1000000000 } };
        if (::futimens(fd, times) != 0)
            failure = "No se puede fechar " + temp + ": " + reason(errno) + ".";
    }
    if (::close(fd) != 0 && failure.empty())
        failure = "No se puede cerrar " + temp + ": " + reason(errno) + ".";
    // Runs that compare start stamps do so one at a time, so that none
    // can slip an older result in between another's check and rename.
    std::optional<DirectoryLock> lock;
    if (failure.empty() && startStamp) {
        lock.emplace(dir);
        if (!lock->held())
            failure = "No se puede bloquear " + dir + ": " + reason(lock->error()) + ".";
        else if (newerResult(target, *startStamp))
            superseded = true;
    }
    if (failure.empty() && !superseded && ::rename(temp.c_str(), target.c_str()) != 0)
        failure = "No se puede sustituir " + target + ": " + reason(errno) + ".";
    if (!failure.empty() || superseded) {
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

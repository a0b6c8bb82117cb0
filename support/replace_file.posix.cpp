#include "replace_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "descriptor.posix.hpp"

namespace glifora::support {

namespace {

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0)
            data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Numbers this process's temporary files. Nothing else is needed to make
// a name unique, and unlike a random source it cannot fail.
std::atomic<unsigned> temporaryCounter { 0 };

// An exclusive lock on a folder, held while it is open.
bool lockFolder(const Descriptor& folder)
{
    while (::flock(folder.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

ReplaceResult replaceFile(const std::string& dir, std::string_view name, std::string_view contents,
    const ReplaceOptions& options)
{
    ReplaceResult result;
    const auto fail = [&](ReplaceStep step, int error) {
        result.failed = step;
        result.error = error;
        return result;
    };
    const std::string target = dir + "/" + std::string(name);

    // A name of its own for every writer, in the target's folder, so the
    // rename stays within one file system and two writers never share it:
    // the process id sets processes apart and a counter the replacements of
    // one process, and O_EXCL passes over a name that is taken (left behind
    // by a killed process that had the same id, say).
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%ld.%08x", static_cast<long>(::getpid()),
            temporaryCounter.fetch_add(1, std::memory_order_relaxed));
        result.temporary = dir + "/." + std::string(name) + suffix;
        fd = ::open(result.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return fail(ReplaceStep::Create, errno);
    Descriptor file(fd);

    // From here on a failure takes the temporary file away again.
    const auto failAndRemove = [&](ReplaceStep step, int error) {
        ::unlink(result.temporary.c_str());
        return fail(step, error);
    };
    if (!writeAll(file.get(), contents))
        return failAndRemove(ReplaceStep::Write, errno);
    if (::fsync(file.get()) != 0)
        return failAndRemove(ReplaceStep::Sync, errno);
    if (options.modifiedAt) {
        const std::int64_t at = *options.modifiedAt;
        const timespec times[2] = { { at / 1000000000, at % 1000000000 },
            { at / 1000000000, at % 1000000000 } };
        if (::futimens(file.get(), times) != 0)
            return failAndRemove(ReplaceStep::Stamp, errno);
    }
    if (file.reset() != 0)
        return failAndRemove(ReplaceStep::Close, errno);

    if (options.beforeRename)
        options.beforeRename();
    const Descriptor folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (options.mayReplace) {
        if (folder.get() < 0 || !lockFolder(folder))
            return failAndRemove(ReplaceStep::Lock, errno);
        if (!options.mayReplace()) {
            ::unlink(result.temporary.c_str());
            result.declined = true;
            return result;
        }
    }
    if (::rename(result.temporary.c_str(), target.c_str()) != 0)
        return failAndRemove(ReplaceStep::Rename, errno);
    // Make the rename itself durable; a failure here loses nothing that a
    // reader could see, so it is not reported.
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return result;
}

} // namespace glifora::support

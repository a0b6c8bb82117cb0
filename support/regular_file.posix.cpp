#include "regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "descriptor.posix.hpp"

namespace glifora::support {

namespace {

ReadFailure failedAt(ReadStep step, int error = 0)
{
    ReadFailure failure;
    failure.step = step;
    failure.error = error;
    return failure;
}

ReadFailure tooLarge(std::uint64_t size, std::uint64_t maxBytes)
{
    ReadFailure failure;
    failure.step = ReadStep::TooLarge;
    failure.size = size;
    failure.maxBytes = maxBytes;
    return failure;
}

// Opens path for reading if it is a regular file no longer than maxBytes,
// and gives its length at that moment in `size`; otherwise says where it
// failed in `failure` and gives no descriptor.
Descriptor openRegularFile(const std::string& path, std::uint64_t maxBytes, ReadFailure& failure,
                           std::uint64_t& size)
{
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
    // The kind of file is judged afterwards, on what was actually opened.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) {
        failure = failedAt(ReadStep::Open, errno);
        return file;
    }
    struct stat info{};
    if (::fstat(file.get(), &info) != 0) {
        failure = failedAt(ReadStep::Inspect, errno);
        return Descriptor();
    }
    if (S_ISDIR(info.st_mode)) {
        failure = failedAt(ReadStep::Folder);
        return Descriptor();
    }
    if (!S_ISREG(info.st_mode)) {
        failure = failedAt(ReadStep::NotRegular);
        return Descriptor();
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        failure = tooLarge(static_cast<std::uint64_t>(info.st_size), maxBytes);
        return Descriptor();
    }

    // A regular file needs no O_NONBLOCK any more; drop it so that a file
    // under a mandatory lock cannot answer EAGAIN.
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

}  // namespace

FileBytes readRegularFile(const std::string& path, std::uint64_t maxBytes)
{
    FileBytes content;
    std::uint64_t size = 0;
    const Descriptor file = openRegularFile(path, maxBytes, content.failure, size);
    if (!file.valid())
        return content;

    // The length may change while we read; never read past the limit. Read
    // straight into the result, so a file costs its own size and no more.
    content.bytes.resize(static_cast<std::size_t>(size) + 1);  // one more, to see a file that grew
    std::size_t used = 0;
    for (;;) {
        if (used == content.bytes.size()) {
            if (used > maxBytes)
                return FileBytes{std::string(), tooLarge(0, maxBytes)};
            content.bytes.resize(std::min<std::uint64_t>(used * 2 + 4096, maxBytes + 1));
        }
        const ssize_t got = ::read(file.get(), content.bytes.data() + used,
                                   content.bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return FileBytes{std::string(), failedAt(ReadStep::Read, errno)};
        }
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    if (used > maxBytes)
        return FileBytes{std::string(), tooLarge(0, maxBytes)};
    content.bytes.resize(used);
    return content;
}

ReadFailure readRegularFileInPieces(const std::string& path, std::uint64_t maxBytes,
                                    std::size_t pieceBytes,
                                    const std::function<void(std::string_view)>& take)
{
    ReadFailure failure;
    std::uint64_t size = 0;
    const Descriptor file = openRegularFile(path, maxBytes, failure, size);
    if (!file.valid())
        return failure;
    std::string piece(std::max<std::size_t>(pieceBytes, 1), '\0');
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(file.get(), piece.data(), piece.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failedAt(ReadStep::Read, errno);
        }
        if (got == 0)
            return {};
        total += static_cast<std::uint64_t>(got);
        // The length may change while we read; never read past the limit.
        if (total > maxBytes)
            return tooLarge(0, maxBytes);
        take(std::string_view(piece.data(), static_cast<std::size_t>(got)));
    }
}

}  // namespace glifora::support

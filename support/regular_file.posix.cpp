#include "regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "system_reason.hpp"

namespace glifora::support {

using wording::systemReason;

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd; }
    int release()
    {
        const int taken = fd;
        fd = -1;
        return taken;
    }

private:
    int fd;
};

FileBytes failure(std::string reason)
{
    return FileBytes{std::string(), std::move(reason)};
}

std::string tooLarge(std::uint64_t maxBytes)
{
    return "es demasiado grande (el máximo es " + std::to_string(maxBytes) + " bytes)";
}

// Opens path for reading if it is a regular file no longer than maxBytes;
// otherwise says why in `error` and gives -1.
int openRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& error,
                    std::uint64_t& size)
{
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
    // The kind of file is judged afterwards, on what was actually opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = systemReason(errno);
        return -1;
    }
    FileDescriptor file(fd);
    struct stat info{};
    if (::fstat(file.get(), &info) != 0) {
        error = "no se puede leer: " + systemReason(errno);
        return -1;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "es una carpeta, no un archivo";
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "no es un archivo normal (dispositivo, tubería o similar)";
        return -1;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        error = "es demasiado grande (" + std::to_string(info.st_size) + " bytes; el máximo es "
                + std::to_string(maxBytes) + " bytes)";
        return -1;
    }

    // A regular file needs no O_NONBLOCK any more; drop it so that a file
    // under a mandatory lock cannot answer EAGAIN.
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(info.st_size);
    return file.release();
}

}  // namespace

FileBytes readRegularFile(const std::string& path, std::uint64_t maxBytes)
{
    std::string error;
    std::uint64_t size = 0;
    const FileDescriptor file(openRegularFile(path, maxBytes, error, size));
    if (file.get() < 0)
        return failure(error);

    // The length may change while we read; never read past the limit. Read
    // straight into the result, so a file costs its own size and no more.
    FileBytes content;
    content.bytes.resize(static_cast<std::size_t>(size) + 1);  // one more, to see a file that grew
    std::size_t used = 0;
    for (;;) {
        if (used == content.bytes.size()) {
            if (used > maxBytes)
                return failure(tooLarge(maxBytes));
            content.bytes.resize(std::min<std::uint64_t>(used * 2 + 4096, maxBytes + 1));
        }
        const ssize_t got = ::read(file.get(), content.bytes.data() + used,
                                   content.bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failure("no se puede leer: " + systemReason(errno));
        }
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    if (used > maxBytes)
        return failure(tooLarge(maxBytes));
    content.bytes.resize(used);
    return content;
}

std::string readRegularFileInPieces(const std::string& path, std::uint64_t maxBytes,
                                    std::size_t pieceBytes,
                                    const std::function<void(std::string_view)>& take)
{
    std::string error;
    std::uint64_t size = 0;
    const FileDescriptor file(openRegularFile(path, maxBytes, error, size));
    if (file.get() < 0)
        return error;
    std::string piece(std::max<std::size_t>(pieceBytes, 1), '\0');
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(file.get(), piece.data(), piece.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return "no se puede leer: " + systemReason(errno);
        }
        if (got == 0)
            return {};
        total += static_cast<std::uint64_t>(got);
        // The length may change while we read; never read past the limit.
        if (total > maxBytes)
            return tooLarge(maxBytes);
        take(std::string_view(piece.data(), static_cast<std::size_t>(got)));
    }
}

}  // namespace glifora::support

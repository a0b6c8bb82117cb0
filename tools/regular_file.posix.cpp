#include "regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "system_reason.hpp"

namespace glifora::tools {

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

}  // namespace

FileBytes readRegularFile(const std::string& path, std::uint64_t maxBytes)
{
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
    // The kind of file is judged afterwards, on what was actually opened.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return failure(systemReason(errno));
    struct stat info{};
    if (::fstat(file.get(), &info) != 0)
        return failure("no se puede leer: " + systemReason(errno));
    if (S_ISDIR(info.st_mode))
        return failure("es una carpeta, no un archivo");
    if (!S_ISREG(info.st_mode))
        return failure("no es un archivo normal (dispositivo, tubería o similar)");
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return failure("es demasiado grande (" + std::to_string(info.st_size)
                       + " bytes; el máximo es " + std::to_string(maxBytes) + " bytes)");
    }

    // A regular file needs no O_NONBLOCK any more; drop it so that a file
    // under a mandatory lock cannot answer EAGAIN.
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);

    // The length may change while we read; never read past the limit. Read
    // straight into the result, so a file costs its own size and no more.
    FileBytes content;
    content.bytes.resize(static_cast<std::size_t>(info.st_size) + 1);  // one more, to see a file that grew
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

}  // namespace glifora::tools

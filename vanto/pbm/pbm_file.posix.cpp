// Reading a PBM file on POSIX systems. The file is opened without blocking
// and read only if it is a regular file of a sane length, so a FIFO, a
// device or a huge file never stalls or exhausts a tool.
#include "pbm.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vanto {
namespace {

// The file name as shown in a message: control characters would break
// the one-line message, so they are shown as '?'.
std::string quoted(const std::string& path)
{
    std::string shown = "«";
    for (char c : path)
        shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return shown + "»";
}

PbmResult failure(const std::string& path, const std::string& what)
{
    PbmResult result;
    result.error = quoted(path) + ": " + what;
    return result;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd)
    {
    }
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

PbmResult readPbm(const std::string& path)
{
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        const int error = errno;
        return failure(path, std::string("no se puede abrir: ") + std::strerror(error));
    }
    struct stat info { };
    if (::fstat(file.get(), &info) != 0) {
        const int error = errno;
        return failure(path, std::string("no se puede leer: ") + std::strerror(error));
    }
    if (S_ISDIR(info.st_mode))
        return failure(path, "es una carpeta, no una imagen");
    if (!S_ISREG(info.st_mode))
        return failure(path, "no es un archivo normal (dispositivo, tubería o similar)");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes)
        return failure(path,
            "archivo demasiado grande (" + std::to_string(info.st_size) + " bytes; el máximo es "
                + std::to_string(kMaxFileBytes) + ")");

    // A regular file needs no O_NONBLOCK any more; drop it so that a
    // file under a lock cannot answer EAGAIN.
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);

    // The length may change while we read; never read past the limit.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            return failure(path, std::string("no se puede leer: ") + std::strerror(error));
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > kMaxFileBytes)
            return failure(path,
                "archivo demasiado grande (el máximo es " + std::to_string(kMaxFileBytes)
                    + " bytes)");
    }

    PbmResult result = parsePbm(bytes);
    if (!result.ok())
        result.error = quoted(path) + ": " + result.error;
    return result;
}

} // namespace vanto

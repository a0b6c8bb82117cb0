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

FileBytes readRegularFile(const std::string& path, std::uint64_t maxBytes)
{
    auto failure = [](const std::string& reason) { return FileBytes { std::string(), reason }; };

    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        const int error = errno;
        return failure(std::string("no se puede abrir: ") + std::strerror(error));
    }
    struct stat info { };
    if (::fstat(file.get(), &info) != 0) {
        const int error = errno;
        return failure(std::string("no se puede leer: ") + std::strerror(error));
    }
    if (S_ISDIR(info.st_mode))
        return failure("es una carpeta, no un archivo");
    if (!S_ISREG(info.st_mode))
        return failure("no es un archivo normal (dispositivo, tubería o similar)");
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes)
        return failure("archivo demasiado grande (" + std::to_string(info.st_size)
            + " bytes; el máximo es " + std::to_string(maxBytes) + ")");

    // A regular file needs no O_NONBLOCK any more; drop it so that a
    // file under a lock cannot answer EAGAIN.
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);

    // The length may change while we read; never read past the limit.
    FileBytes content;
    content.bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            return failure(std::string("no se puede leer: ") + std::strerror(error));
        }
        if (got == 0)
            break;
        content.bytes.append(buffer, static_cast<std::size_t>(got));
        if (content.bytes.size() > maxBytes)
            return failure(
                "archivo demasiado grande (el máximo es " + std::to_string(maxBytes) + " bytes)");
    }
    return content;
}

PbmResult readPbm(const std::string& path)
{
    const FileBytes file = readRegularFile(path, kMaxFileBytes);
    if (!file.ok())
        return failure(path, file.error);

    PbmResult result = parsePbm(file.bytes);
    if (!result.ok())
        result.error = quoted(path) + ": " + result.error;
    return result;
}

} // namespace vanto

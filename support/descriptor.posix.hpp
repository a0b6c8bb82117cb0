// POSIX only: the one owner of a file descriptor. Whatever opens a file, a
// folder or a pipe holds it in a Descriptor, so that every return path
// closes what the call opened and nothing is closed twice.
#pragma once

#include <unistd.h>

namespace glifora::support {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept
        : fd(fd)
    {
    }
    ~Descriptor() { reset(); }

    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept
        : fd(other.release())
    {
    }
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    int get() const noexcept { return fd; }
    bool valid() const noexcept { return fd >= 0; }

    // Gives the descriptor up without closing it; the caller owns it now.
    int release() noexcept
    {
        const int taken = fd;
        fd = -1;
        return taken;
    }

    // Closes the descriptor held, if any, and holds `other` instead.
    // Returns what close() returned (0 when nothing was held), with errno
    // set by it on failure: a failed close of a written file can be the
    // first news of a failed write. close() is not retried on EINTR: on
    // Linux the descriptor is gone whatever it returns.
    int reset(int other = -1) noexcept
    {
        const int result = fd >= 0 ? ::close(fd) : 0;
        fd = other;
        return result;
    }

private:
    int fd;
};

} // namespace glifora::support

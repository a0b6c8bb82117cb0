// The one owner of a POSIX file descriptor: it closes exactly what it holds,
// once, and hands it over when told to.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "descriptor.posix.hpp"

using glifora::support::Descriptor;

namespace {

int openNull()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(Descriptor, ClosesWhatItHoldsWhenItGoesOutOfScope)
{
    int fd = -1;
    {
        const Descriptor held(openNull());
        fd = held.get();
        ASSERT_TRUE(held.valid());
        EXPECT_TRUE(isOpen(fd));
    }
    EXPECT_FALSE(isOpen(fd));
    EXPECT_EQ(errno, EBADF);
}

TEST(Descriptor, ReleaseHandsTheDescriptorOverOpen)
{
    int fd = -1;
    {
        Descriptor held(openNull());
        fd = held.release();
        EXPECT_FALSE(held.valid());
    }
    EXPECT_TRUE(isOpen(fd));
    ::close(fd);
}

TEST(Descriptor, ResetClosesTheOldOneAndHoldsTheNew)
{
    Descriptor held(openNull());
    const int first = held.get();
    const int second = openNull();
    EXPECT_EQ(held.reset(second), 0);
    EXPECT_FALSE(isOpen(first));
    EXPECT_EQ(held.get(), second);
    EXPECT_TRUE(isOpen(second));

    EXPECT_EQ(held.reset(), 0);
    EXPECT_FALSE(isOpen(second));
    EXPECT_FALSE(held.valid());
    EXPECT_EQ(held.reset(), 0); // nothing held, nothing closed
}

// A failed close is what a caller that wrote a file needs to hear of.
TEST(Descriptor, ResetReportsAFailedClose)
{
    const int unused = openNull();
    ASSERT_EQ(::close(unused), 0);
    Descriptor held(unused);
    EXPECT_EQ(held.reset(), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(held.valid());
}

TEST(Descriptor, AMoveLeavesOneOwner)
{
    Descriptor from(openNull());
    const int fd = from.get();
    Descriptor to(std::move(from));
    EXPECT_FALSE(from.valid());
    EXPECT_EQ(to.get(), fd);

    Descriptor other(openNull());
    const int replaced = other.get();
    other = std::move(to);
    EXPECT_FALSE(isOpen(replaced));
    EXPECT_FALSE(to.valid());
    EXPECT_EQ(other.get(), fd);
    EXPECT_TRUE(isOpen(fd));
}

} // namespace

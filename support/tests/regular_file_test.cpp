// Reading a whole regular file on POSIX: what is read, and where a read
// that cannot be done stops, without ever waiting on a FIFO or a device.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "regular_file.hpp"

using namespace glifora::support;
namespace fs = std::filesystem;

namespace {

class RegularFile : public testing::Test {
protected:
    RegularFile()
    {
        std::string made = (fs::temp_directory_path() / "glifora-read-XXXXXX").string();
        if (mkdtemp(made.data()) != nullptr)
            dir = made;
    }
    ~RegularFile() override
    {
        if (!dir.empty())
            fs::remove_all(dir);
    }

    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Every piece that readRegularFileInPieces hands over, in order.
    std::vector<std::string> pieces(const std::string& path, std::uint64_t maxBytes,
        std::size_t pieceBytes, ReadFailure& failure)
    {
        std::vector<std::string> taken;
        failure = readRegularFileInPieces(
            path, maxBytes, pieceBytes, [&](std::string_view piece) { taken.emplace_back(piece); });
        return taken;
    }

    std::string dir;
};

TEST_F(RegularFile, ReadsEveryByteUpToAndIncludingTheLimit)
{
    ASSERT_FALSE(dir.empty());
    const std::string bytes("a\0b\r\n\xff", 6);
    const FileBytes whole = readRegularFile(write("f", bytes), bytes.size());
    ASSERT_TRUE(whole.ok()) << static_cast<int>(whole.failure.step);
    EXPECT_EQ(whole.bytes, bytes);

    const FileBytes empty = readRegularFile(write("vacio", ""), 0);
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(empty.bytes, "");
}

TEST_F(RegularFile, LongerThanTheLimitIsRefusedWithItsLengthAndTheLimit)
{
    ASSERT_FALSE(dir.empty());
    const FileBytes file = readRegularFile(write("f", "0123456789"), 9);
    EXPECT_FALSE(file.ok());
    EXPECT_EQ(file.failure.step, ReadStep::TooLarge);
    EXPECT_EQ(file.failure.size, 10u);
    EXPECT_EQ(file.failure.maxBytes, 9u);
    EXPECT_EQ(file.bytes, "");
}

// The kernel's files give a length of 0 and then have more to read: the
// read itself must find that the file outgrew the limit, and must take
// all of it when it does not.
TEST_F(RegularFile, AFileLongerThanItsLengthSaidIsReadWholeOrRefusedAtTheLimit)
{
    const FileBytes whole = readRegularFile("/proc/self/status", 1 << 20);
    ASSERT_TRUE(whole.ok()) << static_cast<int>(whole.failure.step);
    EXPECT_NE(whole.bytes.find("Pid:"), std::string::npos);

    const FileBytes cut = readRegularFile("/proc/self/status", 10);
    EXPECT_EQ(cut.failure.step, ReadStep::TooLarge);
    EXPECT_EQ(cut.failure.size, 0u); // no one length to give
    EXPECT_EQ(cut.failure.maxBytes, 10u);
}

TEST_F(RegularFile, WhatIsNoRegularFileIsRefusedWithoutWaiting)
{
    ASSERT_FALSE(dir.empty());
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readRegularFile(fifo, 100).failure.step, ReadStep::NotRegular);
    EXPECT_EQ(readRegularFile("/dev/zero", 100).failure.step, ReadStep::NotRegular);
    EXPECT_EQ(readRegularFile(dir, 100).failure.step, ReadStep::Folder);
    ReadFailure failure;
    EXPECT_TRUE(pieces(fifo, 100, 10, failure).empty());
    EXPECT_EQ(failure.step, ReadStep::NotRegular);
}

TEST_F(RegularFile, AFileThatCannotBeOpenedGivesTheSystemsError)
{
    ASSERT_FALSE(dir.empty());
    const FileBytes missing = readRegularFile(dir + "/no-existe", 100);
    EXPECT_EQ(missing.failure.step, ReadStep::Open);
    EXPECT_EQ(missing.failure.error, ENOENT);

    const FileBytes underAFile = readRegularFile(write("f", "x") + "/g", 100);
    EXPECT_EQ(underAFile.failure.step, ReadStep::Open);
    EXPECT_EQ(underAFile.failure.error, ENOTDIR);

    if (::geteuid() == 0)
        return; // root reads every file
    const std::string secret = write("secreto", "x");
    fs::permissions(secret, fs::perms::owner_write);
    const FileBytes denied = readRegularFile(secret, 100);
    EXPECT_EQ(denied.failure.step, ReadStep::Open);
    EXPECT_EQ(denied.failure.error, EACCES);
}

TEST_F(RegularFile, InPiecesHandsOverTheWholeFileInOrderNoPieceLongerThanAsked)
{
    ASSERT_FALSE(dir.empty());
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += std::to_string(i) + '\n';
    ReadFailure failure;
    const std::vector<std::string> taken = pieces(write("f", bytes), bytes.size(), 64, failure);
    EXPECT_TRUE(failure.ok());
    std::string joined;
    for (const std::string& piece : taken) {
        EXPECT_LE(piece.size(), 64u);
        EXPECT_FALSE(piece.empty());
        joined += piece;
    }
    EXPECT_EQ(joined, bytes);
}

TEST_F(RegularFile, InPiecesRefusesALongFileBeforeTakingAnythingAndStopsAtTheLimit)
{
    ASSERT_FALSE(dir.empty());
    ReadFailure failure;
    EXPECT_TRUE(pieces(write("f", std::string(100, 'x')), 99, 10, failure).empty());
    EXPECT_EQ(failure.step, ReadStep::TooLarge);
    EXPECT_EQ(failure.size, 100u);

    // Whatever came before the limit was passed stays taken.
    std::size_t taken = 0;
    for (const std::string& piece : pieces("/proc/self/status", 10, 4, failure))
        taken += piece.size();
    EXPECT_EQ(failure.step, ReadStep::TooLarge);
    EXPECT_EQ(failure.size, 0u);
    EXPECT_LE(taken, 10u);
}

} // namespace

// Reading a whole file that must be an ordinary file: the image, the
// reference set, the result file. Shared by the windows and by our tools so
// that there is one safe way to do it. It says what went wrong, not how to
// say it: wording/file_failure.hpp words a ReadFailure for the user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace glifora::support {

// Where a read stopped.
enum class ReadStep {
    None, // it did not: the file was read whole
    Open, // the file could not be opened: `error`
    Inspect, // the open file's kind and length could not be had: `error`
    Folder, // the name is a folder's
    NotRegular, // a device, a FIFO, a socket: nothing to read as a file
    TooLarge, // longer than the limit, when opened (`size`) or while being read
    Read, // a read failed: `error`
};

struct ReadFailure {
    ReadStep step = ReadStep::None;
    int error = 0; // the system's error number, for Open, Inspect and Read
    std::uint64_t size = 0; // TooLarge: its length when opened; 0 if it grew while read
    std::uint64_t maxBytes = 0; // TooLarge: the limit it passed

    bool ok() const { return step == ReadStep::None; }
};

// The whole content of a file, or where reading it failed.
struct FileBytes {
    std::string bytes;
    ReadFailure failure;

    bool ok() const { return failure.ok(); }
};

// Reads the regular file at path (a file name in the system's narrow
// encoding). The file is opened without blocking and its kind is checked on
// the open file itself, so a folder, FIFO or device is refused without ever
// waiting, even if it took the place of a file an instant before. A file
// longer than maxBytes, or one that grows beyond it during the read, is
// refused too.
FileBytes readRegularFile(const std::string& path, std::uint64_t maxBytes);

// The same, for a file that is read as it comes: each piece read, at most
// pieceBytes long, goes to `take` in order and is not kept, so that a long
// file costs no more memory than a piece (nor the faults of a fresh buffer
// of its size). Returns where the read failed, as FileBytes's failure;
// pieces taken before a failure stay taken.
ReadFailure readRegularFileInPieces(const std::string& path, std::uint64_t maxBytes,
                                    std::size_t pieceBytes,
                                    const std::function<void(std::string_view)>& take);

}  // namespace glifora::support

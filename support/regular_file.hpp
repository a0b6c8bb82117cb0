// Reading a whole file that must be an ordinary file: the image, the
// reference set, the result file. Shared by the windows and by our tools so
// that there is one safe way to do it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace glifora::support {

// The whole content of a file, or why it cannot be had: a Spanish phrase
// without the file name, e.g. "no existe el fichero o el directorio
// (error 2)" or "es una carpeta, no un archivo".
struct FileBytes {
    std::string bytes;
    std::string error;  // empty exactly when the read worked

    bool ok() const { return error.empty(); }
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
// of its size). Returns why the file cannot be had, worded as FileBytes's
// error, or an empty string; pieces taken before a failure stay taken.
std::string readRegularFileInPieces(const std::string& path, std::uint64_t maxBytes,
                                    std::size_t pieceBytes,
                                    const std::function<void(std::string_view)>& take);

}  // namespace glifora::support

// Reading a whole file that must be an ordinary file: the image, the
// reference set, the result file. Shared by the windows and by our tools so
// that there is one safe way to do it.
#pragma once

#include <cstdint>
#include <string>

namespace glifora::tools {

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

}  // namespace glifora::tools

// Maps the program's fixed Windows paths ("C:\VANTO\TRAZOC.EXE") to files
// of the machine it runs on.
#pragma once

#include <string>
#include <string_view>

namespace glifora::runner {

// The directory that stands for drive C:, fixed when the program is built.
// On Windows it is empty: the literals are used as they stand.
std::string_view builtInDriveRoot();

// Maps a path to this machine. A path on drive C: ("C:\" or "c:\") becomes
// driveRoot + "/" + the rest with every "\" turned into "/", the rest keeping
// its case. Any other path, and every path when driveRoot is empty, is
// returned unchanged.
std::string toHostPath(std::string_view path,
                       std::string_view driveRoot = builtInDriveRoot());

}  // namespace glifora::runner

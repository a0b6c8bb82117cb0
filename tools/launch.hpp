// The launch without capture: starts a command line as a process of its own
// and returns as soon as the process exists, without waiting for it.
#pragma once

#include <string>
#include <string_view>

#include "host_path.hpp"
#include "tool_set.hpp"

namespace glifora::tools {

struct LaunchResult {
    int error = 0;       // the system's error number; 0 when the launch worked
    std::string reason;  // the system's text for error, Spanish, UTF-8; empty on success

    bool ok() const { return error == 0; }
};

// Starts commandLine (program first, then its arguments). The process keeps
// nothing of the caller but its standard input, output and error, and is
// never left behind as a zombie. On POSIX the program token is mapped with
// toHostPath(program, driveRoot) and the window style has no effect.
LaunchResult launchDetached(std::string_view commandLine, WindowStyle style,
                            std::string_view driveRoot = builtInDriveRoot());

}  // namespace glifora::tools

// The captured command runner: runs one command line as a child process with
// its standard output on a pipe, waits for it to end and returns what it
// wrote. It never reports an error any other way than through its result.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host_path.hpp"

namespace glifora::tools {

// At most this many bytes of a child's output are kept.
inline constexpr std::size_t kCaptureCapacity = 10240;

// Runs commandLine (program first, then its arguments, one string) and
// returns the first kCaptureCapacity bytes of the child's standard output,
// decoded from the narrow code page into UTF-8. The child's standard input
// and standard error are not connected. On failure the result is one of
//   "Error: CreatePipe failed. <n>"
//   "Error: CreateProcess failed. <n>"
//   "Error: ReadFile failed. <n>"
// with the system's error number n in decimal. On POSIX the program token is
// mapped with toHostPath(program, driveRoot).
std::string ejecuta(std::string_view commandLine,
                    std::string_view driveRoot = builtInDriveRoot());

}  // namespace glifora::tools

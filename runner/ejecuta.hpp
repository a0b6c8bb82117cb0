// The captured command runner: runs one command line as a child process with
// its standard output on a pipe, waits for it to end and returns what it
// wrote. It never reports an error any other way than through its result.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host_path.hpp"

namespace glifora::runner {

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
std::string ejecuta(std::string_view commandLine, std::string_view driveRoot = builtInDriveRoot());

// What an observer answers a waiting ejecuta.
enum class WaitAnswer { Continue, Stop };

// Called on the calling thread, inside the call, about every
// kObserverInterval while ejecuta waits for its child, with the time since
// the child was started: until the child has ended, also when its output
// ended first. It must not throw.
using WaitObserver = std::function<WaitAnswer(std::chrono::milliseconds elapsed)>;

inline constexpr std::chrono::milliseconds kObserverInterval { 50 };

// ejecuta(commandLine, driveRoot), calling observer while it waits. Until
// the observer answers Stop, the call and its result are exactly those of
// ejecuta(commandLine, driveRoot). On Stop the child and the processes it
// started are ended at once (on POSIX SIGKILL to the child's own process
// group, on Windows its job object ended) and the child is reaped,
// everything the call opened is released, and the result is empty: no
// text, so that nothing a tool prints can be mistaken for it. When the
// child ends by itself nothing is killed, not even a process it left
// running.
std::optional<std::string> ejecuta(
    std::string_view commandLine, std::string_view driveRoot, const WaitObserver& observer);

} // namespace glifora::runner

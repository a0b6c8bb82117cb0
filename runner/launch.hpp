// The launch without capture: starts a command line as a process of its own
// and returns as soon as the process exists, without waiting for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "ejecuta.hpp"
#include "host_path.hpp"
#include "tool_set.hpp"

namespace glifora::runner {

// A launched process, kept only so as to know whether it still runs. It is
// never ended, and never waited for except through waitForEnd(): letting it
// go (destroying or replacing it) leaves the process running on its own.
// On POSIX it is a pidfd, on Windows a process handle; a system that offers
// no pidfd gives an empty one, which reports the process as ended.
class LaunchedProcess {
public:
    LaunchedProcess() = default;
    ~LaunchedProcess() { release(); }
    LaunchedProcess(LaunchedProcess&& other) noexcept : handle(std::exchange(other.handle, kNone)) {}
    LaunchedProcess& operator=(LaunchedProcess&& other) noexcept
    {
        if (this != &other) {
            release();
            handle = std::exchange(other.handle, kNone);
        }
        return *this;
    }
    LaunchedProcess(const LaunchedProcess&) = delete;
    LaunchedProcess& operator=(const LaunchedProcess&) = delete;

    // Takes over a pidfd (POSIX) or a process handle (Windows); for
    // launchDetached.
    static LaunchedProcess adopt(std::intptr_t handle)
    {
        LaunchedProcess process;
        process.handle = handle;
        return process;
    }

    // Whether the process is known to run still.
    bool running() const;

    // Waits until the process has ended, calling observer about every
    // kObserverInterval with the time waited so far. Returns true once the
    // process has ended, false when the observer answered Stop: then the
    // process goes on as it was.
    bool waitForEnd(const WaitObserver& observer) const;

private:
    static constexpr std::intptr_t kNone = -1;
    void release() noexcept;

    std::intptr_t handle = kNone;
};

struct LaunchResult {
    int error = 0;       // the system's error number; 0 when the launch worked
    std::string reason;  // the system's text for error, Spanish, UTF-8; empty on success
    LaunchedProcess process;  // the started process; empty after a failure

    bool ok() const { return error == 0; }
};

// Starts commandLine (program first, then its arguments). The process keeps
// nothing of the caller but its standard input, output and error, and is
// never left behind as a zombie. On POSIX the program token is mapped with
// toHostPath(program, driveRoot) and the window style has no effect.
LaunchResult launchDetached(std::string_view commandLine, WindowStyle style,
                            std::string_view driveRoot = builtInDriveRoot());

}  // namespace glifora::runner

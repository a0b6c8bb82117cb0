#include "launch.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "spawn.posix.hpp"
#include "system_reason.hpp"

namespace glifora::tools {

namespace {

LaunchResult failure(int error)
{
    return LaunchResult { error, systemMessage(error) };
}

} // namespace

// The tool must outlive nothing of ours and must not become a zombie of this
// program, which never waits for it. So it is started by a short-lived
// middle process: the middle starts the tool and exits at once, we reap the
// middle, and the tool, now an orphan, is reaped by init when it ends. The
// middle tells us the outcome of its start through a close-on-exec pipe,
// which also works when this program ignores SIGCHLD and so cannot read an
// exit status.
//
// The middle is a plain fork(): it has to run code of ours after it starts,
// which vfork() does not allow. It only calls PreparedStart::start(), which
// makes system calls only, then write() and _exit(); everything it needs was
// prepared here before the fork.
LaunchResult launchDetached(
    std::string_view commandLine, WindowStyle style, std::string_view driveRoot)
{
    // The window style (minimized, maximized) asks the window manager for the
    // new window's state on Windows. X11 has no way for the parent to say so
    // for another program's window, so on POSIX it has no effect.
    static_cast<void>(style);

    const posix::PreparedStart prepared(posix::hostArguments(commandLine, driveRoot), -1);

    int report[2];
    if (pipe2(report, O_CLOEXEC) == -1)
        return failure(errno);

    const pid_t middle = fork();
    if (middle == -1) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return failure(error);
    }
    if (middle == 0) {
        close(report[0]);
        pid_t tool = 0;
        const int error = prepared.start(tool);
        // Four bytes into an empty pipe cannot be cut short.
        const ssize_t written
            = posix::retryOnInterrupt([&] { return write(report[1], &error, sizeof error); });
        _exit(written == sizeof error ? 0 : 1);
    }

    close(report[1]);
    int error = 0;
    const ssize_t got
        = posix::retryOnInterrupt([&] { return read(report[0], &error, sizeof error); });
    // A middle that ended without a word (killed, say) has started nothing
    // we know of; ECHILD is the nearest honest number for that.
    if (got != sizeof error)
        error = got == -1 ? errno : ECHILD;
    close(report[0]);
    posix::reap(middle);

    if (error)
        return failure(error);
    return LaunchResult {};
}

} // namespace glifora::tools

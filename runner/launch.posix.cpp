#include "launch.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "descriptor.posix.hpp"
#include "spawn.posix.hpp"
#include "system_reason.hpp"
#include "wait_appointments.hpp"

namespace glifora::runner {

using support::Descriptor;
using wording::systemMessage;

namespace {

LaunchResult failure(int error)
{
    return LaunchResult { error, systemMessage(error), {} };
}

// What the middle process tells us: the outcome of the start and, when it
// has one, a pidfd of the tool.
struct Report {
    int error = 0;
    int pidfd = -1;
};

// Sends error, and pidfd as ancillary data when it is one. Called in the
// middle process: system calls only.
bool sendReport(int socket, int error, int pidfd) noexcept
{
    iovec data { &error, sizeof error };
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] {};
    msghdr message {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (pidfd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &pidfd, sizeof pidfd);
    }
    const ssize_t sent
        = posix::retryOnInterrupt([&] { return sendmsg(socket, &message, MSG_NOSIGNAL); });
    return sent == sizeof error;
}

// The middle's report; a middle that ended without a word (killed, say) has
// started nothing we know of, and ECHILD is the nearest honest number.
Report receiveReport(int socket)
{
    Report report;
    iovec data { &report.error, sizeof report.error };
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] {};
    msghdr message {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = posix::retryOnInterrupt(
        [&] { return recvmsg(socket, &message, MSG_CMSG_CLOEXEC | MSG_WAITALL); });
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS)
            std::memcpy(&report.pidfd, CMSG_DATA(header), sizeof report.pidfd);
    }
    if (got != sizeof report.error) {
        report.error = got == -1 ? errno : ECHILD;
        if (report.pidfd >= 0)
            close(report.pidfd);
        report.pidfd = -1;
    }
    return report;
}

} // namespace

void LaunchedProcess::release() noexcept
{
    if (handle != kNone)
        close(static_cast<int>(handle));
    handle = kNone;
}

// A pidfd becomes readable once its process has ended, whoever reaps it.
bool LaunchedProcess::running() const
{
    if (handle == kNone)
        return false;
    pollfd watched { static_cast<int>(handle), POLLIN, 0 };
    return posix::retryOnInterrupt([&] { return poll(&watched, 1, 0); }) == 0;
}

bool LaunchedProcess::waitForEnd(const WaitObserver& observer) const
{
    if (handle == kNone)
        return true;
    WaitAppointments appointments(&observer);
    pollfd watched { static_cast<int>(handle), POLLIN, 0 };
    for (;;) {
        const int timeout = static_cast<int>(appointments.untilDue().count());
        const int ready = poll(&watched, 1, timeout);
        if (ready == -1 && errno != EINTR)
            return true; // a pidfd that cannot be watched tells nothing more
        if (ready > 0)
            return true;
        if (!appointments.keepWaiting())
            return false;
    }
}

// The tool must outlive nothing of ours and must not become a zombie of this
// program, which never reaps it. So it is started by a short-lived middle
// process: the middle starts the tool and exits at once, we reap the middle,
// and the tool, now an orphan, is reaped by init when it ends. The middle
// tells us the outcome of its start through a close-on-exec socket, which
// also works when this program ignores SIGCHLD and so cannot read an exit
// status. With the outcome it hands over a pidfd of the tool, opened while
// the tool is still its child and so cannot have been reaped and its
// number reused: through it we learn when the tool has ended.
//
// The middle is a plain fork(): it has to run code of ours after it starts,
// which vfork() does not allow. It only calls PreparedStart::start(), which
// makes system calls only, then pidfd_open, sendmsg and _exit; everything it
// needs was prepared here before the fork.
LaunchResult launchDetached(
    std::string_view commandLine, WindowStyle style, std::string_view driveRoot)
{
    // The window style (minimized, maximized) asks the window manager for the
    // new window's state on Windows. X11 has no way for the parent to say so
    // for another program's window, so on POSIX it has no effect.
    static_cast<void>(style);

    const posix::PreparedStart prepared(posix::hostArguments(commandLine, driveRoot), -1);

    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == -1)
        return failure(errno);
    Descriptor ours(ends[0]);
    Descriptor middles(ends[1]);

    const pid_t middle = fork();
    if (middle == -1)
        return failure(errno);
    if (middle == 0) {
        // _exit() runs no destructor: close() is the only call made here.
        ours.reset();
        pid_t tool = 0;
        const int error = prepared.start(tool);
        // Without pidfds (Linux before 5.3) the tool is simply not watched.
        const int pidfd = error ? -1 : static_cast<int>(syscall(SYS_pidfd_open, tool, 0));
        _exit(sendReport(middles.get(), error, pidfd) ? 0 : 1);
    }

    // Our copy of the middle's end would keep its report from ever ending.
    middles.reset();
    const Report outcome = receiveReport(ours.get());
    ours.reset();
    posix::reap(middle);

    if (outcome.error)
        return failure(outcome.error);
    LaunchResult result;
    result.process = LaunchedProcess::adopt(outcome.pidfd);
    return result;
}

} // namespace glifora::runner

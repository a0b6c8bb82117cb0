#include "ejecuta.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "descriptor.posix.hpp"
#include "spawn.posix.hpp"
#include "text_encoding.hpp"
#include "wait_appointments.hpp"

namespace glifora::runner {

using support::Descriptor;
using support::fromNarrow;

namespace {

std::string failure(std::string_view what, int error)
{
    std::string text = "Error: ";
    text += what;
    text += " failed. ";
    text += std::to_string(error);
    return text;
}

// Output beyond the kept part is dropped. splice() hands it to /dev/null
// inside the kernel, without copying it out; where that cannot be done it is
// read into this one buffer instead. Either way the runner's memory does not
// depend on the size of the output.
constexpr std::size_t kDiscardSize = 256 * 1024;

// How big we ask the pipe to be: fewer wake-ups for a chatty child. It is
// only a request; the kernel may refuse it (per-user pipe limits) and the
// default size works too.
constexpr int kPipeSize = 256 * 1024;

// When the child's end cannot be watched through a pidfd, how often we look.
constexpr int kExitPollMs = 20;

// Takes the child's output from a non-blocking read end.
class Collector {
public:
    explicit Collector(int readEnd)
        : fd(readEnd)
    {
    }

    enum class State { More, Empty, End, Failed };

    // Reads what is there now, at most about limit bytes (a limit keeps a
    // writer that never stops from holding us here). End: the end of
    // output; Empty: nothing more for now; Failed: error() says why.
    State readAvailable(std::size_t limit = SIZE_MAX)
    {
        std::size_t taken = 0;
        while (taken < limit) {
            const ssize_t n = readSome();
            if (n > 0) {
                taken += static_cast<std::size_t>(n);
                continue;
            }
            if (n == 0)
                return State::End;
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN)
                return State::Empty;
            readError = errno;
            return State::Failed;
        }
        return State::More;
    }

    int error() const { return readError; }
    std::string_view output() const { return std::string_view(kept.data(), size); }

private:
    ssize_t readSome()
    {
        if (size < kCaptureCapacity) {
            const ssize_t n = read(fd, kept.data() + size, kCaptureCapacity - size);
            if (n > 0) {
                size += static_cast<std::size_t>(n);
                if (size == kCaptureCapacity)
                    sink.reset(open("/dev/null", O_WRONLY | O_CLOEXEC));
            }
            return n;
        }
        if (sink.get() >= 0) {
            const ssize_t n
                = splice(fd, nullptr, sink.get(), nullptr, kDiscardSize, SPLICE_F_NONBLOCK);
            if (n != -1 || errno != EINVAL)
                return n;
            sink.reset(); // this system cannot splice here: read instead
        }
        if (!discard)
            discard = std::make_unique_for_overwrite<char[]>(kDiscardSize);
        return read(fd, discard.get(), kDiscardSize);
    }

    int fd;
    std::string kept = std::string(kCaptureCapacity, '\0');
    std::size_t size = 0; // bytes of kept in use
    Descriptor sink; // /dev/null, once the kept part is full
    std::unique_ptr<char[]> discard;
    int readError = 0;
};

// A descriptor that becomes readable when child has ended, or -1 where the
// kernel offers none (before Linux 5.3) or no descriptor is left.
int watchExit(pid_t child)
{
    return static_cast<int>(syscall(SYS_pidfd_open, child, 0));
}

// Whether child has ended, without reaping it. A child that someone else
// reaped (the caller ignores SIGCHLD) has ended too.
bool hasEnded(pid_t child)
{
    siginfo_t info {};
    const int result = posix::retryOnInterrupt([&] {
        return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT);
    });
    return result == -1 ? errno == ECHILD : info.si_pid == child;
}

// A child that writes without a pause must not keep the observer waiting:
// one round reads at most this much while the wait is observed.
constexpr std::size_t kObservedReadLimit = 4 * 1024 * 1024;

// How long poll may wait: no longer than until the observer is due.
int pollTimeout(const WaitAppointments& appointments, int otherwise)
{
    if (!appointments.observed())
        return otherwise;
    const int due = static_cast<int>(appointments.untilDue().count());
    return otherwise < 0 || due < otherwise ? due : otherwise;
}

// Takes the output until its end or, when the child ends first, what is in
// the pipe at that moment. The second case is a child that left a process
// of its own holding the pipe's write end: its end of output may never come,
// and waiting for it would hang our caller. Empty when the observer asked
// to stop.
//
// With an observer, the call also waits here for the child's end when the
// output ends first (a tool that closes its standard output and works on),
// so that the observer keeps its appointments, and can stop the child, for
// as long as the child runs. Without one, the caller's reap waits.
std::optional<std::string> collect(
    pid_t child, int readEnd, const Descriptor& exitWatch, const WaitObserver* observer)
{
    Collector collector(readEnd);
    WaitAppointments appointments(observer);
    // The pipe holds at most this much, so a drain after the child's end
    // never reads more than was already there when it ended.
    const int pipeSize = fcntl(readEnd, F_GETPIPE_SZ);
    const std::size_t drainLimit = pipeSize > 0 ? static_cast<std::size_t>(pipeSize) : 65536;

    // Once the output has ended, the pipe's entry is -1, which poll skips:
    // then only the child's end is waited for (or, without a pidfd, poll
    // only sleeps until the next look).
    pollfd watched[2] = { { readEnd, POLLIN, 0 }, { exitWatch.get(), POLLIN, 0 } };
    const nfds_t count = exitWatch.get() >= 0 ? 2 : 1;
    const int timeout = exitWatch.get() >= 0 ? -1 : kExitPollMs;
    for (;;) {
        const int ready = poll(watched, count, pollTimeout(appointments, timeout));
        if (ready == -1) {
            if (errno == EINTR)
                continue;
            return failure("ReadFile", errno);
        }
        const bool ended = count == 2 ? (watched[1].revents & POLLIN) != 0 : hasEnded(child);
        const bool outputEnded = watched[0].fd < 0;
        if (outputEnded && ended)
            return fromNarrow(collector.output());
        if (!outputEnded && (watched[0].revents != 0 || ended)) {
            const std::size_t limit = ended ? drainLimit
                : appointments.observed()   ? kObservedReadLimit
                                            : SIZE_MAX;
            switch (collector.readAvailable(limit)) {
            case Collector::State::Failed:
                return failure("ReadFile", collector.error());
            case Collector::State::End:
                if (ended || !appointments.observed())
                    return fromNarrow(collector.output());
                watched[0].fd = -1;
                break;
            case Collector::State::Empty:
            case Collector::State::More:
                if (ended)
                    return fromNarrow(collector.output());
                break;
            }
        }
        if (!appointments.keepWaiting())
            return std::nullopt;
    }
}

// Ends the child and every process in its group at once: whatever it
// started and left in the group goes with it. The child itself is signalled
// through its pidfd where there is one: that names this child and no other,
// even if the caller ignores SIGCHLD and the child has already gone and
// been reaped by the kernel, its number free for reuse. Without one the
// number is used. The group is signalled by number: a child that we have
// not reaped keeps it, and with it the group's number, from going to
// another process, and so does any process still in the group. Only a
// caller ignoring SIGCHLD could lose that, if the child and all of its
// group had ended in the moment before the signal and the number had been
// given out again at once. A process that left the group (one that made a
// session of its own, as a daemon does) is out of reach.
void endAtOnce(pid_t child, const Descriptor& exitWatch)
{
    if (exitWatch.get() >= 0)
        syscall(SYS_pidfd_send_signal, exitWatch.get(), SIGKILL, nullptr, 0);
    else
        ::kill(child, SIGKILL);
    ::kill(-child, SIGKILL);
}

// Runs commandLine; observer may be null.
std::optional<std::string> run(
    std::string_view commandLine, std::string_view driveRoot, const WaitObserver* observer)
{
    std::vector<std::string> argv = posix::hostArguments(commandLine, driveRoot);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) == -1)
        return failure("CreatePipe", errno);
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    // With one of our standard streams closed, the pipe may have landed on
    // 0, 1 or 2, where the child's own streams are set up: move it away.
    for (Descriptor* end : { &readEnd, &writeEnd }) {
        if (end->get() <= STDERR_FILENO) {
            const int moved = fcntl(end->get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            if (moved == -1)
                return failure("CreatePipe", errno);
            end->reset(moved);
        }
    }
    // Only our side reads without blocking; the child's side stays as a
    // child expects its standard output to be.
    if (fcntl(readEnd.get(), F_SETFL, O_NONBLOCK) == -1)
        return failure("CreatePipe", errno);
    fcntl(readEnd.get(), F_SETPIPE_SZ, kPipeSize);

    pid_t child = 0;
    {
        // A group of its own, so that a Stop ends whatever the tool started
        // too (a script's worker, say).
        const posix::PreparedStart prepared(
            std::move(argv), writeEnd.get(), posix::PreparedStart::Group::OwnGroup);
        if (const int error = prepared.start(child))
            return failure("CreateProcess", error);
    }
    const Descriptor exitWatch(watchExit(child));
    // Our copy of the write end would keep the output from ever ending.
    writeEnd.reset();

    std::optional<std::string> result = collect(child, readEnd.get(), exitWatch, observer);
    if (!result)
        endAtOnce(child, exitWatch);
    // A child still writing after a failed read gets EPIPE instead of
    // blocking on a pipe nobody reads; then the wait below ends.
    readEnd.reset();
    posix::reap(child);
    return result;
}

} // namespace

std::string ejecuta(std::string_view commandLine, std::string_view driveRoot)
{
    // Without an observer nothing asks to stop: there is always a result.
    return *run(commandLine, driveRoot, nullptr);
}

std::optional<std::string> ejecuta(
    std::string_view commandLine, std::string_view driveRoot, const WaitObserver& observer)
{
    return run(commandLine, driveRoot, &observer);
}

} // namespace glifora::runner

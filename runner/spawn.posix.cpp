#include "spawn.posix.hpp"

#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "command_line.hpp"
#include "host_path.hpp"
#include "text_encoding.hpp"

extern char** environ;

// The child is started with posix_spawn. glibc (2.24 and later) implements it
// with clone(CLONE_VM | CLONE_VFORK) on a small stack of its own: no copy of
// the caller's page tables, which matters for a large GUI process, and the
// exec's own error comes back as posix_spawn's result, so a missing or
// non-executable program is reported without any pipe of ours. It also
// takes no lock and calls no allocator, which is what lets the launch
// without capture call it from a forked child.
//
// Descriptors: posix_spawn_file_actions_addclosefrom_np (glibc 2.34, one
// close_range in the child) closes everything above 2, so nothing the
// program opened without close-on-exec (a library's descriptor, say) leaks
// into a tool. A system without it would need fork + exec with its own
// close loop; this code targets glibc.

namespace glifora::runner::posix {

std::vector<std::string> hostArguments(std::string_view commandLine, std::string_view driveRoot)
{
    std::vector<std::string> argv = splitCommandLine(commandLine);
    if (!argv.empty())
        argv.front() = toHostPath(argv.front(), driveRoot);
    return argv;
}

PreparedStart::PreparedStart(std::vector<std::string> argv, int captureFd, Group group)
    : args(std::move(argv))
{
    // Nothing to run is the same failure as a program that is not there.
    if (args.empty()) {
        setupError = ENOENT;
        return;
    }
    // A NUL would silently cut a path or an argument short: refuse it
    // rather than run something other than what was asked for.
    for (const std::string& arg : args) {
        if (arg.find('\0') != std::string::npos) {
            setupError = EINVAL;
            return;
        }
    }
    argvPointers.reserve(args.size() + 1);
    for (std::string& arg : args)
        argvPointers.push_back(arg.data());
    argvPointers.push_back(nullptr);

    if (int error = posix_spawn_file_actions_init(&actions)) {
        setupError = error;
        return;
    }
    actionsReady = true;
    int error = 0;
    if (captureFd >= 0) {
        // The output descriptor first: if it happens to be 0 or 2, the
        // /dev/null opens below replace it only after it has been copied.
        if (captureFd != STDOUT_FILENO)
            error = posix_spawn_file_actions_adddup2(&actions, captureFd, STDOUT_FILENO);
        if (!error)
            error = posix_spawn_file_actions_addopen(
                &actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (!error)
            error = posix_spawn_file_actions_addopen(
                &actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    } else {
        // The caller's own streams, except that one the caller has closed is
        // given /dev/null: otherwise the first file the child opened would
        // take its place and receive whatever the child meant for it.
        for (int fd = STDIN_FILENO; fd <= STDERR_FILENO && !error; ++fd) {
            if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
                error = posix_spawn_file_actions_addopen(
                    &actions, fd, "/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
        }
    }
    if (!error)
        error = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    if (error) {
        setupError = error;
        return;
    }

    if ((error = posix_spawnattr_init(&attributes))) {
        setupError = error;
        return;
    }
    attributesReady = true;
    // Signals ignored or blocked by this program must not stay so in a tool.
    // The reset set is every bit, not sigfillset(): glibc's sigfillset leaves
    // out its two internal real-time signals, and its posix_spawn then sets
    // those to SIG_IGN in the child, which survives the exec; fork + exec
    // would have left them at SIG_DFL. With the bits set, they are reset
    // like every other signal (only after the exec can they arrive, since
    // the child runs with all signals blocked until then).
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    std::memset(&all, 0xff, sizeof all);
    error = posix_spawnattr_setsigmask(&attributes, &none);
    if (!error)
        error = posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (group == Group::OwnGroup) {
        // Group 0: a new one, numbered after the child. It exists before
        // posix_spawn returns, so the caller can signal it at once.
        if (!error)
            error = posix_spawnattr_setpgroup(&attributes, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    if (!error)
        error = posix_spawnattr_setflags(&attributes, flags);
    setupError = error;
}

PreparedStart::~PreparedStart()
{
    if (actionsReady)
        posix_spawn_file_actions_destroy(&actions);
    if (attributesReady)
        posix_spawnattr_destroy(&attributes);
}

int PreparedStart::start(pid_t& pid) const noexcept
{
    if (setupError)
        return setupError;
    return posix_spawn(
        &pid, argvPointers.front(), &actions, &attributes, argvPointers.data(), environ);
}

void reap(pid_t child) noexcept
{
    retryOnInterrupt([child] { return waitpid(child, nullptr, 0); });
}

} // namespace glifora::runner::posix

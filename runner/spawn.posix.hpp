// Starting a child process on POSIX: the one place where runner/ turns an
// argument vector into a process. Both the captured runner and the launch
// without capture go through it. Internal to runner/; not part of its API.
#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

namespace glifora::runner::posix {

// Splits a command line by the Windows rules (command_line.hpp) and maps
// its program token to this machine (host_path.hpp). Nothing in the line is
// interpreted beyond that.
std::vector<std::string> hostArguments(std::string_view commandLine, std::string_view driveRoot);

// Everything a start needs, prepared up front: the argument vector as C
// strings, the descriptor plan and the signal reset. start() then allocates
// nothing and makes only system calls, so it may also run in a child that
// was just forked from a threaded program (see launch.posix.cpp).
//
// The child keeps only descriptors 0, 1 and 2, starts with every signal at
// its default disposition and an empty signal mask, and is neither run
// through a shell nor searched for in PATH: argv[0] is the file executed.
class PreparedStart {
public:
    // Whether the child stays in the caller's process group or leads a new
    // one of its own, whose number is the child's pid. In a group of its
    // own, the child and whatever it starts can be signalled as one.
    enum class Group { Callers, OwnGroup };

    // argv[0] is the program's path on this machine, the rest its
    // arguments. With captureFd >= 0 the child's standard output is that
    // descriptor and its standard input and error are /dev/null; with
    // captureFd < 0 it keeps the caller's three standard streams.
    PreparedStart(std::vector<std::string> argv, int captureFd, Group group = Group::Callers);
    ~PreparedStart();

    PreparedStart(const PreparedStart&) = delete;
    PreparedStart& operator=(const PreparedStart&) = delete;

    // Starts the child. Returns 0 and sets pid, or the error number of the
    // failure, including the one that made the program itself fail to start
    // (ENOENT missing, EACCES not executable, ENOEXEC not a runnable
    // format): in that case no child is left behind.
    int start(pid_t& pid) const noexcept;

private:
    std::vector<std::string> args;
    std::vector<char*> argvPointers;
    posix_spawn_file_actions_t actions {};
    posix_spawnattr_t attributes {};
    bool actionsReady = false;
    bool attributesReady = false;
    int setupError = 0; // an error from preparing the plan, reported by start()
};

// Retries a system call that failed with EINTR.
template <typename Call> auto retryOnInterrupt(Call call)
{
    for (;;) {
        auto result = call();
        if (result != -1 || errno != EINTR)
            return result;
    }
}

// Reaps child, retrying on EINTR. A child that someone else already reaped
// (ECHILD) counts as reaped.
void reap(pid_t child) noexcept;

} // namespace glifora::runner::posix

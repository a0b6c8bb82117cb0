// The captured runner on POSIX, driven against the stand-in tool.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "ejecuta.hpp"
#include "watchdog.hpp"

using namespace glifora::runner;
namespace fs = std::filesystem;

namespace {

const std::string kChildTool = GLIFORA_CHILD_TOOL;

// "<child tool> <rest>", the tool's path quoted if it needs it.
std::string tool(const std::string& rest)
{
    return quoteArgument(kChildTool) + " " + rest;
}

// The child tool's "repeat" output: byte i is 'a' + i % 26.
std::string pattern(std::size_t size)
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>('a' + i % 26);
    return text;
}

int openDescriptorCount()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (const dirent* entry = readdir(dir))
        count += entry->d_name[0] != '.';
    closedir(dir);
    return count - 1; // the directory's own descriptor
}

// Whether pid is a live process (not ended, not a zombie left unreaped).
bool isRunning(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t nameEnd = text.rfind(')');
    return nameEnd != std::string::npos && nameEnd + 2 < text.size() && text[nameEnd + 2] != 'Z'
        && text[nameEnd + 2] != 'X';
}

// For the grandchild cases: "grandchild\npid=<n>\n" with n still running,
// proof that the runner returned while the pipe was still held. The
// grandchild is killed on the way.
void expectReturnedWhileGrandchildRuns(const std::string& result)
{
    const std::string prefix = "grandchild\npid=";
    ASSERT_EQ(result.rfind(prefix, 0), 0u) << result;
    const pid_t grandchild = std::atoi(result.c_str() + prefix.size());
    ASSERT_GT(grandchild, 0) << result;
    EXPECT_EQ(result, prefix + std::to_string(grandchild) + "\n");
    EXPECT_TRUE(isRunning(grandchild));
    kill(grandchild, SIGKILL);
}

struct Case {
    const char* name;
    std::string line; // after the tool's path
    std::string expected;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

class EjecutaOutput : public testing::TestWithParam<Case> { };

TEST_P(EjecutaOutput, IsTakenExactly)
{
    const std::string result = ejecuta(tool(GetParam().line));
    EXPECT_EQ(result.size(), GetParam().expected.size());
    EXPECT_TRUE(result == GetParam().expected) << result.substr(0, 200);
}

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD

INSTANTIATE_TEST_SUITE_P(Children, EjecutaOutput,
    testing::Values(Case { "abc", "print abc", "abc" }, Case { "nothing", "silent", "" },
        Case { "late", "sleep 300 late", "late" }, Case { "stderrOnly", "stderr oops", "" },
        Case { "failingChild", "fail \"half done\"", "half done" },
        Case { "exactlyCapacity", "repeat 10240", pattern(10240) },
        Case { "oneMoreThanCapacity", "repeat 10241", pattern(10240) },
        Case { "twoPipesFull", "repeat 3000000", pattern(10240) },
        Case { "manyMegabytes", "repeat 64000000", pattern(10240) },
        Case { "invalidUtf8",
            "print a\xFF"
            "b\xC3",
            "a" + kReplacement + "b" + kReplacement },
        // The cut at the capacity falls inside a two-byte character.
        Case { "cutCharacter", "print " + std::string(10239, 'x') + "\xC3\xA9",
            std::string(10239, 'x') + kReplacement }),
    [](const auto& info) { return std::string(info.param.name); });

class EjecutaArgument : public testing::TestWithParam<std::string> { };

TEST_P(EjecutaArgument, ReachesTheChildVerbatimAsOneArgument)
{
    const std::string path = GetParam();
    EXPECT_EQ(ejecuta(buildCommandLine(tool("args "), path)), path + '\0');
}

INSTANTIATE_TEST_SUITE_P(ShellAndQuoteCharacters, EjecutaArgument,
    testing::Values("/tmp/a.pbm", "/tmp/two words.pbm", "/tmp/$(touch x).pbm", "/tmp/a;touch y.pbm",
        "/tmp/it's \"quoted\".pbm", "/tmp/`id` & | < > *.pbm", "C:\\img\\back\\slash\\",
        "/tmp/ñandú.pbm"));

TEST(Ejecuta, ChildHasNullInputAndErrorAndNothingElseOfOurs)
{
    const int leaky = open("/dev/null", O_RDONLY); // no close-on-exec
    ASSERT_GE(leaky, 3);
    sigset_t block, previousMask;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR2);
    ASSERT_EQ(sigprocmask(SIG_BLOCK, &block, &previousMask), 0);
    struct sigaction ignore {
    }, previousPipe {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previousPipe), 0);

    const std::string state = ejecuta(tool("state"));
    const std::string streams = ejecuta(tool("streams"));

    sigaction(SIGPIPE, &previousPipe, nullptr);
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    close(leaky);

    EXPECT_EQ(state, "fds=0,1,2\nsigblk=0000000000000000\nsigign=0000000000000000\n");
    EXPECT_EQ(streams, "in=/dev/null\nerr=/dev/null\n");
}

TEST(Ejecuta, ProgramOnDriveCIsFoundUnderTheDriveRoot)
{
    std::string root = (fs::temp_directory_path() / "glifora-ejecuta-XXXXXX").string();
    ASSERT_NE(mkdtemp(root.data()), nullptr);
    fs::create_directory(fs::path(root) / "VANTO");
    fs::create_symlink(kChildTool, fs::path(root) / "VANTO" / "TRAZOC.EXE");

    EXPECT_EQ(ejecuta("C:\\VANTO\\TRAZOC.EXE args C:\\img\\a.pbm", root),
        std::string("C:\\img\\a.pbm") + '\0');
    EXPECT_EQ(ejecuta("c:\\VANTO\\TRAZOC.EXE print x", root), "x");
    fs::remove_all(root);
}

TEST(Ejecuta, ProgramsThatCannotStartGiveTheSystemsNumber)
{
    std::string dir = (fs::temp_directory_path() / "glifora-ejecuta-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const fs::path plain = fs::path(dir) / "plain";
    std::ofstream(plain) << "#!/bin/sh\necho hi\n";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path garbage = fs::path(dir) / "garbage";
    std::ofstream(garbage) << "\x01\x02 no program\n";
    fs::permissions(garbage, fs::perms::owner_all);

    EXPECT_EQ(
        ejecuta(quoteArgument(dir + "/no such tool") + " a.pbm"), "Error: CreateProcess failed. 2");
    EXPECT_EQ(ejecuta(plain.string() + " a.pbm"), "Error: CreateProcess failed. 13");
    EXPECT_EQ(ejecuta(garbage.string()), "Error: CreateProcess failed. 8");
    EXPECT_EQ(ejecuta(dir), "Error: CreateProcess failed. 13");
    EXPECT_EQ(ejecuta(""), "Error: CreateProcess failed. 2");
    fs::remove_all(dir);
}

// Regression: a child that ends while its own child still holds the pipe's
// write end open must not keep the caller waiting for an end of output.
TEST(Ejecuta, GrandchildHoldingThePipeDoesNotHoldTheCaller)
{
    // What was in the pipe when the child ended is all taken, and the
    // grandchild still holds the pipe.
    expectReturnedWhileGrandchildRuns(ejecuta(tool("grandchild")));
}

// A program that ignores SIGCHLD has its children reaped by the kernel, so
// neither the end of the child nor its reaping may rely on waiting for it.
TEST(Ejecuta, CallerIgnoringChildSignalsStillGetsTheOutput)
{
    struct sigaction ignore {
    }, previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGCHLD, &ignore, &previous), 0);
    const std::string small = ejecuta(tool("sleep 50 abc"));
    const std::string large = ejecuta(tool("repeat 1000000"));
    sigaction(SIGCHLD, &previous, nullptr);
    EXPECT_EQ(small, "abc");
    EXPECT_TRUE(large == pattern(10240));
}

TEST(Ejecuta, ThousandCallsAreIndependentAndLeaveNoDescriptorOrChild)
{
    while (waitpid(-1, nullptr, WNOHANG) > 0) { } // anything left by other tests
    const int before = openDescriptorCount();
    for (int i = 0; i < 1000; ++i) {
        const std::string expected = std::to_string(i);
        ASSERT_EQ(ejecuta(tool("print " + expected)), expected);
    }
    EXPECT_EQ(ejecuta(quoteArgument(kChildTool + ".missing")), "Error: CreateProcess failed. 2");
    EXPECT_EQ(openDescriptorCount(), before);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

// Runs setup and then work in a forked copy of this process, and returns
// what work returned there. Setup may change the copy's descriptors at will.
std::string inForkedCopy(
    const std::function<void()>& setup, const std::function<std::string()>& work)
{
    int report[2];
    if (pipe2(report, O_CLOEXEC) == -1)
        return "pipe failed";
    const pid_t pid = fork();
    if (pid == 0) {
        close(report[0]);
        setup();
        const std::string result = work();
        const bool written
            = write(report[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        _exit(written ? 0 : 4);
    }
    close(report[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            result.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    close(report[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "test process failed: " + std::to_string(status);
    return result;
}

// Leaves the process with only freeSlots descriptors left to open.
void leaveFreeDescriptors(int freeSlots)
{
    const rlimit limit { 256, 256 };
    if (setrlimit(RLIMIT_NOFILE, &limit) == -1)
        _exit(2);
    // Fill every free slot below the limit, then give back freeSlots.
    int last = -1;
    for (int fd; (fd = open("/dev/null", O_RDONLY)) != -1;)
        last = fd;
    if (errno != EMFILE)
        _exit(3);
    for (int i = 0; i < freeSlots; ++i)
        close(last - i);
}

std::string withFreeDescriptors(int freeSlots, const std::function<std::string()>& work)
{
    return inForkedCopy([=] { leaveFreeDescriptors(freeSlots); }, work);
}

// Regression: with our own standard streams closed, the pipe's write end is
// descriptor 1 and must still become the child's standard output.
TEST(Ejecuta, CallerWithoutStandardStreamsStillCapturesOutput)
{
    const auto closeStandardStreams = [] {
        for (int fd = 0; fd <= 2; ++fd)
            close(fd);
    };
    EXPECT_EQ(inForkedCopy(closeStandardStreams, [] { return ejecuta(tool("print abc")); }), "abc");
    EXPECT_EQ(inForkedCopy(closeStandardStreams, [] { return ejecuta(tool("streams")); }),
        "in=/dev/null\nerr=/dev/null\n");
}

TEST(Ejecuta, NoDescriptorForThePipeIsCreatePipeError)
{
    EXPECT_EQ(withFreeDescriptors(1, [] { return ejecuta(tool("print abc")); }),
        "Error: CreatePipe failed. 24");
}

// ---- with an observer --------------------------------------------------

// The pid that a child wrote to path ("hang FILE" and the like); 0 before.
pid_t announcedPid(const std::string& path)
{
    pid_t pid = 0;
    std::ifstream(path) >> pid;
    return pid;
}

// A process that is not ours to reap, watched through a pidfd taken while
// it runs, so that no other process given its number later can be taken
// for it. One still running when the watch goes is killed, so that a
// failing test leaves nothing behind.
class ProcessWatch {
public:
    explicit ProcessWatch(pid_t pid)
        : fd(pid > 0 ? static_cast<int>(syscall(SYS_pidfd_open, pid, 0)) : -1)
    {
    }
    ~ProcessWatch()
    {
        if (fd >= 0) {
            syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0);
            close(fd);
        }
    }
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    bool valid() const { return fd >= 0; }

    // Whether the process ends (ended unreaped counts) within a bound far
    // beyond what a SIGKILL takes to arrive.
    bool ends() const
    {
        pollfd ended { fd, POLLIN, 0 };
        for (;;) {
            const int ready = poll(&ended, 1, 20000);
            if (ready != -1 || errno != EINTR)
                return ready == 1;
        }
    }

private:
    int fd;
};

// How a stopped child behaves until the Stop.
struct StopCase {
    const char* mode;
    bool startsWorker; // announces a worker in "<pid file>.worker"
};

void PrintTo(const StopCase& c, std::ostream* out)
{
    *out << c.mode;
}

// A child that waits for ever, one that writes without a pause, one that
// has closed its output and works on, and one that started a worker of its
// own: the observer keeps being called while each runs, and on Stop the
// child is killed and reaped, its worker ends too, and nothing the call
// opened stays open.
class EjecutaStop : public testing::TestWithParam<StopCase> { };

TEST_P(EjecutaStop, KillsTheChildAndWhatItStartedAndReleasesEverything)
{
    std::string dir = (fs::temp_directory_path() / "glifora-stop-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string announced = dir + "/pid";
    const int before = openDescriptorCount();

    pid_t child = 0;
    std::optional<ProcessWatch> worker;
    int callsAfterStart = 0;
    bool runningWhenStopped = false;
    std::optional<std::string> result;
    {
        const glifora::test::Watchdog watchdog(announced);
        result = ejecuta(tool(std::string(GetParam().mode) + " " + quoteArgument(announced)),
            builtInDriveRoot(), [&](std::chrono::milliseconds) {
                if (child == 0) {
                    child = announcedPid(announced);
                    if (child > 0 && GetParam().startsWorker)
                        worker.emplace(announcedPid(announced + ".worker"));
                    return WaitAnswer::Continue;
                }
                // A few more appointments first, kept whatever the child
                // did with its output.
                if (++callsAfterStart < 3)
                    return WaitAnswer::Continue;
                runningWhenStopped = kill(child, 0) == 0;
                return WaitAnswer::Stop;
            });
        EXPECT_FALSE(watchdog.hasFired()) << "the observer was not asked to the end";
    }
    fs::remove_all(dir);

    EXPECT_FALSE(result.has_value()) << result->substr(0, 80);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(runningWhenStopped);
    errno = 0;
    EXPECT_EQ(kill(child, 0), -1) << "still there, running or unreaped";
    EXPECT_EQ(errno, ESRCH);
    if (GetParam().startsWorker) {
        ASSERT_TRUE(worker && worker->valid()) << "no worker announced";
        EXPECT_TRUE(worker->ends()) << "the worker outlived the Stop";
        worker.reset();
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

INSTANTIATE_TEST_SUITE_P(Children, EjecutaStop,
    testing::Values(StopCase { "hang", false }, StopCase { "flood", false },
        StopCase { "closed", false }, StopCase { "worker", true }),
    [](const auto& info) { return std::string(info.param.mode); });

// Runs a child that prints, closes its output and works on, with an
// observer that lets it be for a few appointments after the close and then
// either signals it to end by itself or answers Stop. Says what came of it.
std::string runChildThatClosesItsOutput(bool stop)
{
    std::string dir = (fs::temp_directory_path() / "glifora-closed-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr)
        return "no folder";
    const std::string announced = dir + "/pid";
    pid_t child = 0;
    int callsAfterClose = 0;
    std::optional<std::string> result;
    bool watchdogFired = false;
    {
        const glifora::test::Watchdog watchdog(announced);
        result = ejecuta(tool("closed " + quoteArgument(announced)), builtInDriveRoot(),
            [&](std::chrono::milliseconds) {
                // The pid is written only once the output is closed.
                if (child == 0)
                    child = announcedPid(announced);
                else if (++callsAfterClose == 3 && !stop)
                    kill(child, SIGUSR1);
                return stop && callsAfterClose >= 3 ? WaitAnswer::Stop : WaitAnswer::Continue;
            });
        watchdogFired = watchdog.hasFired();
    }
    fs::remove_all(dir);
    const bool reaped = child > 0 && kill(child, 0) == -1 && errno == ESRCH;
    return (result ? "output \"" + *result + "\"" : std::string("stopped"))
        + (callsAfterClose >= 3 ? ", observed after the close" : ", not observed after the close")
        + (reaped ? ", reaped" : ", not reaped") + (watchdogFired ? ", watchdog fired" : "");
}

// Regression: once a child had closed its output, the runner stopped
// calling the observer and waited for the child's end alone, so that a
// child that worked on could neither be watched nor stopped.
TEST(Ejecuta, ChildThatClosedItsOutputKeepsTheObserverCalledUntilItEnds)
{
    EXPECT_EQ(
        runChildThatClosesItsOutput(false), "output \"printed\", observed after the close, reaped");
    EXPECT_EQ(runChildThatClosesItsOutput(true), "stopped, observed after the close, reaped");
}

// With room for the pipe but none to watch the child's end, the runner falls
// back to looking for the end itself; it must still take the output and not
// hang on a grandchild.
TEST(Ejecuta, NoDescriptorToWatchTheChildStillWorks)
{
    EXPECT_EQ(
        withFreeDescriptors(2, [] { return ejecuta(tool("repeat 100000")); }), pattern(10240));
    expectReturnedWhileGrandchildRuns(
        withFreeDescriptors(2, [] { return ejecuta(tool("grandchild")); }));
    // Looking for the end by itself, it keeps the observer's appointments
    // after the output has closed too.
    EXPECT_EQ(withFreeDescriptors(2, [] { return runChildThatClosesItsOutput(true); }),
        "stopped, observed after the close, reaped");
}

TEST(Ejecuta, ObserverThatLetsTheChildRunChangesNothing)
{
    int calls = 0;
    const auto carryOn = [&](std::chrono::milliseconds) {
        ++calls;
        return WaitAnswer::Continue;
    };
    EXPECT_EQ(ejecuta(tool("print abc"), builtInDriveRoot(), carryOn), "abc");
    EXPECT_EQ(ejecuta(tool("repeat 3000000"), builtInDriveRoot(), carryOn), pattern(10240));
    EXPECT_EQ(ejecuta(quoteArgument(kChildTool + ".missing"), builtInDriveRoot(), carryOn),
        "Error: CreateProcess failed. 2");
    // Waits far longer than the observer's interval, so it is asked.
    EXPECT_EQ(ejecuta(tool("sleep 300 late"), builtInDriveRoot(), carryOn), "late");
    EXPECT_GT(calls, 0);
}

} // namespace

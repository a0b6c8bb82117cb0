// The launch without capture on POSIX, driven against the stand-in tool.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "command_line.hpp"
#include "launch.hpp"

using namespace glifora::runner;
namespace fs = std::filesystem;

namespace {

const std::string kChildTool = GLIFORA_CHILD_TOOL;

class Launch : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "glifora-launch-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // "<child tool> record <dir>/<name> <mode...>", the words quoted as needed.
    std::string recordingLine(const std::string& name, const std::string& mode) const
    {
        return quoteArgument(kChildTool) + " record " + quoteArgument((dir / name).string()) + " "
            + mode;
    }

    // What the launched tool recorded, once it has (bounded wait).
    std::optional<std::string> recorded(const std::string& name) const
    {
        const fs::path file = dir / name;
        for (int i = 0; i < 3000 && !fs::exists(file); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir;
};

class LaunchArgument : public Launch, public testing::WithParamInterface<std::string> { };

TEST_P(LaunchArgument, ReachesTheToolVerbatimAsOneArgument)
{
    const std::string path = GetParam();
    const LaunchResult result = launchDetached(
        buildCommandLine(recordingLine("args", "args "), path), WindowStyle::Minimized);
    ASSERT_TRUE(result.ok()) << result.error << " " << result.reason;
    EXPECT_EQ(recorded("args"), std::string(path) + '\0');
}

INSTANTIATE_TEST_SUITE_P(ShellAndQuoteCharacters, LaunchArgument,
    testing::Values("/tmp/a.pbm", "/tmp/two words.pbm", "/tmp/$(touch x).pbm", "/tmp/a;touch y.pbm",
        "/tmp/it's \"quoted\".pbm", "/tmp/`id` & | < > * ?.pbm", "C:\\img\\back\\slash\\",
        "/tmp/ñandú.pbm"));

TEST_F(Launch, ToolKeepsOnlyStandardStreamsAndStartsWithDefaultSignals)
{
    // Things a tool must not inherit: a descriptor opened without
    // close-on-exec, a blocked signal, an ignored signal.
    const int leaky = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 3);
    sigset_t block, previousMask;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    ASSERT_EQ(sigprocmask(SIG_BLOCK, &block, &previousMask), 0);
    struct sigaction ignore {
    }, previousPipe {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previousPipe), 0);

    const LaunchResult result
        = launchDetached(recordingLine("state", "state"), WindowStyle::Maximized);

    sigaction(SIGPIPE, &previousPipe, nullptr);
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    close(leaky);

    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(recorded("state"), "fds=0,1,2\nsigblk=0000000000000000\nsigign=0000000000000000\n");
}

// Regression: a caller whose standard streams are closed must not hand the
// tool closed streams, or the tool's first file would take their place.
TEST_F(Launch, CallerWithoutStandardStreamsGivesTheToolDevNull)
{
    const std::string line = recordingLine("streams", "streams");
    const pid_t caller = fork();
    ASSERT_NE(caller, -1);
    if (caller == 0) {
        for (int fd = 0; fd <= 2; ++fd)
            close(fd);
        _exit(launchDetached(line, WindowStyle::Minimized).ok() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(caller, &status, 0), caller);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(recorded("streams"), "in=/dev/null\nerr=/dev/null\n");
}

TEST_F(Launch, ProgramOnDriveCIsFoundUnderTheDriveRoot)
{
    fs::create_directory(dir / "VANTO");
    fs::create_symlink(kChildTool, dir / "VANTO" / "VECPLAN.EXE");
    const std::string line = "C:\\VANTO\\VECPLAN.EXE record "
        + quoteArgument((dir / "out").string()) + " args C:\\a.pbm";
    const LaunchResult result = launchDetached(line, WindowStyle::Minimized, dir.string());
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(recorded("out"), std::string("C:\\a.pbm") + '\0');
}

TEST_F(Launch, LeavesNoZombieAfterAHundredLaunches)
{
    while (waitpid(-1, nullptr, WNOHANG) > 0) { } // anything left by other tests

    for (int i = 0; i < 100; ++i) {
        const LaunchResult result
            = launchDetached(quoteArgument(kChildTool) + " silent", WindowStyle::Minimized);
        ASSERT_TRUE(result.ok()) << i << ": " << result.reason;
    }
    // Neither the tools nor the processes that started them are our
    // children any more, running or ended.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

// The pid that a "hang" child wrote to <dir>/name, once it has (bounded).
pid_t hangingPid(const fs::path& file)
{
    for (int i = 0; i < 3000 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    pid_t pid = 0;
    std::ifstream(file) >> pid;
    return pid;
}

TEST_F(Launch, KeptProcessTellsWhileItRunsAndLetsAWaitBeStoppedWithoutEndingIt)
{
    const LaunchResult result = launchDetached(
        quoteArgument(kChildTool) + " hang " + quoteArgument((dir / "pid").string()),
        WindowStyle::Minimized);
    ASSERT_TRUE(result.ok()) << result.reason;
    const pid_t tool = hangingPid(dir / "pid");
    ASSERT_GT(tool, 0);
    EXPECT_TRUE(result.process.running());

    // Stopping the wait leaves the tool as it was.
    int calls = 0;
    EXPECT_FALSE(result.process.waitForEnd([&](std::chrono::milliseconds) {
        return ++calls == 3 ? WaitAnswer::Stop : WaitAnswer::Continue;
    }));
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(result.process.running());
    EXPECT_EQ(kill(tool, 0), 0);

    // Once the tool ends, the wait ends too, and it is nobody's zombie of ours.
    ASSERT_EQ(kill(tool, SIGKILL), 0);
    EXPECT_TRUE(result.process.waitForEnd([](std::chrono::milliseconds elapsed) {
        return elapsed < std::chrono::minutes(1) ? WaitAnswer::Continue : WaitAnswer::Stop;
    }));
    EXPECT_FALSE(result.process.running());
    errno = 0;
    EXPECT_EQ(waitpid(tool, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(Launch, KeptProcessLetGoLeavesTheToolRunningAndNoDescriptorBehind)
{
    const int firstFree = open("/dev/null", O_RDONLY);
    ASSERT_GE(firstFree, 0);
    close(firstFree);
    pid_t tool = 0;
    {
        const LaunchResult result = launchDetached(
            quoteArgument(kChildTool) + " hang " + quoteArgument((dir / "pid").string()),
            WindowStyle::Minimized);
        ASSERT_TRUE(result.ok()) << result.reason;
        tool = hangingPid(dir / "pid");
        ASSERT_GT(tool, 0);
    }
    EXPECT_EQ(kill(tool, 0), 0) << "letting the process go must not end it";
    kill(tool, SIGKILL);
    const int next = open("/dev/null", O_RDONLY);
    EXPECT_EQ(next, firstFree) << "the pidfd was not closed";
    close(next);
}

// One row per way a program can fail to start, with the system's number.
struct StartFailure {
    const char* name;
    int error;
    const char* reason; // in Spanish, whatever the locale
};

void PrintTo(const StartFailure& failure, std::ostream* out)
{
    *out << failure.name;
}

class LaunchFailure : public Launch, public testing::WithParamInterface<StartFailure> { };

// The outcome travels through a pipe, not an exit status, so a program that
// ignores SIGCHLD (and so cannot read exit statuses) still learns it.
TEST_F(Launch, CallerIgnoringChildSignalsStillLearnsTheOutcome)
{
    struct sigaction ignore {
    }, previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGCHLD, &ignore, &previous), 0);
    const LaunchResult missing
        = launchDetached(quoteArgument((dir / "none").string()), WindowStyle::Minimized);
    const LaunchResult started
        = launchDetached(recordingLine("args", "args x"), WindowStyle::Minimized);
    sigaction(SIGCHLD, &previous, nullptr);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_TRUE(started.ok()) << started.reason;
    EXPECT_EQ(recorded("args"), std::string("x") + '\0');
}

TEST_P(LaunchFailure, IsReportedWithTheSystemsNumberAndReason)
{
    const std::string name = GetParam().name;
    std::string line;
    if (name == "missing") {
        line = quoteArgument((dir / "no such tool").string()) + " x";
    } else if (name == "not-executable") {
        std::ofstream(dir / "plain") << "#!/bin/sh\n";
        fs::permissions(dir / "plain", fs::perms::owner_read | fs::perms::owner_write);
        line = (dir / "plain").string();
    } else if (name == "not-a-program") {
        std::ofstream(dir / "garbage") << "\x01\x02 this is no program\n";
        fs::permissions(dir / "garbage", fs::perms::owner_all);
        line = (dir / "garbage").string();
    } else if (name == "directory") {
        line = dir.string();
    } else if (name == "empty") {
        line = "  ";
    }
    const LaunchResult result = launchDetached(line, WindowStyle::Maximized);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, GetParam().error);
    EXPECT_EQ(result.reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(Programs, LaunchFailure,
    testing::Values(StartFailure { "missing", ENOENT, "no existe el fichero o el directorio" },
        StartFailure { "not-executable", EACCES, "permiso denegado" },
        StartFailure { "not-a-program", ENOEXEC, "formato de ejecutable incorrecto" },
        StartFailure { "directory", EACCES, "permiso denegado" },
        StartFailure { "empty", ENOENT, "no existe el fichero o el directorio" }),
    [](const auto& info) {
        std::string name = info.param.name;
        std::erase(name, '-');
        return name;
    });

} // namespace

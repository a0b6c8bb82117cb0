// Runs a built tool with an argument vector (no shell) and collects what it
// writes on standard output and how it ended.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vanto::testing {

struct ToolRun {
    int status = -1; // exit status, or -1 when the tool did not exit normally
    std::string out;
};

inline ToolRun runTool(const std::string& exe, const std::vector<std::string>& args)
{
    ToolRun run;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return run;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<std::string> argStrings { exe };
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return run;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0)
            run.out.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A test that hands files to one tool: a scratch folder of its own, and the
// check that a failure is one line starting with "<tool>: error: ".
class ToolTest : public ::testing::Test {
protected:
    explicit ToolTest(std::string tool)
        : tool_(std::move(tool))
    {
    }

    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path()
            / (tool_ + "_test_" + std::to_string(::getpid()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::filesystem::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    void expectOneLineError(const ToolRun& run) const
    {
        EXPECT_NE(run.status, 0);
        ASSERT_FALSE(run.out.empty());
        EXPECT_EQ(run.out.rfind(tool_ + ": error: ", 0), 0u) << run.out;
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    }

    std::filesystem::path dir_;

private:
    std::string tool_;
};

} // namespace vanto::testing

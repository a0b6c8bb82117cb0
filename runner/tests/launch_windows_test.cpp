#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "launch.hpp"
#include "windows_test_support.hpp"

using glifora::test::childLine;
using glifora::test::NamedEvent;
using namespace glifora::runner;

class LaunchWindows : public testing::TestWithParam<WindowStyle> { };

// The child waits for us; so the launch can only have returned without
// waiting for it, and the child only answers when its show-window code is
// the one asked for.
TEST_P(LaunchWindows, ReturnsAtOnceAndTheProcessRunsWithItsWindowStyle)
{
    const WindowStyle style = GetParam();
    NamedEvent go("go");
    NamedEvent done("done");
    ASSERT_NE(go.handle(), nullptr);
    ASSERT_NE(done.handle(), nullptr);

    const LaunchResult result = launchDetached(childLine("launched " + go.name() + " " + done.name()
                                                   + " " + std::to_string(static_cast<int>(style))),
        style);
    ASSERT_TRUE(result.ok()) << result.error << " " << result.reason;
    EXPECT_TRUE(result.reason.empty());

    SetEvent(go.handle());
    EXPECT_EQ(WaitForSingleObject(done.handle(), 30000), WAIT_OBJECT_0);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, LaunchWindows, testing::Values(WindowStyle::Minimized, WindowStyle::Maximized));

TEST(LaunchWindowsKept, ProcessTellsWhileItRunsAndAStoppedWaitLeavesItRunning)
{
    NamedEvent go("go");
    NamedEvent done("done");
    const LaunchResult result
        = launchDetached(childLine("launched " + go.name() + " " + done.name() + " "
                             + std::to_string(static_cast<int>(WindowStyle::Minimized))),
            WindowStyle::Minimized);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_TRUE(result.process.running());

    int calls = 0;
    EXPECT_FALSE(result.process.waitForEnd([&](std::chrono::milliseconds) {
        return ++calls == 3 ? WaitAnswer::Stop : WaitAnswer::Continue;
    }));
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(result.process.running()) << "a stopped wait must not end the process";

    SetEvent(go.handle());
    EXPECT_EQ(WaitForSingleObject(done.handle(), 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(result.process.waitForEnd([](std::chrono::milliseconds elapsed) {
        return elapsed < std::chrono::minutes(1) ? WaitAnswer::Continue : WaitAnswer::Stop;
    }));
    EXPECT_FALSE(result.process.running());
}

TEST(LaunchWindowsFailure, MissingProgramIsReportedWithNumberAndReason)
{
    const LaunchResult result
        = launchDetached("C:\\VANTO\\VECPLAN.EXE C:\\img\\a.pbm", WindowStyle::Minimized);
    EXPECT_FALSE(result.ok());
    // In Spanish whatever the system's language; the number stays beside.
    if (result.error == ERROR_FILE_NOT_FOUND)
        EXPECT_EQ(result.reason, "el sistema no puede encontrar el archivo especificado");
    else if (result.error == ERROR_PATH_NOT_FOUND)
        EXPECT_EQ(result.reason, "el sistema no puede encontrar la ruta especificada");
    else
        ADD_FAILURE() << result.error << " " << result.reason;
}

TEST(LaunchWindowsFailure, LeavesNoHandleOpen)
{
    launchDetached(childLine("silent"), WindowStyle::Minimized);
    const int before = glifora::test::openHandleCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(launchDetached(childLine("silent"), WindowStyle::Maximized).ok());
        EXPECT_FALSE(launchDetached("C:\\VANTO\\VIEWPBM.EXE x", WindowStyle::Maximized).ok());
    }
    EXPECT_EQ(glifora::test::openHandleCount(), before);
}

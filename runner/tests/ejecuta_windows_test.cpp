#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "command_line.hpp"
#include "ejecuta.hpp"
#include "launch.hpp"
#include "pattern.hpp"
#include "wide_text.windows.hpp"
#include "windows_test_support.hpp"

using glifora::test::childLine;
using glifora::test::childPath;
using glifora::test::NamedEvent;
using glifora::test::patternByte;
using namespace glifora::runner;

namespace {

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = patternByte(i);
    return bytes;
}

// The directory of the helper, with a trailing backslash.
std::string childDirectory()
{
    const std::string path = childPath();
    return path.substr(0, path.rfind('\\') + 1);
}

std::string temporaryPath(const std::string& name)
{
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + "glifora-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

// The process id that a "hang" or "flood" helper wrote to path; 0 before.
DWORD announcedId(const std::string& path)
{
    std::ifstream in(path);
    unsigned long id = 0;
    return in >> id ? id : 0;
}

} // namespace

TEST(EjecutaWindows, ReturnsExactlyWhatTheChildWrote)
{
    EXPECT_EQ(ejecuta(childLine("print abc")), "abc");
}

TEST(EjecutaWindows, ChildStartsMinimizedWithoutFocusAndOnlyItsOutputConnected)
{
    // STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE,
    // NORMAL_PRIORITY_CLASS, no standard input or error.
    EXPECT_EQ(ejecuta(childLine("startup")), "257 7 32 null null");
}

TEST(EjecutaWindows, ChildThatWritesNothingGivesEmptyText)
{
    EXPECT_EQ(ejecuta(childLine("silent")), "");
}

TEST(EjecutaWindows, StandardErrorIsNotCaptured)
{
    EXPECT_EQ(ejecuta(childLine("stderr hidden")), "");
}

TEST(EjecutaWindows, FailingChildsTextIsTheResult)
{
    EXPECT_EQ(ejecuta(childLine("print-fail partial")), "partial");
}

// Sizes around the capacity and well past the pipe's own buffer, which only
// complete if the pipe is drained while the child runs.
class EjecutaWindowsLongOutput : public testing::TestWithParam<std::size_t> { };

TEST_P(EjecutaWindowsLongOutput, KeepsTheFirst10240BytesAndDropsTheRest)
{
    const std::size_t written = GetParam();
    const std::string result = ejecuta(childLine("bytes " + std::to_string(written)));
    const std::size_t kept = written < kCaptureCapacity ? written : kCaptureCapacity;
    EXPECT_EQ(result.size(), kept);
    EXPECT_EQ(result, pattern(kept));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, EjecutaWindowsLongOutput, testing::Values(10239, 10240, 10241, 70000, 1 << 20));

TEST(EjecutaWindows, MissingProgramIsReportedWithTheSystemsNumber)
{
    EXPECT_EQ(ejecuta(childDirectory() + "no-such-program.exe x"),
        "Error: CreateProcess failed. 2"); // ERROR_FILE_NOT_FOUND
    // The fixed tool directory does not exist here: the file or the path is
    // not found (Wine says the first).
    const std::string missingDirectory = ejecuta("C:\\VANTO\\TRAZOC.EXE C:\\img\\a.pbm");
    EXPECT_TRUE(missingDirectory == "Error: CreateProcess failed. 2"
        || missingDirectory == "Error: CreateProcess failed. 3")
        << missingDirectory;
}

class EjecutaWindowsImagePath : public testing::TestWithParam<std::string> { };

TEST_P(EjecutaWindowsImagePath, ReachesTheChildAsExactlyOneArgument)
{
    const std::string path = GetParam();
    EXPECT_EQ(ejecuta(buildCommandLine(childLine("echo-args") + " ", path)), path + "\n");
}

INSTANTIATE_TEST_SUITE_P(Paths, EjecutaWindowsImagePath,
    testing::Values("C:\\img\\a.pbm", "C:\\mis imagenes\\a b.pbm", "C:\\dir with space\\",
        "C:\\tab\there.pbm", "C:\\say \"hi\" & <x>.pbm", "C:\\ñandú €.pbm"));

TEST(EjecutaWindows, TextCrossesInTheAnsiCodePage)
{
    ASSERT_EQ(GetACP(), 1252u) << "the tests expect Windows-1252 as the ANSI code page";
    // The child sees "ñ" as the single byte 0xF1 and writes it back as such.
    EXPECT_EQ(ejecuta(childLine("echo-args ñ")), "ñ\n");
    // Characters that the code page lacks arrive as "?", never as a
    // look-alike: a full-width quotation mark must not become a real quote
    // that splits the path into two arguments. (No such file, so no short
    // name; nor the wide command line, which the system would hand an ANSI
    // child with the look-alike mapped to a quote.)
    EXPECT_EQ(ejecuta(buildCommandLine(childLine("echo-args") + " ", "C:\\ж\uFF02 b.pbm")),
        "C:\\?? b.pbm\n");
}

TEST(EjecutaWindows, TwoCallsAreIndependent)
{
    char directory[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, directory), 0u);
    const std::string counter
        = std::string(directory) + "glifora-count-" + std::to_string(GetCurrentProcessId());
    DeleteFileA(counter.c_str());

    const std::string line = childLine("count " + quoteArgument(counter));
    EXPECT_EQ(ejecuta(line), "run 1");
    EXPECT_EQ(ejecuta(line), "run 2");
    DeleteFileA(counter.c_str());

    // A long output leaves nothing behind for the next call.
    EXPECT_EQ(ejecuta(childLine("bytes 50000")).size(), kCaptureCapacity);
    EXPECT_EQ(ejecuta(childLine("print b")), "b");
}

// The child starts a grandchild that inherits the write end and stays behind.
// The call must return once the child has ended; and since the grandchild
// holds no read end, its later writes fail instead of blocking for ever.
TEST(EjecutaWindows, GrandchildHoldingThePipeNeitherHoldsTheCallerNorBlocks)
{
    NamedEvent go("go");
    ASSERT_NE(go.handle(), nullptr);

    const std::string pid = ejecuta(childLine("spawn " + go.name()));
    ASSERT_FALSE(pid.empty());
    ASSERT_EQ(pid.find_first_not_of("0123456789"), std::string::npos) << pid;
    HANDLE grandchild = OpenProcess(
        SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, std::stoul(pid));
    ASSERT_NE(grandchild, nullptr);
    EXPECT_EQ(WaitForSingleObject(grandchild, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the grandchild was expected to be still waiting";

    SetEvent(go.handle());
    const DWORD waited = WaitForSingleObject(grandchild, 30000);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the grandchild stays blocked writing to the pipe";
    DWORD exitCode = 99;
    GetExitCodeProcess(grandchild, &exitCode);
    EXPECT_EQ(exitCode, 0u) << "0: a write failed for want of a reader";
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(grandchild, 1);
    CloseHandle(grandchild);
}

TEST(EjecutaWindows, LeavesNoHandleOpen)
{
    ejecuta(childLine("print warm-up")); // lets the system set up what it keeps
    const int before = glifora::test::openHandleCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 10; ++i) {
        ejecuta(childLine("print x"));
        ejecuta(childLine("bytes 20000"));
        ejecuta(childDirectory() + "no-such-program.exe");
    }
    EXPECT_EQ(glifora::test::openHandleCount(), before);
}

// A process that the test did not start, opened by its id while it runs;
// terminated on the way out if it still runs, so that a failing test leaves
// nothing behind.
class OpenedProcess {
public:
    explicit OpenedProcess(DWORD id)
        : handle(id != 0 ? OpenProcess(
                     SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id)
                         : nullptr)
    {
    }
    ~OpenedProcess()
    {
        if (handle != nullptr) {
            TerminateProcess(handle, 1);
            CloseHandle(handle);
        }
    }
    OpenedProcess(const OpenedProcess&) = delete;
    OpenedProcess& operator=(const OpenedProcess&) = delete;

    bool valid() const { return handle != nullptr; }
    bool running() const { return WaitForSingleObject(handle, 0) == WAIT_TIMEOUT; }
    // Whether it ends within a bound far beyond what ending it takes.
    bool ends() const { return WaitForSingleObject(handle, 30000) == WAIT_OBJECT_0; }
    DWORD exitCode() const
    {
        DWORD code = 0;
        GetExitCodeProcess(handle, &code);
        return code;
    }

private:
    HANDLE handle;
};

struct StopCase {
    const char* mode;
    bool startsWorker; // announces a worker in "<id file>.worker"
};

void PrintTo(const StopCase& c, std::ostream* out)
{
    *out << c.mode;
}

// Stopping from the observer, while the child waits, while it writes
// without a pause, after it has closed its output, and after it has started
// a worker: the observer keeps being called while each runs; the child and
// its worker are terminated, not left to end by themselves (their exit
// codes say which); and nothing of the call stays open.
class EjecutaWindowsStop : public testing::TestWithParam<StopCase> { };

TEST_P(EjecutaWindowsStop, EndsTheChildAndWhatItStartedAndLeavesNoHandleOpen)
{
    ejecuta(childLine("print warm-up"));
    const int before = glifora::test::openHandleCount();
    const std::string announced = temporaryPath(std::string(GetParam().mode) + "-id");
    DeleteFileA(announced.c_str());
    DeleteFileA((announced + ".worker").c_str());

    std::optional<OpenedProcess> child, worker;
    int calls = 0, callsAfterStart = 0;
    bool runningWhenStopped = false;
    const std::optional<std::string> result
        = ejecuta(childLine(std::string(GetParam().mode) + " " + quoteArgument(announced)), "",
            [&](std::chrono::milliseconds) {
                ++calls;
                if (!child) {
                    if (const DWORD id = announcedId(announced)) {
                        child.emplace(id);
                        if (GetParam().startsWorker)
                            worker.emplace(announcedId(announced + ".worker"));
                    }
                    return WaitAnswer::Continue;
                }
                // A few more appointments first, kept whatever the child
                // did with its output.
                if (++callsAfterStart < 3)
                    return WaitAnswer::Continue;
                runningWhenStopped = child->valid() && child->running();
                return WaitAnswer::Stop;
            });
    DeleteFileA(announced.c_str());
    DeleteFileA((announced + ".worker").c_str());

    EXPECT_FALSE(result.has_value()) << *result;
    ASSERT_TRUE(child && child->valid()) << "the observer was called " << calls << " times";
    EXPECT_TRUE(runningWhenStopped);
    EXPECT_FALSE(child->running());
    EXPECT_EQ(child->exitCode(), static_cast<DWORD>(ERROR_CANCELLED));
    if (GetParam().startsWorker) {
        ASSERT_TRUE(worker && worker->valid()) << "no worker announced";
        EXPECT_TRUE(worker->ends()) << "the worker outlived the Stop";
        EXPECT_EQ(worker->exitCode(), static_cast<DWORD>(ERROR_CANCELLED));
    }
    child.reset();
    worker.reset();
    EXPECT_EQ(glifora::test::openHandleCount(), before);
}

INSTANTIATE_TEST_SUITE_P(Children, EjecutaWindowsStop,
    testing::Values(StopCase { "hang", false }, StopCase { "flood", false },
        StopCase { "closed", false }, StopCase { "worker", true }),
    [](const auto& info) { return std::string(info.param.mode); });

// Regression: once a child had closed its output, the runner stopped
// calling the observer and waited for the child's end alone. A child that
// ends by itself some appointments after the close still gives what it
// printed.
TEST(EjecutaWindows, ChildThatClosedItsOutputKeepsTheObserverCalledUntilItEnds)
{
    NamedEvent end("end");
    ASSERT_NE(end.handle(), nullptr);
    const std::string announced = temporaryPath("closed-ends-id");
    DeleteFileA(announced.c_str());

    int callsAfterClose = 0;
    bool closed = false;
    const std::optional<std::string> result
        = ejecuta(childLine("closed " + quoteArgument(announced) + " " + end.name()), "",
            [&](std::chrono::milliseconds) {
                // The id is written only once the output is closed.
                if (!closed)
                    closed = announcedId(announced) != 0;
                else if (++callsAfterClose == 3)
                    SetEvent(end.handle());
                return WaitAnswer::Continue;
            });
    DeleteFileA(announced.c_str());

    EXPECT_EQ(result, "printed");
    EXPECT_GE(callsAfterClose, 3);
}

TEST(EjecutaWindows, ObserverThatLetsTheChildRunChangesNothing)
{
    const auto carryOn = [](std::chrono::milliseconds) { return WaitAnswer::Continue; };
    EXPECT_EQ(ejecuta(childLine("print abc"), "", carryOn), "abc");
    EXPECT_EQ(ejecuta(childLine("bytes 70000"), "", carryOn), pattern(kCaptureCapacity));
    EXPECT_EQ(ejecuta(childDirectory() + "no-such-program.exe", "", carryOn),
        "Error: CreateProcess failed. 2");
}

// A name with a letter that code page 1252 lacks: the runner and the launch
// hand an ANSI child the file's short name, which it can open; where there
// is no short name (no such file here) the wide command line carries the
// name whole to a child that reads it.
TEST(EjecutaWindows, NameOutsideTheAnsiCodePageReachesTheChildUsable)
{
    ASSERT_EQ(GetACP(), 1252u);
    const std::string name = temporaryPath("\xD0\x96 \xCE\xA9.pbm"); // Cyrillic Zhe, Greek Omega
    const std::wstring wideName = glifora::support::win32::wideFromUtf8(name);
    HANDLE file = CreateFileW(
        wideName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "P1\n1 1\n1\n", 9, &written, nullptr);
    CloseHandle(file);

    EXPECT_EQ(ejecuta(buildCommandLine(childLine("cat") + " ", name)), "P1\n1 1\n1\n");

    NamedEvent found("found");
    const LaunchResult launched = launchDetached(
        buildCommandLine(childLine("found " + found.name()) + " ", name), WindowStyle::Minimized);
    ASSERT_TRUE(launched.ok()) << launched.reason;
    EXPECT_EQ(WaitForSingleObject(found.handle(), 30000), WAIT_OBJECT_0)
        << "the launched child could not open the file";
    DeleteFileW(wideName.c_str());

    const std::string missing = temporaryPath("\xD0\x96 no existe.pbm");
    EXPECT_EQ(ejecuta(buildCommandLine(childLine("wide-args") + " ", missing)),
        temporaryPath("<U+0416> no existe.pbm") + "\n");
}

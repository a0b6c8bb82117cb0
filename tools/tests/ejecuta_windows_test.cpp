#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "command_line.hpp"
#include "ejecuta.hpp"
#include "pattern.hpp"
#include "windows_test_support.hpp"

using glifora::test::childLine;
using glifora::test::childPath;
using glifora::test::NamedEvent;
using glifora::test::patternByte;
using namespace glifora::tools;

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
    // that splits the path into two arguments.
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

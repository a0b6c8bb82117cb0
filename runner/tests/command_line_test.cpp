#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.hpp"
#include "tool_set.hpp"

using namespace glifora::runner;
using Args = std::vector<std::string>;

TEST(CommandLine, PathWithoutBlanksIsAppendedAsItStands)
{
    EXPECT_EQ(buildCommandLine(kContourPrefix, "C:\\img\\a.pbm"),
              "C:\\VANTO\\TRAZOC.EXE C:\\img\\a.pbm");
    EXPECT_EQ(buildCommandLine(kContourPrefix, "/home/ana/a.pbm"),
              "C:\\VANTO\\TRAZOC.EXE /home/ana/a.pbm");
}

TEST(CommandLine, PathWithSpacesIsQuotedAndSplitsBackToOneArgument)
{
    const std::string line = buildCommandLine(kVectorPrefix, "C:\\mis imagenes\\a b.pbm");
    EXPECT_EQ(line, "C:\\VANTO\\VECPLAN.EXE \"C:\\mis imagenes\\a b.pbm\"");
    EXPECT_EQ(splitCommandLine(line),
              (Args{"C:\\VANTO\\VECPLAN.EXE", "C:\\mis imagenes\\a b.pbm"}));
}

// Every awkward path must come back from the split exactly as it went in.
class CommandLineRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(CommandLineRoundTrip, PathReachesTheToolAsExactlyOneArgument)
{
    const std::string path = GetParam();
    EXPECT_EQ(splitCommandLine(buildCommandLine(kContourPrefix, path)),
              (Args{"C:\\VANTO\\TRAZOC.EXE", path}));
}

INSTANTIATE_TEST_SUITE_P(
    AwkwardPaths, CommandLineRoundTrip,
    testing::Values("/tmp/a.pbm", "/tmp/two words.pbm", "/tmp/tab\there.pbm",
                    "/tmp/$(touch x).pbm", "/tmp/a;rm -rf b.pbm", "/tmp/it's.pbm",
                    "/tmp/say \"hi\".pbm", "C:\\dir with space\\", "C:\\trailing\\\\",
                    "a\\\\\"b c", "\"", "\\\"", "", "  ", "/tmp/ñandú €.pbm",
                    "/tmp/back\\slash only.pbm", "/tmp/`id` & | < > *.pbm"));

TEST(CommandLine, SplitFollowsTheRuntimeRulesForBackslashesAndQuotes)
{
    EXPECT_EQ(splitCommandLine("p a\\\\b"), (Args{"p", "a\\\\b"}));
    EXPECT_EQ(splitCommandLine("p \"a\\\\\" b"), (Args{"p", "a\\", "b"}));
    EXPECT_EQ(splitCommandLine("p a\\\"b"), (Args{"p", "a\"b"}));
    EXPECT_EQ(splitCommandLine("p \"a\"\"b\""), (Args{"p", "a\"b"}));
    EXPECT_EQ(splitCommandLine("p a\"b c\"d"), (Args{"p", "ab cd"}));
    EXPECT_EQ(splitCommandLine("p \"\""), (Args{"p", ""}));
}

TEST(CommandLine, ProgramTokenHasNoEscapes)
{
    EXPECT_EQ(splitCommandLine("C:\\VANTO\\TRAZOC.EXE x"),
              (Args{"C:\\VANTO\\TRAZOC.EXE", "x"}));
    EXPECT_EQ(splitCommandLine("\"C:\\Program Files\\t.exe\" x"),
              (Args{"C:\\Program Files\\t.exe", "x"}));
    EXPECT_EQ(splitCommandLine("\"C:\\dir\\\" x"), (Args{"C:\\dir\\", "x"}));
}

TEST(CommandLine, BlanksAroundAndBetweenArgumentsAreIgnored)
{
    EXPECT_EQ(splitCommandLine(""), Args{});
    EXPECT_EQ(splitCommandLine(" \t "), Args{});
    EXPECT_EQ(splitCommandLine("  p \t a   b  "), (Args{"p", "a", "b"}));
}

// CONVEXD.EXE as the front end runs it: one argument, the report or a
// one-line error on standard output.
#include "run_tool.hpp"
#include "sample_images.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vanto {
namespace {

namespace fs = std::filesystem;
using testing::runTool;

class ConvexdTool : public testing::ToolTest {
protected:
    ConvexdTool()
        : ToolTest("CONVEXD.EXE")
    {
    }
};

TEST_F(ConvexdTool, ReportsTheLakeTheBayAndTheDefectOfAShape)
{
    // A ring on top of a U.
    const auto run = runTool(CONVEXD_EXE,
        { write("forma con espacios.pbm",
            "P1\n5 7\n"
            "11111\n"
            "10001\n"
            "11111\n"
            "10001\n"
            "10001\n"
            "10001\n"
            "10001\n") });
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Casco convexo: 4 vértices, área 24.00, 35 píxeles dentro\n"
                           "Deficiencia convexa: 15 píxeles en 2 regiones (1 lago, 1 bahía; "
                           "3 píxeles de lago, 12 de bahía)\n"
                           "Defectos de convexidad: 1 en 1 borde exterior, 1 de profundidad de "
                           "un píxel o más\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  Región 1: lago, área 3 píxeles, caja (1, 1)-(3, 1), centroide "
                           "(2.00, 1.00)\n"
                           "  Región 2: bahía, área 12 píxeles, caja (1, 3)-(3, 6), centroide "
                           "(2.00, 4.50)\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(", profundidad 4.00\n"), std::string::npos) << run.out;
}

TEST_F(ConvexdTool, AnalysesEverySample)
{
    const auto samples = testing::sampleImages();
    if (samples.empty())
        GTEST_SKIP() << "no samples in " << GLIFORA_SAMPLES_DIR;
    for (const fs::path& sample : samples) {
        const auto run = runTool(CONVEXD_EXE, { sample.string() });
        EXPECT_EQ(run.status, 0) << sample << "\n" << run.out;
        EXPECT_NE(run.out.find("Píxeles negros: "), std::string::npos) << sample;
    }
}

TEST_F(ConvexdTool, BlankImageHasNoHull)
{
    const auto run = runTool(CONVEXD_EXE, { write("blanca.pbm", "P1 3 2 000 000") });
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("no hay casco ni deficiencias"), std::string::npos) << run.out;
}

TEST_F(ConvexdTool, RefusesBadInputWithOneLineOnStandardOutput)
{
    expectOneLineError(runTool(CONVEXD_EXE, {}));
    expectOneLineError(runTool(CONVEXD_EXE, { write("a.pbm", "P1 1 1 1"), "b.pbm" }));
    expectOneLineError(runTool(CONVEXD_EXE, { (dir_ / "falta.pbm").string() }));
    expectOneLineError(runTool(CONVEXD_EXE, { write("raro.pbm", "P1\n2 2\n1x\n00\n") }));
    expectOneLineError(
        runTool(CONVEXD_EXE, { write("corto.pbm", std::string("P4\n16 4\n\xff", 10)) }));
}

} // namespace
} // namespace vanto

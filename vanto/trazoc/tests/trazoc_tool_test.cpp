// TRAZOC.EXE as the front end runs it: one argument, the report or a
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

class TrazocTool : public testing::ToolTest {
protected:
    TrazocTool()
        : ToolTest("TRAZOC.EXE")
    {
    }
};

TEST_F(TrazocTool, AnalysesAPlainPbmInAPathWithSpaces)
{
    const auto run
        = runTool(TRAZOC_EXE, { write("un anillo.pbm", "P1\n# anillo\n3 3\n111\n101\n111\n") });
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Imagen: 3 x 3 píxeles\nPíxeles negros: 8\nComponentes: 1\nHuecos: 1\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("    1753\n"), std::string::npos) << run.out;
}

TEST_F(TrazocTool, AnalysesEverySample)
{
    const auto samples = testing::sampleImages();
    if (samples.empty())
        GTEST_SKIP() << "no samples in " << GLIFORA_SAMPLES_DIR;
    for (const fs::path& sample : samples) {
        const auto run = runTool(TRAZOC_EXE, { sample.string() });
        EXPECT_EQ(run.status, 0) << sample << "\n" << run.out;
        EXPECT_NE(run.out.find("Componentes: "), std::string::npos) << sample;
    }
}

TEST_F(TrazocTool, RefusesBadInputWithOneLineOnStandardOutput)
{
    expectOneLineError(runTool(TRAZOC_EXE, {}));
    expectOneLineError(runTool(TRAZOC_EXE, { write("a.pbm", "P1 1 1 1"), "otro" }));
    expectOneLineError(runTool(TRAZOC_EXE, { (dir_ / "no existe.pbm").string() }));
    expectOneLineError(runTool(TRAZOC_EXE, { dir_.string() }));
    expectOneLineError(runTool(TRAZOC_EXE, { write("texto.pbm", "hola\n") }));
    expectOneLineError(runTool(TRAZOC_EXE, { write("corto.pbm", "P1\n4 4\n0110\n01") }));
    expectOneLineError(runTool(TRAZOC_EXE, { write("enorme.pbm", "P4\n999999 999999\n") }));
}

} // namespace
} // namespace vanto

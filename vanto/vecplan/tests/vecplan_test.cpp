#include "test_files.hpp"
#include "test_images.hpp"
#include "vecplan.hpp"

#include <gtest/gtest.h>

#include <future>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

namespace {

// A reference set of three hand-drawn characters.
std::string smallRefset()
{
    std::string text = formatRefsetHeader();
    text += formatReference({ "L", "mano/5px", computeFeatures(letterL())->values });
    text += formatReference({ "T", "mano/7px", computeFeatures(letterT())->values });
    text += formatReference({ "O", "mano/5px", computeFeatures(ring())->values });
    return text;
}

struct RunResult {
    int status;
    std::string out;
};

RunResult run(const ScratchDir& dir, const std::vector<std::string>& args)
{
    std::ostringstream out;
    const int status = runVecplan(args, dir.path(), out);
    return { status, out.str() };
}

std::string lastLine(const std::string& text)
{
    const std::size_t end = text.find_last_not_of('\n');
    const std::size_t start = text.rfind('\n', end);
    return text.substr(start + 1, end - start);
}

} // namespace

TEST(Vecplan, RecognisesTheCharacterAndLeavesTheWholeResultBesideTheRefset)
{
    ScratchDir dir;
    writeText(dir.file("refset.db"), smallRefset());
    const std::string image = dir.file("una T.pbm");
    // The T in a corner of a larger sheet, and a speck of dirt far from it.
    vanto::Bitmap sheet = framed(enlarged(letterT(), 3), 0, 19);
    sheet.width = 21;
    sheet.pixels[sheet.pixels.size() - 1] = sheet.pixels[sheet.pixels.size() - 2] = 1;
    sheet.pixels[sheet.pixels.size() - 22] = sheet.pixels[sheet.pixels.size() - 23] = 1;
    writeText(image, vanto::formatPlainPbm(sheet));

    const RunResult r = run(dir, { image });
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string result = readText(dir.file("resvec.txt"));
    EXPECT_EQ(r.out, "Carácter reconocido: T\n") << "only the answer on standard output";
    EXPECT_NE(result.find("Imagen: " + image + "\nCarácter reconocido: T\n"), std::string::npos)
        << "the answer comes first";
    EXPECT_NE(result.find("21 x 40 píxeles"), std::string::npos);
    EXPECT_NE(result.find("(15 x 15 píxeles)"), std::string::npos) << result;
    EXPECT_NE(result.find("Limpieza: 1 mota quitada (4 píxeles negros), 0 poros rellenados"),
        std::string::npos)
        << result;
    // The image has a frame, the references none: the shapes agree, and the
    // frame costs what any unframed side costs.
    EXPECT_NE(result.find("  1. T    141.42  (mano/7px)\n"), std::string::npos) << result;
    EXPECT_EQ(result.find("Dudoso"), std::string::npos) << result;
    EXPECT_NE(result.find("  3. "), std::string::npos);
    EXPECT_EQ(result.find("  4. "), std::string::npos); // only three labels known
    // Every group of the vector is laid out under its own label.
    for (const FeatureGroup& g : kGroups)
        EXPECT_NE(result.find(std::string(g.name) + ", valores"), std::string::npos) << g.name;
    EXPECT_EQ(lastLine(result), "T");
    EXPECT_EQ(dir.entries(), (std::vector<std::string> { "refset.db", "resvec.txt", "una T.pbm" }));
}

TEST(Vecplan, ResultListsFiveCandidatesWhenTheSetKnowsMore)
{
    ScratchDir dir;
    std::string refset = formatRefsetHeader();
    const FeatureVector ringValues = computeFeatures(ring())->values;
    for (const char* label : { "a", "b", "c", "d", "e", "f", "g" }) {
        FeatureVector v = ringValues;
        v[0] += label[0] - 'a';
        refset += formatReference({ label, "x/1px", v });
    }
    writeText(dir.file("refset.db"), refset);
    writeText(dir.file("o.pbm"), vanto::formatPlainPbm(ring()));
    EXPECT_EQ(run(dir, { dir.file("o.pbm") }).status, 0);
    const std::string result = readText(dir.file("resvec.txt"));
    EXPECT_NE(result.find("  5. e  "), std::string::npos) << result;
    EXPECT_EQ(result.find("  6. "), std::string::npos) << result;
    EXPECT_EQ(lastLine(result), "a");
}

TEST(Vecplan, ImageLikeNoReferenceIsAnsweredWithADoubtRightAfterTheAnswer)
{
    ScratchDir dir;
    // Two references of each character, a little apart.
    std::string refset = formatRefsetHeader();
    for (const auto& [label, image] :
        { std::pair { "L", letterL() }, std::pair { "T", letterT() }, std::pair { "O", ring() } }) {
        FeatureVector v = computeFeatures(image)->values;
        refset += formatReference({ label, "mano/1", v });
        v[0] += 10;
        refset += formatReference({ label, "mano/2", v });
    }
    writeText(dir.file("refset.db"), refset);
    // Specks of every size all over, with no shape of any character.
    vanto::Bitmap noise;
    noise.width = noise.height = 40;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 1600; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.pixels.push_back((seed >> 16) % 100 < 35 ? 1 : 0);
    }
    writeText(dir.file("ruido.pbm"), vanto::formatPlainPbm(noise));
    writeText(dir.file("t.pbm"), vanto::formatPlainPbm(enlarged(letterT(), 2)));

    const RunResult doubtful = run(dir, { dir.file("ruido.pbm") });
    EXPECT_EQ(doubtful.status, 0);
    const std::string result = readText(dir.file("resvec.txt"));
    const std::size_t answer = result.find("Carácter reconocido: ");
    ASSERT_NE(answer, std::string::npos) << result;
    const std::size_t next = result.find('\n', answer) + 1;
    EXPECT_EQ(result.substr(next, 50).rfind("Dudoso: la imagen queda lejos de todas las", 0), 0u)
        << result;
    EXPECT_NE(doubtful.out.find("\nDudoso: "), std::string::npos) << doubtful.out;

    const RunResult sure = run(dir, { dir.file("t.pbm") });
    EXPECT_EQ(sure.out, "Carácter reconocido: T\n");
    EXPECT_EQ(readText(dir.file("resvec.txt")).find("Dudoso"), std::string::npos);
}

struct Failure {
    const char* what;
    bool writeRefset; // a good refset.db beside
    std::string refset; // otherwise this text, if not empty
    std::vector<std::string> args;
    const char* expected; // part of the message
};

class VecplanFailure : public testing::TestWithParam<Failure> { };

TEST_P(VecplanFailure, LeavesOneClearLineInResvecAndFails)
{
    ScratchDir dir;
    const Failure& f = GetParam();
    if (f.writeRefset)
        writeText(dir.file("refset.db"), smallRefset());
    else if (!f.refset.empty())
        writeText(dir.file("refset.db"), f.refset);
    writeText(dir.file("bueno.pbm"), vanto::formatPlainPbm(ring()));
    writeText(dir.file("blanco.pbm"), "P1\n3 2\n000\n000\n");
    writeText(dir.file("motas.pbm"),
        "P1\n8 6\n10000000\n00000100\n00000000\n01000000\n00000011\n00000011\n");
    writeText(dir.file("malo.pbm"), "P1\n3 2\n0102\n");
    // A previous result that must be replaced.
    writeText(dir.file("resvec.txt"), "resultado anterior\n");

    std::vector<std::string> args;
    for (const std::string& a : f.args)
        args.push_back(a.empty() || a[0] == '/' ? a : dir.file(a));
    const RunResult r = run(dir, args);
    EXPECT_NE(r.status, 0);
    const std::string result = readText(dir.file("resvec.txt"));
    EXPECT_EQ(result, r.out);
    ASSERT_FALSE(result.empty());
    EXPECT_EQ(result.find('\n'), result.size() - 1) << result;
    EXPECT_NE(result.find(f.expected), std::string::npos) << result;
    // One form for the tools' errors, as TRAZOC.EXE and CONVEXD.EXE give them.
    EXPECT_EQ(result.rfind("VECPLAN.EXE: error: ", 0), 0u) << result;
}

INSTANTIATE_TEST_SUITE_P(Vecplan, VecplanFailure,
    testing::Values(Failure { "no_argument", true, "", {}, "Uso: VECPLAN.EXE" },
        Failure { "two_arguments", true, "", { "bueno.pbm", "bueno.pbm" }, "hay 2" },
        Failure { "missing_image", true, "", { "no-existe.pbm" }, "no-existe.pbm" },
        Failure { "invalid_pbm", true, "", { "malo.pbm" }, "malo.pbm" },
        Failure { "blank_image", true, "", { "blanco.pbm" }, "ningún píxel negro" },
        Failure { "only_specks", true, "", { "motas.pbm" },
            "está en blanco: solo tiene 4 motas (7 píxeles negros), ningún carácter" },
        Failure { "missing_refset", false, "", { "bueno.pbm" }, "refset.db" },
        Failure { "malformed_refset", false, refsetSignature() + "\nA F/1px 1 2\n", { "bueno.pbm" },
            "no es válida: línea 2" },
        Failure { "refset_of_another_vector", false, "VECPLAN-REFSET 1 7\n", { "bueno.pbm" },
            "no es válida: línea 1" }),
    [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.what); });

TEST(Vecplan, ResultOfARunNeverReplacesThatOfARunStartedAfterIt)
{
    ScratchDir dir;
    writeText(dir.file("refset.db"), smallRefset());
    writeText(dir.file("t.pbm"), vanto::formatPlainPbm(letterT()));
    writeText(dir.file("l.pbm"), vanto::formatPlainPbm(letterL()));

    // The first run (T) is held back just before it leaves its result,
    // while a second run (L), started after it, finishes.
    std::promise<void> held, release;
    std::string firstOut;
    std::thread first([&] {
        std::ostringstream out;
        runVecplan({ dir.file("t.pbm") }, dir.path(), out, [&] {
            held.set_value();
            release.get_future().wait();
        });
        firstOut = out.str();
    });
    held.get_future().wait();
    ASSERT_EQ(run(dir, { dir.file("l.pbm") }).status, 0);
    release.set_value();
    first.join();

    EXPECT_EQ(lastLine(readText(dir.file("resvec.txt"))), "L");
    EXPECT_NE(firstOut.find("no se sustituye"), std::string::npos) << firstOut;
    EXPECT_EQ(
        dir.entries(), (std::vector<std::string> { "l.pbm", "refset.db", "resvec.txt", "t.pbm" }));

    // A run started after both replaces the result as usual.
    EXPECT_EQ(run(dir, { dir.file("t.pbm") }).status, 0);
    EXPECT_EQ(lastLine(readText(dir.file("resvec.txt"))), "T");
}

TEST(Vecplan, UnwritableDirectoryIsReportedAndFails)
{
    ScratchDir dir;
    writeText(dir.file("bueno.pbm"), vanto::formatPlainPbm(ring()));
    std::ostringstream out;
    const int status = runVecplan({ dir.file("bueno.pbm") }, dir.file("no-existe"), out);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.str().find("No se puede guardar " + dir.file("no-existe")
                  + "/resvec.txt: no se puede crear un fichero en la carpeta: no existe el "
                    "fichero o el directorio (error 2)."),
        std::string::npos)
        << out.str();
}

TEST(Vecplan, RefsetReplacedByAFifoIsRefusedWithoutWaiting)
{
    ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.file("refset.db").c_str(), 0600), 0);
    writeText(dir.file("o.pbm"), vanto::formatPlainPbm(ring()));
    const RunResult r = run(dir, { dir.file("o.pbm") });
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("no es un fichero normal"), std::string::npos) << r.out;
    EXPECT_EQ(readText(dir.file("resvec.txt")), r.out);
}

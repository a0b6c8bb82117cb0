// VECPLAN.EXE as the front end starts it: a copy of the built executable in
// a directory of its own, started from another current directory.
#include "test_files.hpp"
#include "test_images.hpp"
#include "unicode_library.hpp"
#include "vecplan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

namespace {

struct Outcome {
    int status = -1; // exit status, -1 if it did not exit normally
    std::string out;
    long long peakBytes = 0; // the child's peak resident memory
};

// Runs program with args in directory cwd, with the environment variables
// given as NAME=value added, and collects its standard output and its peak
// memory.
Outcome runIn(const std::string& cwd, const std::string& program,
    const std::vector<std::string>& args, const std::vector<std::string>& environment = {})
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    std::vector<char*> argv { const_cast<char*>(program.c_str()) };
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0 || ::dup2(pipeFds[1], 1) < 0)
            ::_exit(127);
        for (const std::string& variable : environment) {
            const std::size_t equals = variable.find('=');
            ::setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    Outcome o;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0)
            o.out.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) { }
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.peakBytes = usage.ru_maxrss * 1024LL;
    return o;
}

// A tool directory holding a copy of the built VECPLAN.EXE.
struct ToolDir {
    ScratchDir dir;
    std::string exe = dir.file("VECPLAN.EXE");

    ToolDir()
    {
        std::filesystem::copy_file(VECPLAN_EXE, exe);
        std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
    }
};

std::string smallRefset()
{
    std::string text = formatRefsetHeader();
    text += formatReference({ "L", "mano/5px", computeFeatures(letterL())->values });
    text += formatReference({ "T", "mano/7px", computeFeatures(letterT())->values });
    text += formatReference({ "O", "mano/5px", computeFeatures(ring())->values });
    return text;
}

} // namespace

TEST(VecplanTool, WritesResvecBesideTheExecutableNotInTheCurrentDirectory)
{
    ToolDir tool;
    writeText(tool.dir.file("refset.db"), smallRefset());
    ScratchDir elsewhere;
    writeText(elsewhere.file("refset.db"), "basura\n"); // must not be read
    writeText(elsewhere.file("l.pbm"), vanto::formatPlainPbm(enlarged(letterL(), 2)));

    // A relative image path is taken from the current directory, as given.
    const Outcome o = runIn(elsewhere.path(), tool.exe, { "l.pbm" });
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_EQ(o.out, "Carácter reconocido: L\n");
    const std::string result = readText(tool.dir.file("resvec.txt"));
    EXPECT_NE(result.find("Imagen: l.pbm\n"), std::string::npos) << result;
    EXPECT_TRUE(result.ends_with("Carácter reconocido:\nL\n")) << result;
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("resvec.txt")));
}

TEST(VecplanTool, MissingRefsetGivesAClearMessageInResvec)
{
    ToolDir tool;
    ScratchDir elsewhere;
    writeText(elsewhere.file("o.pbm"), vanto::formatPlainPbm(ring()));
    const Outcome o = runIn(elsewhere.path(), tool.exe, { elsewhere.file("o.pbm") });
    EXPECT_NE(o.status, 0);
    const std::string result = readText(tool.dir.file("resvec.txt"));
    EXPECT_EQ(result, o.out);
    EXPECT_EQ(result,
        "VECPLAN.EXE: error: No se puede usar la base de referencias " + tool.dir.file("refset.db")
            + ": no existe el fichero o el directorio (error 2).\n");
}

TEST(VecplanTool, MalformedRefsetGivesAClearMessageInResvec)
{
    ToolDir tool;
    writeText(tool.dir.file("refset.db"), refsetSignature() + "\nA origen 1 2 3\n");
    ScratchDir elsewhere;
    writeText(elsewhere.file("o.pbm"), vanto::formatPlainPbm(ring()));
    const Outcome o = runIn(elsewhere.path(), tool.exe, { elsewhere.file("o.pbm") });
    EXPECT_NE(o.status, 0);
    const std::string result = readText(tool.dir.file("resvec.txt"));
    EXPECT_EQ(result, o.out);
    EXPECT_NE(result.find("La base de referencias " + tool.dir.file("refset.db")
                  + " no es válida: línea 2"),
        std::string::npos)
        << result;
}

// Taught from another folder with a relative name, as one teaches a folder
// of examples: the reference lands beside the executable, under the
// image's whole path, and the next run of the same image names it.
TEST(VecplanTool, TeachesBesideTheExecutableAndTheNextRunKnowsIt)
{
    ToolDir tool;
    writeText(tool.dir.file("refset.db"), smallRefset());
    ScratchDir elsewhere;
    const vanto::Bitmap z = drawing({ "######", "....##", "...##.", "..##..", ".##...", "######" });
    writeText(elsewhere.file("mi zeta.pbm"), vanto::formatPlainPbm(z));

    const Outcome taught = runIn(elsewhere.path(), tool.exe, { "--aprende", "Z", "mi zeta.pbm" });
    EXPECT_EQ(taught.status, 0) << taught.out;
    const std::string recorded
        = std::filesystem::canonical(elsewhere.path()).string() + "/mi zeta.pbm";
    EXPECT_NE(taught.out.find("«Z»: " + recorded), std::string::npos) << taught.out;
    EXPECT_FALSE(std::filesystem::exists(tool.dir.file("resvec.txt")));
    EXPECT_NE(readText(tool.dir.file("refset.db")).find("\"Z\" "), std::string::npos);

    const Outcome run = runIn(elsewhere.path(), tool.exe, { "mi zeta.pbm" });
    EXPECT_EQ(run.out, "Carácter reconocido: Z\n");
    EXPECT_EQ(tool.dir.entries(),
        (std::vector<std::string> { "VECPLAN.EXE", "refset.db", "resvec.txt" }));
}

// ICU is loaded only for characters outside ASCII. With a broken copy of
// it first on the library path, a run whose labels and image names are all
// ASCII still works; teaching "ñ" is refused with one line that names the
// library, and leaves the set as it was; a set that holds a taught "ñ" is
// refused naming the line. With the system's ICU, "ñ" is taught and read.
TEST(VecplanTool, LoadsIcuOnlyForCharactersOutsideAscii)
{
    ToolDir tool;
    const std::string refset = tool.dir.file("refset.db");
    writeText(refset, smallRefset());
    ScratchDir elsewhere;
    const vanto::Bitmap z = drawing({ "######", "....##", "...##.", "..##..", ".##...", "######" });
    writeText(elsewhere.file("zeta.pbm"), vanto::formatPlainPbm(z));
    ScratchDir broken;
    const std::string library(unicodeLibraryName());
    writeText(broken.file(library), "no es una biblioteca\n");
    const std::vector<std::string> brokenIcu { "LD_LIBRARY_PATH=" + broken.path() };

    Outcome o = runIn(elsewhere.path(), tool.exe, { "--aprende", "Z", "zeta.pbm" }, brokenIcu);
    EXPECT_EQ(o.status, 0) << o.out;
    o = runIn(elsewhere.path(), tool.exe, { "zeta.pbm" }, brokenIcu);
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_EQ(o.out, "Carácter reconocido: Z\n");

    const std::string before = readText(refset);
    o = runIn(elsewhere.path(), tool.exe, { "--aprende", "ñ", "zeta.pbm" }, brokenIcu);
    EXPECT_NE(o.status, 0);
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
    EXPECT_NE(o.out.find("no se puede cargar " + library), std::string::npos) << o.out;
    EXPECT_EQ(readText(refset), before);

    o = runIn(elsewhere.path(), tool.exe, { "--aprende", "ñ", "zeta.pbm" });
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_NE(readText(refset).find("\"ñ\" "), std::string::npos);
    o = runIn(elsewhere.path(), tool.exe, { "zeta.pbm" });
    EXPECT_EQ(o.status, 0) << o.out;

    o = runIn(elsewhere.path(), tool.exe, { "zeta.pbm" }, brokenIcu);
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.out.find(" no es válida: línea "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("no se puede cargar " + library), std::string::npos) << o.out;
}

// Images of every shape the reader accepts, all black: the run's peak
// memory stays within a few bytes a pixel (the image itself takes one),
// where working out the zones with a list per pixel of each side took
// tens.
TEST(VecplanTool, PeakMemoryOfThinImagesStaysWithinAFewBytesAPixel)
{
    ToolDir tool;
    writeText(tool.dir.file("refset.db"), smallRefset());
    ScratchDir images;
    constexpr long long kPixels = 1 << 24;
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer adds its shadow and keeps freed blocks in quarantine
    // (the parts' labels, freed before the square is drawn, stay counted).
    constexpr long long kBytesAPixel = 20;
#else
    constexpr long long kBytesAPixel = 10;
#endif
    const long long baseline = runIn(images.path(), tool.exe, { "/no-existe.pbm" }).peakBytes;
    ASSERT_GT(baseline, 0);
    struct Shape {
        long long width, height;
    };
    for (const Shape s : { Shape { kPixels, 1 }, Shape { 1, kPixels }, Shape { 4096, 4096 } }) {
        const std::string path = images.file("negro.pbm");
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << "P4\n" << s.width << " " << s.height << "\n";
            const std::string row(static_cast<std::size_t>((s.width + 7) / 8), '\xff');
            for (long long y = 0; y < s.height; ++y)
                out << row;
        }
        const Outcome o = runIn(images.path(), tool.exe, { path });
        EXPECT_EQ(o.status, 0) << o.out;
        EXPECT_LT(o.peakBytes - baseline, kBytesAPixel * kPixels) << s.width << " x " << s.height;
        EXPECT_NE(
            readText(tool.dir.file("resvec.txt")).find("Carácter reconocido:"), std::string::npos)
            << s.width << " x " << s.height;
    }
}

// Two runs at a time, over and over, on two images with different results,
// while a reader keeps reading the result: every read is one of the two
// whole results, and so is the file at the end.
TEST(VecplanTool, ReaderNeverSeesAPartialResultWhileRunsOverlap)
{
    ToolDir tool;
    writeText(tool.dir.file("refset.db"), smallRefset());
    ScratchDir images;
    // Long paths make the results long, so a torn write would show.
    const std::string longName(200, 'x');
    const std::string t = images.file("T-" + longName + ".pbm");
    const std::string l = images.file("L-" + longName + ".pbm");
    writeText(t, vanto::formatPlainPbm(letterT()));
    writeText(l, vanto::formatPlainPbm(letterL()));
    const std::string resvec = tool.dir.file("resvec.txt");
    ASSERT_EQ(runIn(images.path(), tool.exe, { t }).status, 0);
    const std::string resultT = readText(resvec);
    ASSERT_EQ(runIn(images.path(), tool.exe, { l }).status, 0);
    const std::string resultL = readText(resvec);
    ASSERT_NE(resultT, resultL);

    std::atomic<bool> done { false };
    std::atomic<int> reads { 0 }, torn { 0 };
    std::string firstTorn;
    std::thread reader([&] {
        while (!done) {
            const std::string seen = readText(resvec);
            ++reads;
            if (seen != resultT && seen != resultL && torn++ == 0)
                firstTorn = seen;
        }
    });
    auto writer = [&](const std::string& image) {
        for (int i = 0; i < 40; ++i)
            runIn(images.path(), tool.exe, { image });
    };
    std::thread a(writer, t), b(writer, l);
    a.join();
    b.join();
    done = true;
    reader.join();

    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(torn.load(), 0) << "first partial read:\n" << firstTorn;
    const std::string last = readText(resvec);
    EXPECT_TRUE(last == resultT || last == resultL) << last;
    EXPECT_EQ(tool.dir.entries(),
        (std::vector<std::string> { "VECPLAN.EXE", "refset.db", "resvec.txt" }));
}

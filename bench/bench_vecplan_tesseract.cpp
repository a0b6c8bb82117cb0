// Whole VECPLAN.EXE processes, timed as a user starts them.
//
// BM_WholeRunAgainstTesseract: a whole VECPLAN.EXE run against a whole
// Tesseract run (tesseract <image> stdout --psm 10 -l spa) on the same
// 64-pixel character image, as a user starts either: a process that reads
// the image and its models and answers. The two run in turns, one call
// each, so that load that comes and goes on a shared machine falls on both
// alike. Counters: both medians in milliseconds and "ratio", VECPLAN.EXE's
// over Tesseract's, wall-clock; "ratio_of_fastest", the same for the
// fastest call of each; "cpu_ratio", the same for the median CPU time of
// the processes, which other load on the machine barely touches (a short
// process waits for a core longer, in proportion, than a long one).
// Without Tesseract installed the benchmark says so and is skipped.
#include <benchmark/benchmark.h>

#include "bench_images.hpp"
#include "pbm.hpp"
#include "refset.hpp"
#include "teaching.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A run of program with args, its output thrown away; true when it exited 0.
bool run(const std::vector<std::string>& args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) == -1) { }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// CPU time of every child reaped so far, in seconds.
double childrenCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// One kind of whole run, and the times of every call of it: wall-clock
// and the process's CPU time, in seconds.
struct Side {
    std::vector<std::string> args;
    std::vector<double> wall {}, cpu {};

    // Runs it once and keeps its times; true when it exited 0.
    bool timedRun()
    {
        const double cpuBefore = childrenCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = run(args);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        wall.push_back(took.count());
        cpu.push_back(childrenCpuSeconds() - cpuBefore);
        return ok;
    }
};

// A character image on white paper, 8 pixels of it on every side.
vanto::Bitmap onPaper(const vanto::Bitmap& glyph)
{
    vanto::Bitmap page;
    page.width = glyph.width + 16;
    page.height = glyph.height + 16;
    page.pixels.assign(static_cast<std::size_t>(page.width * page.height), 0);
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x)
            page.pixels[static_cast<std::size_t>((y + 8) * page.width + x + 8)]
                = glyph.black(x, y) ? 1 : 0;
    return page;
}

// A scratch folder holding a copy of VECPLAN.EXE (this build's, or the one
// named) and refset.db (so that the build tree's resvec.txt is left alone)
// and the image: the bench's ring with a bar, 64 pixels, with white paper
// around it.
struct Scratch {
    fs::path dir;
    std::string exe, image;

    explicit Scratch(const std::string& executable = VECPLAN_EXE)
    {
        std::string pattern = (fs::temp_directory_path() / "bench-vecplan-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        dir = pattern;
        exe = (dir / "VECPLAN.EXE").string();
        fs::copy_file(executable, exe);
        fs::copy_file(VECPLAN_REFSET_DB, dir / "refset.db");
        image = (dir / "letra.pbm").string();
        std::ofstream(image, std::ios::binary)
            << vanto::formatRawPbm(onPaper(glifora::bench::ringWithBar(64)));
    }
    ~Scratch()
    {
        std::error_code ignored;
        if (!dir.empty())
            fs::remove_all(dir, ignored);
    }
};

void BM_WholeRunAgainstTesseract(benchmark::State& state)
{
    if (!run({ "tesseract", "--version" })) {
        state.SkipWithError("Tesseract no está instalado (apt-get install tesseract-ocr "
                            "tesseract-ocr-spa): no hay con qué comparar");
        return;
    }
    Scratch scratch;
    Side ours { { scratch.exe, scratch.image } };
    Side theirs { { "tesseract", scratch.image, "stdout", "--psm", "10", "-l", "spa" } };
    for (auto _ : state) {
        if (!ours.timedRun() || !theirs.timedRun()) {
            state.SkipWithError("a run failed");
            return;
        }
        state.SetIterationTime(ours.wall.back() + theirs.wall.back());
    }
    state.counters["vecplan_ms"] = median(ours.wall) * 1e3;
    state.counters["tesseract_ms"] = median(theirs.wall) * 1e3;
    state.counters["ratio"] = median(ours.wall) / median(theirs.wall);
    state.counters["ratio_of_fastest"] = *std::min_element(ours.wall.begin(), ours.wall.end())
        / *std::min_element(theirs.wall.begin(), theirs.wall.end());
    state.counters["cpu_ratio"] = median(ours.cpu) / median(theirs.cpu);
}
BENCHMARK(BM_WholeRunAgainstTesseract)
    ->Iterations(31)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Character-like images that differ from one another: rings with a bar of
// sizes from 40 pixels up, with a few pixels flipped, on white paper.
vanto::Bitmap variedImage(int i)
{
    return onPaper(glifora::bench::ringWithBar(40 + i % 100, 40 + static_cast<unsigned>(i / 100)));
}

// BM_TeachThousandAgainstThousandRuns: one `VECPLAN.EXE --aprende 8` with
// 1000 images against 1000 recognition runs of the same images, one after
// the other in each iteration, refset.db put back as built before each
// teaching. Counters: both in seconds, and "ratio", teaching's over the
// runs' (the goal: at most 0.2).
void BM_TeachThousandAgainstThousandRuns(benchmark::State& state)
{
    constexpr int kImages = 1000;
    Scratch scratch;
    std::vector<std::string> teach { scratch.exe, "--aprende", "8" };
    for (int i = 0; i < kImages; ++i) {
        const std::string image = (scratch.dir / ("imagen-" + std::to_string(i) + ".pbm")).string();
        std::ofstream(image, std::ios::binary) << vanto::formatRawPbm(variedImage(i));
        teach.push_back(image);
    }
    std::vector<double> teaching, runs;
    for (auto _ : state) {
        fs::copy_file(
            VECPLAN_REFSET_DB, scratch.dir / "refset.db", fs::copy_options::overwrite_existing);
        auto start = std::chrono::steady_clock::now();
        if (!run(teach)) {
            state.SkipWithError("--aprende failed");
            return;
        }
        const std::chrono::duration<double> taught = std::chrono::steady_clock::now() - start;
        fs::copy_file(
            VECPLAN_REFSET_DB, scratch.dir / "refset.db", fs::copy_options::overwrite_existing);
        start = std::chrono::steady_clock::now();
        for (int i = 0; i < kImages; ++i) {
            if (!run({ scratch.exe, teach[static_cast<std::size_t>(3 + i)] })) {
                state.SkipWithError("a recognition run failed");
                return;
            }
        }
        const std::chrono::duration<double> recognised = std::chrono::steady_clock::now() - start;
        teaching.push_back(taught.count());
        runs.push_back(recognised.count());
        state.SetIterationTime(taught.count() + recognised.count());
    }
    state.counters["teach_s"] = median(teaching);
    state.counters["runs_s"] = median(runs);
    state.counters["ratio"] = median(teaching) / median(runs);
}
BENCHMARK(BM_TeachThousandAgainstThousandRuns)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// An earlier build's VECPLAN.EXE (--vecplan_before=<path>), kept aside to
// compare this build's runs with; empty without one.
std::string vecplanBefore;

// BM_RunWith5000Taught: whole runs on the same image, one of each in turn:
// this build's VECPLAN.EXE with refset.db holding 5000 taught references
// after the built-in ones, the same with the built-in ones only, Tesseract
// (as BM_WholeRunAgainstTesseract starts it), and, when the bench is given
// --vecplan_before=<VECPLAN.EXE>, that earlier executable with the built-in
// ones only (the whole run as it was before a change). Counters, medians of
// the wall-clock times: each in milliseconds (taught_ms, builtin_ms,
// tesseract_ms, before_ms), the file's size, and the taught run's ratios
// to the others: "ratio" to the built-in run of the same executable,
// "tesseract_ratio" (the goal: at most 0.1) and "before_ratio" (the goal:
// at most 1.5); the cpu_ ratios are the same for the processes' CPU time.
// Without Tesseract its counters are left out. Most of a run's wall-clock
// time may go to making resvec.txt durable (fsync), the same for every
// VECPLAN.EXE run, so the wall-clock and CPU ratios bracket what a faster
// or a slower disk would show.
void BM_RunWith5000Taught(benchmark::State& state)
{
    constexpr int kTaught = 5000;
    Scratch builtIn, taught;
    std::vector<vanto::vecplan::Reference> references;
    const std::string when = vanto::vecplan::teachingTime(0);
    for (int i = 0; i < kTaught; ++i) {
        const auto measured = vanto::vecplan::measureImage(variedImage(i));
        references.push_back(vanto::vecplan::taughtReference(std::to_string(i % 10),
            "/home/usuario/ejemplos/imagen " + std::to_string(i) + ".pbm", measured.features,
            when));
    }
    std::string error;
    const auto text = vanto::vecplan::readRefsetText(VECPLAN_REFSET_DB, error);
    if (!text) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string withTaught = *text + vanto::vecplan::formatTaughtPart(references);
    std::ofstream(taught.dir / "refset.db", std::ios::binary | std::ios::trunc) << withTaught;

    std::vector<Side> sides { { { taught.exe, taught.image } },
        { { builtIn.exe, builtIn.image } } };
    const bool tesseract = run({ "tesseract", "--version" });
    if (tesseract)
        sides.push_back({ { "tesseract", taught.image, "stdout", "--psm", "10", "-l", "spa" } });
    std::optional<Scratch> before;
    if (!vecplanBefore.empty()) {
        before.emplace(vecplanBefore);
        sides.push_back({ { before->exe, before->image } });
    }
    for (auto _ : state) {
        double took = 0;
        for (Side& side : sides) {
            if (!side.timedRun()) {
                state.SkipWithError(("a run failed: " + side.args.front()).c_str());
                return;
            }
            took += side.wall.back();
        }
        state.SetIterationTime(took);
    }
    const double taughtWall = median(sides[0].wall), taughtCpu = median(sides[0].cpu);
    state.counters["taught_ms"] = taughtWall * 1e3;
    state.counters["builtin_ms"] = median(sides[1].wall) * 1e3;
    state.counters["refset_bytes"] = static_cast<double>(withTaught.size());
    state.counters["ratio"] = taughtWall / median(sides[1].wall);
    state.counters["cpu_ratio"] = taughtCpu / median(sides[1].cpu);
    std::size_t next = 2;
    if (tesseract) {
        state.counters["tesseract_ms"] = median(sides[next].wall) * 1e3;
        state.counters["tesseract_ratio"] = taughtWall / median(sides[next].wall);
        state.counters["cpu_tesseract_ratio"] = taughtCpu / median(sides[next].cpu);
        ++next;
    }
    if (before) {
        state.counters["before_ms"] = median(sides[next].wall) * 1e3;
        state.counters["before_ratio"] = taughtWall / median(sides[next].wall);
        state.counters["cpu_before_ratio"] = taughtCpu / median(sides[next].cpu);
    }
}
BENCHMARK(BM_RunWith5000Taught)->Iterations(61)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Our one option is taken out before Google Benchmark reads the rest.
    constexpr std::string_view kBefore = "--vecplan_before=";
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i > 0 && arg.starts_with(kBefore))
            vecplanBefore = arg.substr(kBefore.size());
        else
            rest.push_back(argv[i]);
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

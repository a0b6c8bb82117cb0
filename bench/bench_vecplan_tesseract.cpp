// A whole VECPLAN.EXE run against a whole Tesseract run (tesseract <image>
// stdout --psm 10 -l spa) on the same 64-pixel character image, as a user
// starts either: a process that reads the image and its models and
// answers. The two run in turns, one call each, so that load that comes
// and goes on a shared machine falls on both alike. Counters: both medians
// in milliseconds and "ratio", VECPLAN.EXE's over Tesseract's, wall-clock;
// "ratio_of_fastest", the same for the fastest call of each; "cpu_ratio",
// the same for the median CPU time of the processes, which other load on
// the machine barely touches (a short process waits for a core longer, in
// proportion, than a long one). Without Tesseract installed the benchmark
// says so and is skipped.
#include <benchmark/benchmark.h>

#include "bench_images.hpp"
#include "pbm.hpp"

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
#include <string>
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

// A scratch folder holding a copy of VECPLAN.EXE and refset.db (so that the
// build tree's resvec.txt is left alone) and the image: the bench's ring
// with a bar, 64 pixels, with white paper around it.
struct Scratch {
    fs::path dir;
    std::string exe, image;

    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "bench-vecplan-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        dir = pattern;
        exe = (dir / "VECPLAN.EXE").string();
        fs::copy_file(VECPLAN_EXE, exe);
        fs::copy_file(VECPLAN_REFSET_DB, dir / "refset.db");
        vanto::Bitmap glyph = glifora::bench::ringWithBar(64);
        vanto::Bitmap page;
        page.width = glyph.width + 16;
        page.height = glyph.height + 16;
        page.pixels.assign(static_cast<std::size_t>(page.width * page.height), 0);
        for (int y = 0; y < glyph.height; ++y)
            for (int x = 0; x < glyph.width; ++x)
                page.pixels[static_cast<std::size_t>((y + 8) * page.width + x + 8)]
                    = glyph.black(x, y) ? 1 : 0;
        image = (dir / "letra.pbm").string();
        std::ofstream(image, std::ios::binary) << vanto::formatRawPbm(page);
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
    const std::vector<std::string> ours { scratch.exe, scratch.image };
    const std::vector<std::string> theirs { "tesseract", scratch.image, "stdout", "--psm", "10",
        "-l", "spa" };
    std::vector<double> sides[2], cpu[2];
    const auto timed = [&](const std::vector<std::string>& args, int side) {
        const double cpuBefore = childrenCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = run(args);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        sides[side].push_back(took.count());
        cpu[side].push_back(childrenCpuSeconds() - cpuBefore);
        return ok;
    };
    for (auto _ : state) {
        if (!timed(ours, 0) || !timed(theirs, 1)) {
            state.SkipWithError("a run failed");
            return;
        }
        state.SetIterationTime(sides[0].back() + sides[1].back());
    }
    state.counters["vecplan_ms"] = median(sides[0]) * 1e3;
    state.counters["tesseract_ms"] = median(sides[1]) * 1e3;
    state.counters["ratio"] = median(sides[0]) / median(sides[1]);
    state.counters["ratio_of_fastest"] = *std::min_element(sides[0].begin(), sides[0].end())
        / *std::min_element(sides[1].begin(), sides[1].end());
    state.counters["cpu_ratio"] = median(cpu[0]) / median(cpu[1]);
}
BENCHMARK(BM_WholeRunAgainstTesseract)
    ->Iterations(31)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// A whole VECPLAN.EXE run against a whole Tesseract run (tesseract <image>
// stdout --psm 10 -l spa) on the same 64-pixel character image, as a user
// starts either: a process that reads the image and its models and
// answers; and a whole VECPLAN.EXE run with 5000 taught references in its
// reference set against one with the built-in set alone. The two run in turns, one call each, so
// that load that comes and goes on a shared machine falls on both alike. Counters: both medians in
// milliseconds and "ratio", VECPLAN.EXE's over Tesseract's, wall-clock; "ratio_of_fastest", the
// same for the fastest call of each; "cpu_ratio", the same for the median CPU time of the
// processes, which other load on the machine barely touches (a short process waits for a core
// longer, in proportion, than a long one). Without Tesseract installed the benchmark says so and is
// skipped.
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
#include <iterator>
#include <random>
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

// The built-in reference set with `count` more references of the digits
// after it, as a user who taught that many would have: copies of the
// built-in digits' lines, each value moved a little (seeded).
std::string withTaught(const std::string& builtIn, int count)
{
    std::vector<std::string> digits;
    std::size_t start = 0;
    while (start < builtIn.size()) {
        const std::size_t end = builtIn.find('\n', start);
        const std::string line = builtIn.substr(start, end - start);
        if (!line.empty() && line[0] >= '0' && line[0] <= '9' && line[1] == ' ')
            digits.push_back(line);
        start = end == std::string::npos ? builtIn.size() : end + 1;
    }
    std::string text = builtIn;
    std::mt19937 random(5000);
    for (int n = 0; n < count && !digits.empty(); ++n) {
        const std::string& line = digits[static_cast<std::size_t>(n) % digits.size()];
        std::string values;
        std::size_t at = line.find(' ', 2); // after the label and the origin
        for (std::size_t next; at != std::string::npos; at = next) {
            next = line.find(' ', at + 1);
            const int v = std::stoi(line.substr(at + 1, next - at - 1));
            values += " " + std::to_string(std::max(0, v + static_cast<int>(random() % 7) - 3));
        }
        text += line.substr(0, 1) + " ensenada/" + std::to_string(n) + values + "\n";
    }
    return text;
}

// A scratch folder holding a copy of VECPLAN.EXE and refset.db (so that the
// build tree's resvec.txt is left alone) and the image: the bench's ring
// with a bar, 64 pixels, with white paper around it; and a second folder
// with VECPLAN.EXE and the reference set with 5000 taught references.
struct Scratch {
    fs::path dir;
    std::string exe, image, taughtExe;

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
        fs::create_directory(dir / "con-ensenadas");
        taughtExe = (dir / "con-ensenadas" / "VECPLAN.EXE").string();
        fs::copy_file(VECPLAN_EXE, taughtExe);
        std::ifstream in(VECPLAN_REFSET_DB, std::ios::binary);
        const std::string builtIn((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(dir / "con-ensenadas" / "refset.db", std::ios::binary)
            << withTaught(builtIn, 5000);
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
    const std::vector<std::string> oursTaught { scratch.taughtExe, scratch.image };
    const std::vector<std::string> theirs { "tesseract", scratch.image, "stdout", "--psm", "10",
        "-l", "spa" };
    std::vector<double> sides[3], cpu[3];
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
        if (!timed(ours, 0) || !timed(theirs, 1) || !timed(oursTaught, 2)) {
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
    // The same with 5000 taught references in VECPLAN.EXE's reference set.
    state.counters["taught_ratio"] = median(sides[2]) / median(sides[1]);
    state.counters["taught_cpu_ratio"] = median(cpu[2]) / median(cpu[1]);
}
// The two VECPLAN.EXE runs in turns: "ratio" is the run with 5000 taught
// references over the run with the built-in set alone, medians of the
// wall-clock time; "cpu_ratio" the same for the CPU time.
void BM_WholeRunWith5000TaughtReferences(benchmark::State& state)
{
    Scratch scratch;
    const std::vector<std::string> plain { scratch.exe, scratch.image };
    const std::vector<std::string> taught { scratch.taughtExe, scratch.image };
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
        if (!timed(plain, 0) || !timed(taught, 1)) {
            state.SkipWithError("a run failed");
            return;
        }
        state.SetIterationTime(sides[0].back() + sides[1].back());
    }
    state.counters["builtin_ms"] = median(sides[0]) * 1e3;
    state.counters["taught_ms"] = median(sides[1]) * 1e3;
    state.counters["ratio"] = median(sides[1]) / median(sides[0]);
    state.counters["cpu_ratio"] = median(cpu[1]) / median(cpu[0]);
}
BENCHMARK(BM_WholeRunWith5000TaughtReferences)
    ->Iterations(41)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_WholeRunAgainstTesseract)
    ->Iterations(31)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The captured runner against what the system offers without it:
//  - draining: a child writing 1 GiB, through ejecuta, against the same child
//    piped by /bin/sh into `cat > /dev/null`;
//  - overhead: ejecuta on a child that exits at once, against a bare
//    posix_spawn + waitpid of the same child;
//  - the observer: ejecuta with an observer against the plain ejecuta on a
//    child that exits at once, and draining 1 GiB with an observer against
//    the shell pipeline;
//  - memory: the process's peak RSS after 10 MiB and after 1 GiB of output.
// Each comparison reports both medians and their ratio ("ratio": ours over
// the reference). Child processes do the work, so every time is wall-clock.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "ejecuta.hpp"

extern char** environ;

namespace {

using glifora::runner::ejecuta;
using glifora::runner::quoteArgument;

const std::string kChildTool = GLIFORA_BENCH_CHILD_TOOL;
constexpr long long kMiB = 1024 * 1024;

std::string writerLine(long long bytes)
{
    return quoteArgument(kChildTool) + " repeat " + std::to_string(bytes);
}

// posix_spawn + waitpid, nothing else: the reference for both comparisons.
bool spawnAndWait(const char* path, char* const argv[])
{
    pid_t pid = 0;
    if (posix_spawn(&pid, path, nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) == -1) { }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long maxRssKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void checkSize(benchmark::State& state, const std::string& result)
{
    if (result.size() != glifora::runner::kCaptureCapacity)
        state.SkipWithError(("unexpected result: " + result.substr(0, 80)).c_str());
}

// Peak memory: registered first so that the 10 MiB figure is taken before
// anything large has run; ru_maxrss only grows, so an equal figure after
// 1 GiB means the larger output raised no peak.
void BM_PeakMemory(benchmark::State& state)
{
    const std::string line = writerLine(state.range(0) * kMiB);
    for (auto _ : state)
        checkSize(state, ejecuta(line));
    state.counters["maxrss_KiB"] = static_cast<double>(maxRssKiB());
}
BENCHMARK(BM_PeakMemory)
    ->Arg(10)
    ->Arg(1024)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// CPU time used so far by this process and by every child it has reaped
// (with theirs), in seconds.
double cpuSeconds()
{
    double total = 0;
    for (const int who : { RUSAGE_SELF, RUSAGE_CHILDREN }) {
        rusage usage {};
        getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double fastest(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

// Both sides of a comparison run in turns, one call each, and each side's
// median is kept: on a machine shared with other work, load that comes and
// goes then falls on both sides alike instead of on whichever ran at the
// time. Counters: both medians and "ratio", ours over the reference, in
// wall-clock time; "ratio_of_fastest", the same for the fastest call of
// each side (noise only ever adds time); "cpu_ratio", the median CPU time of
// all processes involved, which load on other cores barely touches.
template <typename Ours, typename Reference>
void comparePaired(benchmark::State& state, Ours ours, Reference reference)
{
    struct Side {
        std::vector<double> wall, cpu;
    } sides[2];
    const auto timed = [](auto&& call, Side& side) {
        const double cpuBefore = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = call();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        side.wall.push_back(took.count());
        side.cpu.push_back(cpuSeconds() - cpuBefore);
        return ok;
    };
    for (auto _ : state) {
        if (!timed(ours, sides[0]) || !timed(reference, sides[1])) {
            state.SkipWithError("a child failed");
            return;
        }
        state.SetIterationTime(sides[0].wall.back() + sides[1].wall.back());
    }
    state.counters["ours_ms"] = median(sides[0].wall) * 1e3;
    state.counters["reference_ms"] = median(sides[1].wall) * 1e3;
    state.counters["ratio"] = median(sides[0].wall) / median(sides[1].wall);
    state.counters["ratio_of_fastest"] = fastest(sides[0].wall) / fastest(sides[1].wall);
    state.counters["cpu_ratio"] = median(sides[0].cpu) / median(sides[1].cpu);
}

// The 1 GiB writer piped by /bin/sh into `cat > /dev/null`, its path in
// single quotes for the shell.
class ShellPipeline {
public:
    ShellPipeline()
    {
        script = "'";
        for (const char c : kChildTool)
            script += c == '\'' ? std::string("'\\''") : std::string(1, c);
        script += "' repeat " + std::to_string(1024 * kMiB) + " | cat > /dev/null";
    }
    bool operator()()
    {
        char sh[] = "/bin/sh";
        char dashC[] = "-c";
        char* const argv[] = { sh, dashC, script.data(), nullptr };
        return spawnAndWait(sh, argv);
    }

private:
    std::string script;
};

// An observer as cheap as one can be: it only counts its calls.
struct CountingObserver {
    long long calls = 0;
    glifora::runner::WaitAnswer operator()(std::chrono::milliseconds)
    {
        ++calls;
        return glifora::runner::WaitAnswer::Continue;
    }
};

// ejecuta with counter as its observer. Nothing asks to stop, so there is
// always a result.
std::string observed(const std::string& line, CountingObserver& counter)
{
    return ejecuta(line, glifora::runner::builtInDriveRoot(), std::ref(counter)).value();
}

void BM_Drain1GiB(benchmark::State& state)
{
    const std::string line = writerLine(1024 * kMiB);
    comparePaired(
        state, [&] { return ejecuta(line).size() == glifora::runner::kCaptureCapacity; },
        ShellPipeline());
}
BENCHMARK(BM_Drain1GiB)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Drain1GiBObserved(benchmark::State& state)
{
    const std::string line = writerLine(1024 * kMiB);
    CountingObserver counter;
    comparePaired(
        state, [&] { return observed(line, counter).size() == glifora::runner::kCaptureCapacity; },
        ShellPipeline());
    state.counters["observer_calls"] = static_cast<double>(counter.calls);
}
BENCHMARK(BM_Drain1GiBObserved)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartOverhead(benchmark::State& state)
{
    const std::string line = quoteArgument(kChildTool) + " silent";
    std::string path = kChildTool;
    char silent[] = "silent";
    char* const argv[] = { path.data(), silent, nullptr };

    comparePaired(
        state, [&] { return ejecuta(line).empty(); },
        [&] { return spawnAndWait(path.c_str(), argv); });
}
BENCHMARK(BM_StartOverhead)->Iterations(1001)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ObserverOverhead(benchmark::State& state)
{
    const std::string line = quoteArgument(kChildTool) + " silent";
    CountingObserver counter;
    comparePaired(
        state, [&] { return observed(line, counter).empty(); },
        [&] { return ejecuta(line).empty(); });
}
BENCHMARK(BM_ObserverOverhead)->Iterations(1001)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

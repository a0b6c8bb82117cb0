// The main window's costs against bare Qt doing the same work:
//   BM_OpenImage / BM_BareSetPlainText: opening a 20 MiB plain PBM through
//     "Abrir" until its text is in the view, against setPlainText of the same
//     bytes on a bare QPlainTextEdit;
//   BM_StartForm1 / BM_StartBareMainWindow: creating and showing the main
//     window until it is exposed, against a bare QMainWindow;
//   --peak-open FILE (run by BM_OpenImagePeakMemory in a process of its own):
//     the peak memory that opening FILE adds, reported as a multiple of the
//     file's size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QAction>

#include <cstdio>
#include <memory>
#include <random>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_chooser.hpp"
#include "form1.hpp"

extern char** environ;

namespace {

constexpr qint64 kImageBytes = 20ll * 1024 * 1024;

class FixedChooser : public glifora::FileChooser {
public:
    explicit FixedChooser(QString path) : path(std::move(path)) {}
    void setFilter(const QString&) override {}
    bool showOpen(QWidget*) override { return true; }
    QString fileName() const override { return path; }

private:
    QString path;
};

// A plain PBM of about kImageBytes: 70 pixels a line, as netpbm writes them.
QByteArray plainPbm()
{
    const int width = 2000;
    const int height = static_cast<int>(kImageBytes / (2 * width));
    QByteArray bytes = QByteArray("P1\n") + QByteArray::number(width) + ' ' +
                       QByteArray::number(height) + '\n';
    bytes.reserve(kImageBytes + 4096);
    std::mt19937 random(7);
    int column = 0;
    for (qint64 i = 0; i < static_cast<qint64>(width) * height; ++i) {
        bytes += (random() & 1) ? '1' : '0';
        bytes += ++column == 35 ? '\n' : ' ';
        if (column == 35)
            column = 0;
    }
    return bytes;
}

struct Fixture {
    QTemporaryDir dir;
    QString image;
    std::string driveRoot;

    Fixture()
    {
        image = dir.path() + "/big.pbm";
        QFile file(image);
        file.open(QIODevice::WriteOnly);
        file.write(plainPbm());
        // A vector-template tool that ends at once, so that opening does
        // all its work and shows no warning.
        QDir(dir.path()).mkpath("VANTO");
        QFile::link("/bin/true", dir.path() + "/VANTO/VECPLAN.EXE");
        driveRoot = dir.path().toStdString();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_OpenImage(benchmark::State& state)
{
    Fixture& f = fixture();
    glifora::Form1 window(f.driveRoot, std::make_unique<FixedChooser>(f.image));
    QAction* open = window.findChild<QAction*>("open");
    for (auto _ : state) {
        open->trigger();
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(f.image).size());
}

void BM_BareSetPlainText(benchmark::State& state)
{
    Fixture& f = fixture();
    QPlainTextEdit view;
    for (auto _ : state) {
        QFile file(f.image);
        file.open(QIODevice::ReadOnly);
        view.setPlainText(QString::fromUtf8(file.readAll()));
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(f.image).size());
}

void BM_StartForm1(benchmark::State& state)
{
    for (auto _ : state) {
        glifora::Form1 window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            state.SkipWithError("window not exposed");
    }
}

void BM_StartBareMainWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            state.SkipWithError("window not exposed");
    }
}

long maxRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs this program with --peak-open in a fresh process and reads back the
// multiple of the file size that opening added to its peak memory.
void BM_OpenImagePeakMemory(benchmark::State& state)
{
    Fixture& f = fixture();
    double ratio = 0;
    for (auto _ : state) {
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        self[n > 0 ? n : 0] = '\0';
        const std::string image = f.image.toStdString();
        const std::string root = f.driveRoot;
        int fds[2];
        if (pipe(fds) != 0)
            state.SkipWithError("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        char* argv[] = {self, const_cast<char*>("--peak-open"), const_cast<char*>(image.c_str()),
                        const_cast<char*>(root.c_str()), nullptr};
        pid_t pid = 0;
        posix_spawn(&pid, self, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char buffer[64] = {};
        const ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
        close(fds[0]);
        waitpid(pid, nullptr, 0);
        ratio = got > 0 ? std::atof(buffer) : -1;
    }
    state.counters["peak_over_file_size"] = ratio;
}

int peakOpen(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString image = QString::fromLocal8Bit(argv[2]);
    glifora::Form1 window(argv[3], std::make_unique<FixedChooser>(image));
    const long before = maxRssKiB();
    window.findChild<QAction*>("open")->trigger();
    QCoreApplication::processEvents();
    const double added = static_cast<double>(maxRssKiB() - before) * 1024.0;
    std::printf("%.2f\n", added / static_cast<double>(QFileInfo(image).size()));
    return 0;
}

}  // namespace

BENCHMARK(BM_OpenImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareSetPlainText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_StartForm1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartBareMainWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenImagePeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4 && std::string_view(argv[1]) == "--peak-open")
        return peakOpen(argc, argv);

    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

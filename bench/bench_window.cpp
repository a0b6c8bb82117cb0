// The main window's costs against bare Qt doing the same work:
//   BM_OpenImage/0 and /1: opening through "Abrir" until the image's view
//     has painted its first screen, for a 20 MiB plain PBM and for an 8 MB
//     raw PBM (a white raster: one line of 8 million NULs);
//   BM_BareSetPlainText/0 and /1: the baseline, setPlainText of a plain PBM
//     of the same size (20 MiB, 8 MB) on a bare QPlainTextEdit;
//   BM_PaintScreen/0, /1, /2: painting one screen of the image's view after
//     Ctrl+End in the 20 MiB plain PBM and at the end of the 8 MB raw one,
//     against one full screen of a 1 KiB plain PBM;
//   BM_StartForm1 / BM_StartBareMainWindow / BM_StartBareSameWidgets: a new
//     process until its main window is exposed, against the same for a bare
//     QMainWindow and for a QMainWindow holding the same plain Qt widgets;
//   BM_OpenImagePeakMemory/0 and /1: the peak memory that opening the 20 MiB
//     plain and the 8 MB raw image adds, in a process of its own, as a
//     multiple of the file's size.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_chooser.hpp"
#include "form1.hpp"
#include "spanish.hpp"
#include "text_file.hpp"
#include "text_view.hpp"

extern char** environ;

namespace {

constexpr qint64 kPlainBytes = 20ll * 1024 * 1024;
constexpr qint64 kRawBytes = 8'000'000;

class FixedChooser : public glifora::FileChooser {
public:
    explicit FixedChooser(QString path)
        : path(std::move(path))
    {
    }
    void setFilter(const QString&) override { }
    bool showOpen(QWidget*) override { return true; }
    QString fileName() const override { return path; }

private:
    QString path;
};

// A plain PBM of about the given size, as netpbm writes it: 35 pixels a
// line (70 characters), or as many as given.
QByteArray plainPbm(qint64 size, int pixelsPerLine = 35)
{
    const int width = size > 4096 ? 2000 : 16;
    const int height = static_cast<int>(size / (2 * width));
    QByteArray bytes
        = QByteArray("P1\n") + QByteArray::number(width) + ' ' + QByteArray::number(height) + '\n';
    bytes.reserve(size + 4096);
    std::mt19937 random(7);
    int column = 0;
    for (qint64 i = 0; i < static_cast<qint64>(width) * height; ++i) {
        bytes += (random() & 1) ? '1' : '0';
        bytes += ++column == pixelsPerLine ? '\n' : ' ';
        if (column == pixelsPerLine)
            column = 0;
    }
    return bytes;
}

// A white raw PBM of kRawBytes of raster: no line break after its header.
QByteArray rawPbm()
{
    return QByteArray("P4\n8000 8000\n") + QByteArray(kRawBytes, '\0');
}

struct Fixture {
    QTemporaryDir dir;
    QString plain; // 20 MiB plain
    QString plain8; // 8 MB plain, the raw image's baseline
    QString raw; // 8 MB raw
    QString small; // 1 KiB plain
    std::string driveRoot;

    Fixture()
    {
        plain = write("big.pbm", plainPbm(kPlainBytes));
        plain8 = write("plain8.pbm", plainPbm(kRawBytes));
        raw = write("raw8.pbm", rawPbm());
        // Lines of 18 pixels, so that 1 KiB fills the view's screen as the
        // big file does (29 lines, every column in sight drawn).
        small = write("small.pbm", plainPbm(1024, 18));
        // A vector-template tool that ends at once, so that opening does
        // all its work and shows no warning.
        QDir(dir.path()).mkpath("VANTO");
        QFile::link("/bin/true", dir.path() + "/VANTO/VECPLAN.EXE");
        driveRoot = dir.path().toStdString();
    }

    QString write(const char* name, const QByteArray& bytes) const
    {
        const QString path = dir.path() + '/' + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    // Argument 0: the 20 MiB plain PBM; 1: the 8 MB raw (or its plain peer).
    QString image(int which) const { return which == 0 ? plain : raw; }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// Notes the paint events a widget gets.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* watched) { watched->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

// Runs the event loop until watch has seen a paint (bounded).
bool waitForPaint(const PaintWatch& watch)
{
    QElapsedTimer waited;
    waited.start();
    while (!watch.painted && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return watch.painted;
}

void BM_OpenImage(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString image = f.image(static_cast<int>(state.range(0)));
    glifora::Form1 window(f.driveRoot, std::make_unique<FixedChooser>(image));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("the window was not shown");
    QAction* open = window.findChild<QAction*>("open");
    PaintWatch watch(window.findChild<glifora::TextView*>("RichTextBox1")->viewport());
    for (auto _ : state) {
        watch.painted = false;
        open->trigger();
        if (!waitForPaint(watch))
            state.SkipWithError("the view did not paint");
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(image).size());
}

void BM_BareSetPlainText(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString image = state.range(0) == 0 ? f.plain : f.plain8;
    QPlainTextEdit view;
    for (auto _ : state) {
        QFile file(image);
        file.open(QIODevice::ReadOnly);
        view.setPlainText(QString::fromUtf8(file.readAll()));
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(image).size());
}

// One screen of the image's view painted, the text scrolled to its end.
void BM_PaintScreen(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString image = state.range(0) == 0 ? f.plain : state.range(0) == 1 ? f.raw : f.small;
    glifora::TextView view(QStringLiteral("Imagen"), QPalette::Button);
    view.resize(297, 481);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        state.SkipWithError("the view was not shown");
    view.setPlainText(glifora::readTextFile(image).text);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::processEvents();
    for (auto _ : state)
        view.viewport()->repaint();
}

// Runs this program again with the given mode arguments and returns what it
// wrote to its standard output once it has ended.
struct SelfRun {
    pid_t pid = -1;
    int output = -1;
};

SelfRun spawnSelf(std::vector<std::string> arguments)
{
    static const std::string self = [] {
        char path[4096];
        const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    }();
    arguments.insert(arguments.begin(), self);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    SelfRun run;
    if (posix_spawn(&run.pid, self.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        run.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    run.output = fds[0];
    return run;
}

std::string finish(const SelfRun& run)
{
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = read(run.output, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    close(run.output);
    if (run.pid > 0)
        waitpid(run.pid, nullptr, 0);
    return text;
}

// Start-up in a process of its own, from the start of the process until its
// window is exposed: the program's main window against a bare QMainWindow.
void startUp(benchmark::State& state, const char* which)
{
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const SelfRun run = spawnSelf({ "--start", which });
        char shown = 0;
        if (read(run.output, &shown, 1) != 1)
            state.SkipWithError("the window was not shown");
        const auto elapsed = std::chrono::steady_clock::now() - started;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        finish(run);
    }
}

void BM_StartForm1(benchmark::State& state)
{
    startUp(state, "form1");
}

void BM_StartBareMainWindow(benchmark::State& state)
{
    startUp(state, "bare");
}

void BM_StartBareSameWidgets(benchmark::State& state)
{
    startUp(state, "widgets");
}

// The same kinds and number of plain Qt widgets as the main window, with
// no code of ours: what any window with this content costs.
std::unique_ptr<QMainWindow> bareWindowWithSameWidgets()
{
    auto window = std::make_unique<QMainWindow>();
    auto* client = new QWidget(window.get());
    client->setFixedSize(792, 554);
    window->setCentralWidget(client);
    for (int i = 0; i < 5; ++i)
        (new QPushButton(QStringLiteral("Contorno del Caracter"), client))
            ->setGeometry(336, 88 + 72 * i, 97, 41);
    for (int i = 0; i < 2; ++i) {
        auto* frame = new QGroupBox(QStringLiteral("Imagenes"), client);
        frame->setGeometry(8 + 440 * i, 16, 313, 505);
        auto* view = new QPlainTextEdit(frame);
        view->setGeometry(8, 16, 297, 481);
        view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    for (const char* title : { "&Archivo", "&Metodos" }) {
        QMenu* menu = window->menuBar()->addMenu(QString::fromLatin1(title));
        for (int i = 0; i < 3; ++i)
            menu->addAction(QStringLiteral("&Elemento"), QKeySequence(Qt::CTRL | Qt::Key_A));
    }
    return window;
}

int startMode(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window;
    if (std::string_view(argv[2]) == "form1") {
        glifora::installSpanishTranslation(app);
        window = std::make_unique<glifora::Form1>();
    } else if (std::string_view(argv[2]) == "widgets") {
        glifora::installSpanishTranslation(app);
        window = bareWindowWithSameWidgets();
    } else {
        window = std::make_unique<QMainWindow>();
    }
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return 1;
    return write(1, "x", 1) == 1 ? 0 : 1;
}

// Peak memory of this process, from /proc: unlike getrusage()'s, it starts
// afresh at exec.
long peakKiB()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Opening the image in a process of its own, so that nothing else has
// raised the peak before: how many times the file's size opening added.
void BM_OpenImagePeakMemory(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString image = f.image(static_cast<int>(state.range(0)));
    double ratio = 0;
    for (auto _ : state) {
        const std::string text
            = finish(spawnSelf({ "--peak-open", image.toStdString(), f.driveRoot }));
        ratio = text.empty() ? -1 : std::atof(text.c_str());
    }
    state.counters["peak_over_file_size"] = ratio;
}

int peakOpen(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString image = QString::fromLocal8Bit(argv[2]);
    glifora::Form1 window(argv[3], std::make_unique<FixedChooser>(image));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    PaintWatch watch(window.findChild<glifora::TextView*>("RichTextBox1")->viewport());
    QCoreApplication::processEvents();
    const long before = peakKiB();
    watch.painted = false;
    window.findChild<QAction*>("open")->trigger();
    if (!waitForPaint(watch))
        return 1;
    const double added = static_cast<double>(peakKiB() - before) * 1024.0;
    std::printf("%.2f\n", added / static_cast<double>(QFileInfo(image).size()));
    return 0;
}

} // namespace

BENCHMARK(BM_OpenImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareSetPlainText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PaintScreen)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_StartForm1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartBareMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_StartBareSameWidgets)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_OpenImagePeakMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4 && std::string_view(argv[1]) == "--peak-open")
        return peakOpen(argc, argv);
    if (argc == 3 && std::string_view(argv[1]) == "--start")
        return startMode(argc, argv);

    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// A captured tool that never ends: the windows stay alive, no other
// command starts, and "Cancelar" or Esc stops the tool.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QSpontaneKeyEvent>
#include <QTimer>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>

#include "form1_fixture.hpp"
#include "form2.hpp"
#include "waiting_window.hpp"
#include "watchdog.hpp"

using namespace glifora;
using test::catchMessageBox;
using test::SeenBox;

namespace {

// The descriptors of the kinds the runner opens: pipes, pidfds, /dev/null.
int runnerDescriptors()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (const dirent* entry = readdir(dir)) {
        char target[256] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        if (readlink(link.c_str(), target, sizeof target - 1) <= 0)
            continue;
        const std::string kind = target;
        count += kind.rfind("pipe:", 0) == 0 || kind == "anon_inode:[pidfd]" || kind == "/dev/null";
    }
    closedir(dir);
    return count;
}

bool isGone(qint64 pid)
{
    // A zombie, ended but not reaped, would still take the signal.
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
}

QStringList texts(const WaitingWindow* window)
{
    QStringList shown;
    for (const QLabel* label : window->findChildren<QLabel*>())
        shown << label->text();
    return shown;
}

class WaitTest : public test::Form1Test {
protected:
    WaitTest()
    {
        drive.installHangingTool("TRAZOC.EXE");
        const QByteArray convex("deficiencias");
        drive.installTool("CONVEXD.EXE", &convex);
    }

    QString right() const { return view("RichTextBox2")->toPlainText(); }

    // Runs the contour tool, which never ends, from its button. While it
    // runs, step is called every 10 ms with the waiting window (null until
    // it shows) until it returns true, having stopped the tool. Returns the
    // message box that the click showed, if any.
    SeenBox runContour(const std::function<bool(WaitingWindow*)>& step)
    {
        bool finished = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!finished && waitingForTool())
                finished = step(qobject_cast<WaitingWindow*>(QApplication::activeModalWidget()));
        });
        poll.start();
        const test::Watchdog watchdog(drive.vanto("TRAZOC.EXE.pid").toStdString());
        const SeenBox box
            = catchMessageBox([&] { QTest::mouseClick(button("Command2"), Qt::LeftButton); });
        EXPECT_TRUE(finished) << "the wait ended before the test could stop it";
        EXPECT_FALSE(watchdog.hasFired()) << "nothing in the program stopped the tool";
        return box;
    }

    static void pressCancelar(WaitingWindow* window)
    {
        QTest::mouseClick(window->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    }

    // What the window system does when the user presses a window's close box.
    static void pressCloseBox(QWidget* window)
    {
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        QApplication::sendEvent(window->windowHandle(), &close);
    }
};

// How the user ends the wait, and what the tool does meanwhile.
struct CancelCase {
    const char* name;
    bool byEsc;
    // The tool prints, closes its output and works on, rather than waiting
    // without a word.
    bool closesItsOutput;
};

void PrintTo(const CancelCase& c, std::ostream* out)
{
    *out << c.name;
}

class WaitCancelTest : public WaitTest, public testing::WithParamInterface<CancelCase> { };

TEST_P(WaitCancelTest, StopsTheToolAtOnceLeavingNothingBehindAndTheViewAsItWas)
{
    const bool byEsc = GetParam().byEsc;
    if (GetParam().closesItsOutput)
        drive.installToolThatClosesItsOutput("TRAZOC.EXE", "contorno a medias");
    openImage(image("a.pbm"));
    view("RichTextBox2")->setPlainText("anterior");
    const int descriptors = runnerDescriptors();

    qint64 pid = 0;
    bool runningWhenShown = false;
    QStringList shown, buttons;
    Qt::CursorShape pointer = Qt::ArrowCursor;
    const SeenBox box = runContour([&](WaitingWindow* waiting) {
        // The tool writes its pid once it is under way (and, when it closes
        // its output, once that is closed).
        pid = drive.pid("TRAZOC.EXE");
        if (!waiting || pid == 0)
            return false;
        runningWhenShown = !isGone(pid);
        shown = texts(waiting);
        for (const QPushButton* b : waiting->findChildren<QPushButton*>())
            buttons << b->text();
        pointer = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                 : Qt::ArrowCursor;
        if (byEsc)
            QTest::keyClick(waiting, Qt::Key_Escape);
        else
            pressCancelar(waiting);
        return true;
    });

    EXPECT_FALSE(box.seen) << box.text.toStdString();
    EXPECT_TRUE(runningWhenShown);
    EXPECT_TRUE(shown.contains(QString::fromUtf8("Ejecutando %1…").arg(drive.vanto("TRAZOC.EXE"))))
        << shown.join('|').toStdString();
    EXPECT_EQ(shown.filter(QRegularExpression("^Tiempo transcurrido: \\d+:\\d\\d$")).size(), 1)
        << shown.join('|').toStdString();
    EXPECT_EQ(buttons, QStringList { "Cancelar" });
    EXPECT_EQ(pointer, Qt::BusyCursor);

    EXPECT_EQ(right(), "anterior");
    EXPECT_TRUE(isGone(pid)) << "the tool is still there, running or unreaped";
    EXPECT_EQ(runnerDescriptors(), descriptors);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(waitingForTool());
}

INSTANTIATE_TEST_SUITE_P(CancelarOrEsc, WaitCancelTest,
    testing::Values(CancelCase { "Cancelar", false, false }, CancelCase { "Esc", true, false },
        CancelCase { "CancelarAfterTheToolClosedItsOutput", false, true }),
    [](const auto& info) { return std::string(info.param.name); });

// Sets how long a tool runs before the waiting window shows, for the length
// of a test, and puts it back afterwards.
class WaitingWindowDelay {
public:
    explicit WaitingWindowDelay(std::chrono::milliseconds delay)
        : before(waitingWindowDelay())
    {
        setWaitingWindowDelay(delay);
    }
    ~WaitingWindowDelay() { setWaitingWindowDelay(before); }
    WaitingWindowDelay(const WaitingWindowDelay&) = delete;
    WaitingWindowDelay& operator=(const WaitingWindowDelay&) = delete;

private:
    std::chrono::milliseconds before;
};

TEST_F(WaitTest, QuickToolShowsNoWaitingWindowAndItsResultAsBefore)
{
    // A tool counts as quick when it ends before the delay; an hour is a
    // delay that the stand-in tool never reaches, however loaded the machine.
    const WaitingWindowDelay quick(std::chrono::hours(1));
    const QByteArray contour("contorno");
    drive.installTool("TRAZOC.EXE", &contour);
    openImage(image("a.pbm"));
    bool waitingWindowSeen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout,
        [&] { waitingWindowSeen |= !window->findChildren<WaitingWindow*>().isEmpty(); });
    poll.start(1);
    EXPECT_FALSE(
        catchMessageBox([&] { QTest::mouseClick(button("Command2"), Qt::LeftButton); }).seen);
    EXPECT_FALSE(waitingWindowSeen);
    EXPECT_EQ(right(), "contorno");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Before the waiting window shows and while it does, the main window
// repaints when asked, and no way to a command starts one: another button,
// a menu shortcut, exit by Ctrl+S, or a command reached without input (as
// an accessibility tool reaches it).
TEST_F(WaitTest, WindowsPaintButNoOtherCommandStartsWhileTheToolRuns)
{
    showAndActivate();
    openImage(image("a.pbm"));
    view("RichTextBox2")->setPlainText("anterior");

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    window->installEventFilter(&counter);

    const auto tryOtherCommands = [&] {
        QTest::mouseClick(button("Command3"), Qt::LeftButton);
        QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        action("mconvex")->trigger();
        button("Command3")->click();
    };
    bool triedBefore = false, triedDuring = false;
    int paintsBefore = -1;
    runContour([&](WaitingWindow* waiting) {
        if (!triedBefore) {
            triedBefore = true;
            tryOtherCommands();
        }
        if (waiting && !triedDuring) {
            triedDuring = true;
            tryOtherCommands();
            paintsBefore = counter.paints;
            window->update();
        }
        if (!waiting || counter.paints == paintsBefore)
            return false;
        pressCancelar(waiting);
        return true;
    });

    EXPECT_TRUE(triedBefore && triedDuring);
    EXPECT_GT(counter.paints, paintsBefore);
    EXPECT_TRUE(drive.calls("CONVEXD.EXE").empty()) << "a second tool ran";
    EXPECT_EQ(drive.calls("TRAZOC.EXE").size(), 1u);
    EXPECT_TRUE(window->isVisible()) << "Ctrl+S closed the window";
    EXPECT_EQ(right(), "anterior");

    // Afterwards the same commands work again.
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    EXPECT_EQ(right(), "deficiencias");
}

TEST_F(WaitTest, CloseBoxesOfBothWindowsAreNotActedOnWhileTheToolRuns)
{
    drive.writeFile("refset.db", "A 1 2 3\n");
    showAndActivate();
    QTest::mouseClick(button("Command5"), Qt::LeftButton);
    QPointer<QWidget> database = window->databaseWindow()->window();
    ASSERT_TRUE(database);
    openImage(image("a.pbm"));

    int pressed = 0;
    runContour([&](WaitingWindow* waiting) {
        // Once before the waiting window shows, once while it does.
        if (pressed == 0 || (pressed == 1 && waiting)) {
            ++pressed;
            pressCloseBox(window.get());
            pressCloseBox(database);
        }
        if (!waiting || pressed < 2)
            return false;
        pressCancelar(waiting);
        return true;
    });

    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(database) << "the database window was closed";
    EXPECT_TRUE(database->isVisible());

    // Afterwards the close box works again.
    pressCloseBox(database);
    EXPECT_TRUE(QTest::qWaitFor([&] { return database.isNull(); }));
}

} // namespace

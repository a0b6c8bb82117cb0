#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>

#include <sys/wait.h>

#include <cerrno>
#include <functional>

#include "form1_fixture.hpp"
#include "waiting_window.hpp"

using namespace glifora;
using test::catchMessageBox;
using test::SeenBox;

namespace {

class AnalysisTest : public test::Form1Test {
protected:
    QString right() const { return view("RichTextBox2")->toPlainText(); }

    SeenBox click(const char* name)
    {
        return catchMessageBox([&] { QTest::mouseClick(button(name), Qt::LeftButton); });
    }
    SeenBox choose(const char* name)
    {
        return catchMessageBox([&] { action(name)->trigger(); });
    }
};

TEST_F(AnalysisTest, EveryCommandWarnsBeforeAnImageIsOpenAndChangesNothing)
{
    drive.installTool("VIEWPBM.EXE");
    drive.installTool("TRAZOC.EXE");
    drive.installTool("CONVEXD.EXE");
    drive.writeFile("resvec.txt", "resultado\n");

    for (const char* name : {"Command1", "Command2", "Command3", "Command4"}) {
        const SeenBox box = click(name);
        ASSERT_TRUE(box.seen) << name;
        EXPECT_EQ(box.title, "Mensaje de Advertencia");
        EXPECT_EQ(box.text, "ADVERTENCIA: Debe abrir antes el fichero");
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.buttons, QStringList{"Aceptar"});
        EXPECT_TRUE(right().isEmpty()) << name;
        EXPECT_FALSE(window->imageOpened());
        EXPECT_FALSE(action("mtrazo")->isEnabled());
    }
    for (const char* tool : {"VIEWPBM.EXE", "TRAZOC.EXE", "CONVEXD.EXE"})
        EXPECT_TRUE(drive.calls(tool).empty()) << tool;
}

TEST_F(AnalysisTest, ContourOutputReplacesTheSpaceLeftByOpeningExactly)
{
    const QByteArray abc("abc");
    drive.installTool("TRAZOC.EXE", &abc);
    const QString path = image("con espacio/a b.pbm");
    openImage(path);
    EXPECT_EQ(right(), " ");

    EXPECT_FALSE(click("Command2").seen);
    EXPECT_EQ(right(), "abc");
    ASSERT_EQ(drive.calls("TRAZOC.EXE").size(), 1u);
    EXPECT_EQ(drive.calls("TRAZOC.EXE")[0], QStringList{path});
}

TEST_F(AnalysisTest, ButtonAndMenuItemGiveTheSameResult)
{
    const QByteArray contour("contorno\n  con líneas\n");
    const QByteArray convex("deficiencias\r\n");
    drive.installTool("TRAZOC.EXE", &contour);
    drive.installTool("CONVEXD.EXE", &convex);
    drive.writeFile("resvec.txt", "plantilla\nA\n");
    openImage(image("a.pbm"));

    struct Pair {
        const char* button;
        const char* item;
        QString expected;
    };
    for (const Pair& p : {Pair{"Command2", "mtrazo", QString::fromUtf8(contour)},
                          Pair{"Command3", "mconvex", "deficiencias\n"},  // CRLF shows as a line break
                          Pair{"Command4", "mvector", "plantilla\nA\n"}}) {
        view("RichTextBox2")->setPlainText("otra cosa");
        click(p.button);
        EXPECT_EQ(right(), p.expected) << p.button;
        view("RichTextBox2")->setPlainText("otra cosa");
        choose(p.item);
        EXPECT_EQ(right(), p.expected) << p.item;
    }
    EXPECT_EQ(drive.calls("TRAZOC.EXE").size(), 2u);
    EXPECT_EQ(drive.calls("CONVEXD.EXE").size(), 2u);
}

TEST_F(AnalysisTest, MissingAnalysisToolShowsTheRunnersErrorText)
{
    openImage(image("a.pbm"));
    EXPECT_FALSE(click("Command2").seen);
    EXPECT_EQ(right(), "Error: CreateProcess failed. 2");
    view("RichTextBox2")->setPlainText("otra cosa");
    EXPECT_FALSE(choose("mconvex").seen);
    EXPECT_EQ(right(), "Error: CreateProcess failed. 2");
}

TEST_F(AnalysisTest, OutputWithNulAndControlBytesIsShownWhole)
{
    const QByteArray output("antes\0después\x01\x7f fin", 20);
    drive.installTool("CONVEXD.EXE", &output);
    openImage(image("a.pbm"));
    click("Command3");
    EXPECT_EQ(right(), QString::fromUtf8("antes\u2400después\x01\x7f fin"));
}

TEST_F(AnalysisTest, ViewerGetsThePathAsOneArgumentOncePerClick)
{
    drive.installTool("VIEWPBM.EXE");
    const QString path = image("mis imágenes/a 'b'.pbm");
    openImage(path);
    view("RichTextBox2")->setPlainText("sin cambios");

    EXPECT_FALSE(click("Command1").seen);
    EXPECT_FALSE(choose("mvisor").seen);
    ASSERT_TRUE(drive.waitForCalls("VIEWPBM.EXE", 2));
    EXPECT_EQ(drive.calls("VIEWPBM.EXE"), (std::vector<QStringList>{{path}, {path}}));
    EXPECT_EQ(right(), "sin cambios");
}

TEST_F(AnalysisTest, ViewerThatCannotStartIsReportedAndNothingChanges)
{
    openImage(image("a.pbm"));
    view("RichTextBox2")->setPlainText("sin cambios");
    const SeenBox box = click("Command1");
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(box.text.contains("VANTO/VIEWPBM.EXE")) << box.text.toStdString();
    EXPECT_EQ(right(), "sin cambios");
    EXPECT_TRUE(window->imageOpened());
}

TEST_F(AnalysisTest, VectorResultIsReadWholeWithItsLineBreaksEachTime)
{
    openImage(image("a.pbm"));
    drive.writeFile("resvec.txt", "línea 1\r\nlínea 2\n\núltima");
    click("Command4");
    // The view shows a CRLF line end as a plain line break.
    EXPECT_EQ(right(), QString::fromUtf8("línea 1\nlínea 2\n\núltima"));

    drive.writeFile("resvec.txt", "nuevo");
    click("Command4");
    EXPECT_EQ(right(), "nuevo") << "the file is read again at each click";
}

TEST_F(AnalysisTest, MissingVectorResultWarnsNamingTheFileAndKeepsTheView)
{
    openImage(image("a.pbm"));
    view("RichTextBox2")->setPlainText("anterior");
    const SeenBox box = click("Command4");
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(box.text.contains("VANTO/resvec.txt")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("no existe")) << box.text.toStdString();
    EXPECT_EQ(right(), "anterior");
}

// The recogniser started at opening is slow: pressing "Plantillas del
// Vector" before it has written must not show what the file held before.
class SlowRecogniserTest : public AnalysisTest {
protected:
    SlowRecogniserTest()
    {
        drive.installSlowRecogniser("VECPLAN.EXE", "Imagen: b.pbm");
        drive.writeFile("resvec.txt", "Imagen: a.pbm");
    }
    ~SlowRecogniserTest() override
    {
        // No run may stay behind at the gate of a folder that is going away.
        while (drive.openGate("VECPLAN.EXE"))
            QTest::qWait(10);
    }

    // Presses "Plantillas del Vector"; once the waiting window shows, calls
    // step with it (every 10 ms until step returns true).
    SeenBox pressWhileWaiting(const std::function<bool(WaitingWindow*)>& step)
    {
        bool done = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* waiting = qobject_cast<WaitingWindow*>(QApplication::activeModalWidget());
            if (!done && waiting)
                done = step(waiting);
        });
        poll.start();
        const SeenBox box = click("Command4");
        EXPECT_TRUE(done) << "the command did not wait for the run";
        return box;
    }

    QString result() const
    {
        QFile file(drive.vanto("resvec.txt"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

TEST_F(SlowRecogniserTest, StaleResultIsNotShownTheCommandWaitsForTheRunOfTheOpenImage)
{
    openImage(image("b.pbm"));
    QStringList shown;
    const SeenBox box = pressWhileWaiting([&](WaitingWindow* waiting) {
        for (const QLabel* label : waiting->findChildren<QLabel*>())
            shown << label->text();
        return drive.openGate("VECPLAN.EXE");
    });
    EXPECT_FALSE(box.seen) << box.text.toStdString();
    EXPECT_EQ(right(), "Imagen: b.pbm");
    // The waiting window names the file that runs on this machine.
    EXPECT_TRUE(shown.contains(QString::fromUtf8("Ejecutando %1…").arg(drive.vanto("VECPLAN.EXE"))))
        << shown.join('|').toStdString();
    // The run was never our child: nothing of it is left to reap.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(SlowRecogniserTest, CancelarStopsTheWaitingNotTheRunAndAnEndedRunShowsAtOnce)
{
    openImage(image("b.pbm"));
    const SeenBox cancelled = pressWhileWaiting([](WaitingWindow* waiting) {
        QTest::mouseClick(waiting->findChild<QPushButton*>("cancel"), Qt::LeftButton);
        return true;
    });
    EXPECT_FALSE(cancelled.seen) << cancelled.text.toStdString();
    EXPECT_EQ(right(), " ") << "the view stays as the opening left it";

    // The run goes on: let it write, and the command shows its result.
    ASSERT_TRUE(QTest::qWaitFor([&] { return drive.openGate("VECPLAN.EXE"); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result() == "Imagen: b.pbm"; }, 10000));
    const SeenBox box = click("Command4");
    EXPECT_FALSE(box.seen) << box.text.toStdString();
    EXPECT_EQ(right(), "Imagen: b.pbm");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace

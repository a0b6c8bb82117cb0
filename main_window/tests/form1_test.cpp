#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <string>

#include "command_button.hpp"
#include "form1.hpp"
#include "form1_fixture.hpp"
#include "test_support.hpp"

using namespace glifora;
using test::catchMessageBox;

namespace {

using test::Form1Test;

// ---- the window as it starts -------------------------------------------

TEST_F(Form1Test, StartsWithItsCaptionsAndExactGeometryInPixels)
{
    EXPECT_EQ(window->windowTitle(), "Glifora");
    EXPECT_EQ(window->centralWidget()->size(), QSize(792, 554));

    struct Expected {
        const char* name;
        QString caption;
        QRect geometry;
    };
    const Expected buttons[] = {
        {"Command1", "Visualizar", {336, 88, 97, 41}},
        {"Command2", "Contorno del Caracter", {336, 160, 97, 41}},
        {"Command3", "Deficiencias Convexas", {336, 232, 97, 41}},
        {"Command4", "Plantillas del Vector", {336, 304, 97, 41}},
        {"Command5", "Base de Datos", {336, 376, 97, 41}},
    };
    for (const Expected& e : buttons) {
        QPushButton* b = button(e.name);
        EXPECT_EQ(b->text(), e.caption) << e.name;
        EXPECT_EQ(b->geometry(), e.geometry) << e.name;
        EXPECT_EQ(b->parentWidget(), window->centralWidget()) << e.name;
        EXPECT_FALSE(b->isDefault()) << e.name;
        EXPECT_FALSE(b->autoDefault()) << e.name;
        EXPECT_TRUE(b->isEnabled()) << e.name;
    }
    EXPECT_EQ(button("Command1")->toolTip(), "Visualiza la imagen");
    EXPECT_TRUE(button("Command2")->toolTip().isEmpty());

    EXPECT_EQ(frame("Frame1")->title(), "Imagenes");
    EXPECT_EQ(frame("Frame1")->geometry(), QRect(8, 16, 313, 505));
    EXPECT_EQ(frame("Frame2")->title(), "Metodo");
    EXPECT_EQ(frame("Frame2")->geometry(), QRect(448, 16, 329, 505));

    EXPECT_EQ(view("RichTextBox1")->parentWidget(), frame("Frame1"));
    EXPECT_EQ(view("RichTextBox1")->geometry(), QRect(8, 16, 297, 481));
    EXPECT_EQ(view("RichTextBox2")->parentWidget(), frame("Frame2"));
    EXPECT_EQ(view("RichTextBox2")->geometry(), QRect(8, 16, 313, 481));
}

TEST_F(Form1Test, ViewsAreEmptyReadOnlyFixedPitchAndNamedForScreenReaders)
{
    for (const char* name : {"RichTextBox1", "RichTextBox2"}) {
        TextView* v = view(name);
        EXPECT_TRUE(v->toPlainText().isEmpty()) << name;
        EXPECT_TRUE(v->isReadOnly()) << name;
        EXPECT_TRUE(v->textInteractionFlags() & Qt::TextSelectableByKeyboard) << name;
        EXPECT_EQ(v->lineWrapMode(), QPlainTextEdit::NoWrap) << name;
        // Fixed pitch, so that a plain PBM's rows of 0 and 1 keep its shape.
        const QFontMetrics metrics(v->font());
        EXPECT_EQ(metrics.horizontalAdvance('0'), metrics.horizontalAdvance('1')) << name;
        EXPECT_EQ(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('W')) << name;
        EXPECT_EQ(v->palette().color(QPalette::Base), v->palette().color(QPalette::Button))
            << name;
    }
    EXPECT_EQ(view("RichTextBox1")->accessibleName(), "Imagen");
    EXPECT_EQ(view("RichTextBox2")->accessibleName(), "Resultado");
}

TEST_F(Form1Test, MenusHaveTheirCaptionsSeparatorsAndShortcutsInOrder)
{
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), "&Archivo");
    EXPECT_EQ(bar[1]->text(), "&Metodos");

    struct Item {
        const char* name;
        QString caption;
        QString shortcut;
    };
    auto check = [](QMenu* menu, const std::vector<Item>& items) {
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size()));
        for (std::size_t i = 0; i < items.size(); ++i) {
            QAction* a = actions[static_cast<qsizetype>(i)];
            EXPECT_EQ(a->objectName(), items[i].name);
            if (items[i].caption == "-") {
                EXPECT_TRUE(a->isSeparator()) << items[i].name;
                continue;
            }
            EXPECT_EQ(a->text(), items[i].caption);
            EXPECT_EQ(a->shortcut(), QKeySequence(items[i].shortcut)) << items[i].name;
        }
    };
    check(bar[0]->menu(),
          {{"open", "&Abrir", "Ctrl+A"}, {"linea1", "-", ""}, {"sal", "&Salir", "Ctrl+S"}});
    check(bar[1]->menu(), {{"mvisor", "&Visualizar", "Ctrl+V"},
                           {"linea2", "-", ""},
                           {"mtrazo", "&Contorno del caracter", "Ctrl+C"},
                           {"mconvex", "&Deficiencias Convexas", "Ctrl+D"},
                           {"mvector", "&Plantillas del Vector", "Ctrl+P"}});
}

TEST_F(Form1Test, AnalysisItemsStartDisabledWhileOpenAndExitAreEnabled)
{
    EXPECT_FALSE(window->imageOpened());
    EXPECT_TRUE(window->imagePath().isEmpty());
    for (QAction* item : analysisItems())
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    EXPECT_TRUE(action("open")->isEnabled());
    EXPECT_TRUE(action("sal")->isEnabled());
}

TEST_F(Form1Test, FocusStartsOnVisualizarAndTabRunsButtonsThenViews)
{
    showAndActivate();
    EXPECT_EQ(QApplication::focusWidget(), button("Command1"));
    const std::vector<QWidget*> order{button("Command2"), button("Command3"), button("Command4"),
                                      button("Command5"), view("RichTextBox1"),
                                      view("RichTextBox2"), button("Command1")};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected) << expected->objectName().toStdString();
    }
}

TEST_F(Form1Test, LongCaptionsWrapInsteadOfBeingClipped)
{
    showAndActivate();
    auto* contour = static_cast<CommandButton*>(button("Command2"));
    auto* templates = static_cast<CommandButton*>(button("Command4"));
    // Whether a caption needs two lines depends on the font; what matters is
    // that the one that needs them gets them without growing the button.
    for (CommandButton* b : {contour, templates}) {
        const int oneLine = b->fontMetrics().horizontalAdvance(b->text());
        if (oneLine > b->contentsRect().width() - 8) {
            EXPECT_TRUE(b->captionWraps()) << b->text().toStdString();
        }
        EXPECT_EQ(b->size(), QSize(97, 41));
    }
    EXPECT_FALSE(static_cast<CommandButton*>(button("Command1"))->captionWraps());
}

// ---- opening an image ----------------------------------------------------

TEST_F(Form1Test, OpeningShowsTheFileResetsTheResultAndStartsTheVectorTool)
{
    const QString path = image(QStringLiteral("a.pbm"));
    openImage(path);

    EXPECT_EQ(chooser->filters, QStringList{"texto|*.pbm"});
    EXPECT_TRUE(window->imageOpened());
    EXPECT_EQ(window->imagePath(), path);
    EXPECT_EQ(frame("Frame1")->title(), "Imagen " + path);
    EXPECT_EQ(view("RichTextBox1")->toPlainText(), "P1\n2 2\n1 0\n0 1\n");
    EXPECT_EQ(view("RichTextBox2")->toPlainText(), " ");
    for (QAction* item : analysisItems())
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();

    ASSERT_TRUE(drive.waitForCalls("VECPLAN.EXE", 1));
    EXPECT_EQ(drive.calls("VECPLAN.EXE")[0], QStringList{path});
}

TEST_F(Form1Test, OpeningASecondImageReplacesEverythingAndStartsTheToolAgain)
{
    openImage(image(QStringLiteral("a.pbm")));
    const QString second = image(QStringLiteral("b.pbm"), "P1\n1 1\n1\n");
    view("RichTextBox2")->setPlainText("old result");
    openImage(second);

    EXPECT_EQ(window->imagePath(), second);
    EXPECT_EQ(frame("Frame1")->title(), "Imagen " + second);
    EXPECT_EQ(view("RichTextBox1")->toPlainText(), "P1\n1 1\n1\n");
    EXPECT_EQ(view("RichTextBox2")->toPlainText(), " ");
    EXPECT_TRUE(window->imageOpened());
    ASSERT_TRUE(drive.waitForCalls("VECPLAN.EXE", 2));
    EXPECT_TRUE(drive.calls("VECPLAN.EXE")[1] == QStringList{second} ||
                drive.calls("VECPLAN.EXE")[0] == QStringList{second});
}

class AwkwardPathTest : public Form1Test, public testing::WithParamInterface<const char*> {};

TEST_P(AwkwardPathTest, PathReachesTheToolVerbatimAsOneArgument)
{
    const QString path = image(QString::fromUtf8(GetParam()));
    openImage(path);
    ASSERT_TRUE(drive.waitForCalls("VECPLAN.EXE", 1));
    EXPECT_EQ(drive.calls("VECPLAN.EXE")[0], QStringList{path});
    EXPECT_FALSE(QFile::exists(files.path() + "/x")) << "a shell ran the path";
}

INSTANTIATE_TEST_SUITE_P(Names, AwkwardPathTest,
                         testing::Values("con espacios/letra a.pbm", "$(touch x).pbm",
                                         "a;touch x.pbm", "comilla \" doble.pbm",
                                         "it's `touch x`.pbm", "año ñandú.pbm",
                                         "barra\\ invertida \\\".pbm"));

TEST_F(Form1Test, AmpersandInThePathIsShownNotTakenAsAnAccessKey)
{
    const QString path = image(QStringLiteral("R&D.pbm"));
    openImage(path);
    EXPECT_EQ(frame("Frame1")->title(), "Imagen " + QString(path).replace("&", "&&"));
}

TEST_F(Form1Test, NulBytesInTheImageShowAsAVisibleSymbol)
{
    openImage(image(QStringLiteral("nul.pbm"), QByteArray("P1\0x\n", 5)));
    EXPECT_EQ(view("RichTextBox1")->toPlainText(), QString::fromUtf8("P1\u2400x\n"));
}

// ---- faults while opening: nothing changes -------------------------------

TEST_F(Form1Test, CancelledDialogChangesNothing)
{
    chooser->cancel = true;
    const test::SeenBox box = catchMessageBox([&] { action("open")->trigger(); });
    EXPECT_FALSE(box.seen);
    EXPECT_EQ(chooser->shown, 1);
    EXPECT_FALSE(window->imageOpened());
    EXPECT_TRUE(window->imagePath().isEmpty());
    EXPECT_EQ(frame("Frame1")->title(), "Imagenes");
    EXPECT_TRUE(view("RichTextBox2")->toPlainText().isEmpty());
    for (QAction* item : analysisItems())
        EXPECT_FALSE(item->isEnabled());
    EXPECT_TRUE(drive.calls("VECPLAN.EXE").empty());
}

TEST_F(Form1Test, UnreadableImagesWarnNamingTheFileAndChangeNothing)
{
    openImage(image(QStringLiteral("first.pbm")));
    view("RichTextBox2")->setPlainText("kept");
    ASSERT_TRUE(drive.waitForCalls("VECPLAN.EXE", 1));

    const QString fifo = files.path() + "/fifo.pbm";
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QDir(files.path()).mkdir("carpeta.pbm");
    const QStringList bad{files.path() + "/missing.pbm", files.path() + "/carpeta.pbm", fifo,
                          QStringLiteral("/dev/zero")};

    for (const QString& path : bad) {
        chooser->next = path;
        const test::SeenBox box = catchMessageBox([&] { action("open")->trigger(); });
        ASSERT_TRUE(box.seen) << path.toStdString();
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_TRUE(box.text.contains(path)) << box.text.toStdString();
        EXPECT_EQ(box.buttons, QStringList{"Aceptar"});
        EXPECT_TRUE(window->imagePath().endsWith("first.pbm"));
        EXPECT_EQ(frame("Frame1")->title(), "Imagen " + window->imagePath());
        EXPECT_EQ(view("RichTextBox1")->toPlainText(), "P1\n2 2\n1 0\n0 1\n");
        EXPECT_EQ(view("RichTextBox2")->toPlainText(), "kept");
    }
    EXPECT_EQ(drive.calls("VECPLAN.EXE").size(), 1u);
}

TEST_F(Form1Test, FileWithoutReadPermissionWarns)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const QString path = image(QStringLiteral("secret.pbm"));
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    chooser->next = path;
    const test::SeenBox box = catchMessageBox([&] { action("open")->trigger(); });
    EXPECT_TRUE(box.seen);
    EXPECT_FALSE(window->imageOpened());
}

TEST_F(Form1Test, MissingVectorToolStillOpensTheImageAndWarnsNamingTheTool)
{
    QFile::remove(drive.vanto("VECPLAN.EXE"));
    const QString path = image(QStringLiteral("a.pbm"));
    chooser->next = path;
    const test::SeenBox box = catchMessageBox([&] { action("open")->trigger(); });

    ASSERT_TRUE(box.seen);
    EXPECT_TRUE(box.text.contains("VANTO/VECPLAN.EXE")) << box.text.toStdString();
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(window->imageOpened());
    EXPECT_EQ(frame("Frame1")->title(), "Imagen " + path);
    EXPECT_EQ(view("RichTextBox2")->toPlainText(), " ");
    for (QAction* item : analysisItems())
        EXPECT_TRUE(item->isEnabled());
}

// The system's reasons read in Spanish with the error number beside them,
// whatever the locale: here C.UTF-8, in which the C library's own text is
// English.
TEST_F(Form1Test, SystemReasonsInTheBoxesAreSpanishWithTheirNumber)
{
    const std::string locale = setlocale(LC_ALL, nullptr);
    ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr);
    chooser->next = files.path() + "/no existe.pbm";
    const test::SeenBox missing = catchMessageBox([&] { action("open")->trigger(); });
    EXPECT_TRUE(missing.text.endsWith(": no existe el fichero o el directorio (error 2)."))
        << missing.text.toStdString();

    // The vector tool that opening starts, without its execute bit.
    QFile::setPermissions(drive.vanto("VECPLAN.EXE"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    chooser->next = image(QStringLiteral("a.pbm"));
    const test::SeenBox notExecutable = catchMessageBox([&] { action("open")->trigger(); });
    EXPECT_TRUE(notExecutable.text.endsWith(": permiso denegado (error 13)."))
        << notExecutable.text.toStdString();
    setlocale(LC_ALL, locale.c_str());
}

// ---- keys and exit ----------------------------------------------------------

TEST_F(Form1Test, MenuShortcutsWinOverTheViewsKeys)
{
    showAndActivate();
    TextView* left = view("RichTextBox1");
    left->setPlainText("texto que se podría seleccionar");
    left->setFocus();
    chooser->cancel = true;
    QTest::keyClick(left, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(chooser->shown, 1) << "Ctrl+A in a view must open the dialog";
    EXPECT_FALSE(left->textCursor().hasSelection());
}

TEST_F(Form1Test, DisabledItemsShortcutsDoNothingEvenInAView)
{
    showAndActivate();
    TextView* right = view("RichTextBox2");
    right->setPlainText("resultado");
    right->selectAll();
    right->setFocus();
    QApplication::clipboard()->setText("antes");
    for (const Qt::Key key : {Qt::Key_V, Qt::Key_C, Qt::Key_D, Qt::Key_P}) {
        const test::SeenBox box =
            catchMessageBox([&] { QTest::keyClick(right, key, Qt::ControlModifier); });
        EXPECT_FALSE(box.seen) << "key " << key;
    }
    EXPECT_EQ(right->toPlainText(), "resultado");
    EXPECT_EQ(QApplication::clipboard()->text(), "antes") << "Ctrl+C must not copy either";
}

TEST_F(Form1Test, SalirClosesTheWindowAndTheProgramWaitsForItsOtherWindows)
{
    // Runs inside the application's event loop, since only there does
    // closing the last window end the program.
    showAndActivate();
    QWidget other;
    other.show();
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    ASSERT_TRUE(lastClosed.isValid());

    bool runningAfterSalir = false;
    QTimer::singleShot(0, [&] {
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        QTimer::singleShot(100, [&] {
            runningAfterSalir = true;
            other.close();
        });
    });
    QTimer::singleShot(10000, qApp, &QCoreApplication::quit);  // bound, should it fail
    QApplication::exec();

    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(runningAfterSalir) << "the program ended while a window was open";
    EXPECT_EQ(lastClosed.count(), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include "contours.hpp"
#include "image_view.hpp"
#include "message_box_catcher.hpp"
#include "spanish.hpp"
#include "test_pictures.hpp"
#include "viewer.hpp"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <unistd.h>

using glifora::test::catchMessageBox;
using glifora::test::SeenBox;
using vanto::Bitmap;
using vanto::fitZoom;
using vanto::testing::barePicture;
using vanto::testing::bitmapFromRows;
using vanto::testing::expectCrispEnlargement;
using vanto::testing::sample;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(BarePicture, EnlargesEachPixelToACrispSquare)
{
    const Bitmap b = bitmapFromRows({ "101", "010" });
    for (int factor : { 1, 2, 3, 7, 8, 9 }) {
        SCOPED_TRACE(factor);
        expectCrispEnlargement(b, barePicture(b, factor), factor);
    }
}

TEST(BarePicture, RandomImagesAcrossByteBoundariesStayExact)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        Bitmap b;
        b.width = 1 + static_cast<int>(random() % 30);
        b.height = 1 + static_cast<int>(random() % 10);
        for (int i = 0; i < b.width * b.height; ++i)
            b.pixels.push_back(static_cast<std::uint8_t>(random() & 1));
        const int factor = 1 + static_cast<int>(random() % 6);
        expectCrispEnlargement(b, barePicture(b, factor), factor);
    }
}

TEST(BarePicture, RefusesSizesNoWindowCanShow)
{
    Bitmap wide;
    wide.width = 20000;
    wide.height = 1;
    wide.pixels.assign(20000, 1);
    EXPECT_FALSE(barePicture(wide, 1).isNull());
    EXPECT_TRUE(barePicture(wide, 2).isNull());
}

TEST(ViewerInput, WrongNumberOfArgumentsIsExplained)
{
    for (const QStringList& arguments : { QStringList {}, QStringList { "a.pbm", "b.pbm" } }) {
        const vanto::ViewerInput input = vanto::loadViewerInput(arguments);
        EXPECT_TRUE(input.bitmap.pixels.empty());
        EXPECT_TRUE(input.error.contains("Uso: VIEWPBM.EXE")) << input.error.toStdString();
        EXPECT_TRUE(input.error.contains(QString("se recibieron %1").arg(arguments.size())))
            << input.error.toStdString();
    }
}

TEST(ViewerInput, ReadsTheImageNamedByItsOnlyArgumentSpacesAndAll)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "con espacios/letra a.pbm", "P1 3 2\n101\n010\n");
    const vanto::ViewerInput input = vanto::loadViewerInput({ path });
    ASSERT_TRUE(input.error.isEmpty()) << input.error.toStdString();
    EXPECT_EQ(input.path, path);
    EXPECT_EQ(input.bitmap.pixels, bitmapFromRows({ "101", "010" }).pixels);
}

TEST(ViewerInput, UnreadableAndInvalidFilesAreNamedWithTheReason)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("falta.pbm");
    const vanto::ViewerInput gone = vanto::loadViewerInput({ missing });
    EXPECT_TRUE(gone.error.contains(missing)) << gone.error.toStdString();
    EXPECT_TRUE(gone.error.contains("no existe el fichero o el directorio (error 2)"))
        << gone.error.toStdString();

    const QString text = writeFile(dir, "nota.txt", "hola");
    const vanto::ViewerInput invalid = vanto::loadViewerInput({ text });
    EXPECT_TRUE(invalid.error.contains("no es una imagen PBM")) << invalid.error.toStdString();

    const vanto::ViewerInput folder = vanto::loadViewerInput({ dir.path() });
    EXPECT_TRUE(folder.error.contains("carpeta")) << folder.error.toStdString();
}

TEST(ViewerInput, ImagesTooLongForAWindowAreRefused)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "tira.pbm", "P4 40000 1\n" + QByteArray(40000 / 8, '\xff'));
    const vanto::ViewerInput input = vanto::loadViewerInput({ path });
    EXPECT_TRUE(input.error.contains("40000 x 1")) << input.error.toStdString();
    EXPECT_TRUE(input.bitmap.pixels.empty());
}

TEST(ViewerWindow, TitleNamesTheFileWithoutItsFolder)
{
    vanto::ViewerWindow window("/tmp/con espacios/letra a.pbm", bitmapFromRows({ "1" }));
    EXPECT_TRUE(window.windowTitle().startsWith("letra a.pbm"))
        << window.windowTitle().toStdString();
    EXPECT_FALSE(window.windowTitle().contains("/tmp"));
}

TEST(ViewerWindow, ImageGrowsByAWholeFactorToFillTheWindow)
{
    const Bitmap b = bitmapFromRows({ "0110", "1001", "1111", "1001", "1001" });
    vanto::ViewerWindow window("a.pbm", b);
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QSize room = window.scrollArea()->maximumViewportSize();
    const int factor = window.zoom().enlarge;
    EXPECT_EQ(window.zoom(), fitZoom(QSize(4, 5), room));
    EXPECT_GT(factor, 1);
    EXPECT_LE(4 * factor, room.width());
    EXPECT_LE(5 * factor, room.height());
    // A larger factor would not fit.
    EXPECT_TRUE(4 * (factor + 1) > room.width() || 5 * (factor + 1) > room.height());
    expectCrispEnlargement(b, window.picture(), factor);
    EXPECT_FALSE(window.scrollArea()->verticalScrollBar()->isVisible());

    window.resize(200, 150);
    QCoreApplication::processEvents();
    EXPECT_LT(window.zoom().enlarge, factor);
    EXPECT_EQ(window.picture().height(), 5 * window.zoom().enlarge);
}

TEST(ViewerWindow, ImageLargerThanTheWindowOpensWholeBelowOneToOne)
{
    Bitmap b;
    b.width = 600;
    b.height = 500;
    b.pixels.assign(600 * 500, 0);
    b.pixels.back() = 1; // the last pixel, which a view at 1:1 would not show
    vanto::ViewerWindow window("grande.pbm", b);
    window.resize(300, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.zoom().enlarge, 1);
    EXPECT_GT(window.zoom().reduce, 1);
    const QSize room = window.scrollArea()->maximumViewportSize();
    EXPECT_LE(window.imageView()->width(), room.width());
    EXPECT_LE(window.imageView()->height(), room.height());
    const QImage shown = window.picture();
    EXPECT_EQ(shown.pixel(shown.width() - 1, shown.height() - 1), qRgb(0, 0, 0));
    EXPECT_FALSE(window.scrollArea()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(window.scrollArea()->horizontalScrollBar()->isVisible());
}

TEST(ViewerWindow, EscapeClosesIt)
{
    vanto::ViewerWindow window("a.pbm", bitmapFromRows({ "1" }));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_A);
    EXPECT_TRUE(window.isVisible());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

QAction* action(QWidget& window, const QString& text)
{
    for (QAction* a : window.findChildren<QAction*>()) {
        if (QString(a->text()).remove('&') == text)
            return a;
    }
    ADD_FAILURE() << "no action " << text.toStdString();
    return nullptr;
}

// Moves the pointer over the middle of an image pixel, as the window
// system reports it.
void hover(vanto::ViewerWindow& window, QPoint pixel)
{
    const vanto::Zoom zoom = window.zoom();
    const QPoint at((zoom.edge(pixel.x()) + zoom.edge(pixel.x() + 1)) / 2,
        (zoom.edge(pixel.y()) + zoom.edge(pixel.y() + 1)) / 2);
    QMouseEvent move(QEvent::MouseMove, at, window.imageView()->mapToGlobal(at), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.imageView(), &move);
}

class ShownViewer : public ::testing::Test {
protected:
    void show(const QString& path, const Bitmap& bitmap)
    {
        window = std::make_unique<vanto::ViewerWindow>(path, bitmap);
        window->resize(800, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    std::unique_ptr<vanto::ViewerWindow> window;
};

TEST_F(ShownViewer, PointerOverAPixelShowsItsCoordinatesAndColourAtEveryZoom)
{
    Bitmap b = bitmapFromRows(std::vector<std::string>(30, std::string(40, '0')));
    b.pixels[7 * 40 + 12] = 1;
    show("a.pbm", b);
    // As opened, zoomed in twice, at 1:1, and reduced below it.
    const std::vector<std::function<void()>> zooms { [] {},
        [&] {
            QTest::keySequence(window.get(), QKeySequence::ZoomIn);
            QTest::keySequence(window.get(), QKeySequence::ZoomIn);
        },
        [&] { QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier); },
        [&] { QTest::keySequence(window.get(), QKeySequence::ZoomOut); } };
    std::vector<vanto::Zoom> seen;
    for (const auto& zoomTo : zooms) {
        zoomTo();
        seen.push_back(window->zoom());
        const int r = window->zoom().reduce;
        // A reduced picture shows the first pixel of each block.
        hover(*window, { 12 / r * r, 7 / r * r });
        EXPECT_TRUE(
            window->pointerText().startsWith(QString("(%1, %2) ").arg(12 / r * r).arg(7 / r * r)))
            << window->pointerText().toStdString() << " at " << window->zoom().text().toStdString();
        if (r == 1) {
            EXPECT_TRUE(window->pointerText().startsWith("(12, 7) negro"));
        }
        hover(*window, { 39, 29 });
        EXPECT_TRUE(window->pointerText().startsWith(
            QString("(%1, %2) blanco").arg(39 / r * r).arg(29 / r * r)))
            << window->pointerText().toStdString();
    }
    EXPECT_GT(seen[1].enlarge, seen[0].enlarge);
    EXPECT_EQ(seen[2], (vanto::Zoom { 1, 1 }));
    EXPECT_GT(seen[3].reduce, 1);
}

TEST_F(ShownViewer, LayersAreToggledFromTheKeyboardAndOffGiveTheBareImage)
{
    const Bitmap b = sample("B.pbm");
    show("B.pbm", b);
    const QImage bare = window->picture();
    for (Qt::Key key : { Qt::Key_B, Qt::Key_C, Qt::Key_D, Qt::Key_F, Qt::Key_Z, Qt::Key_V })
        QTest::keyClick(window.get(), key);
    EXPECT_EQ(window->layers(),
        vanto::BordersLayer | vanto::HullLayer | vanto::DefectsLayer | vanto::DeficiencyLayer
            | vanto::ZonesLayer | vanto::ZoneValuesLayer);
    EXPECT_NE(window->picture(), bare);
    for (Qt::Key key : { Qt::Key_V, Qt::Key_B, Qt::Key_C, Qt::Key_D, Qt::Key_F, Qt::Key_Z })
        QTest::keyClick(window.get(), key);
    EXPECT_EQ(window->layers(), vanto::Layers {});
    expectCrispEnlargement(b, window->picture(), window->zoom().enlarge);
}

TEST_F(ShownViewer, HoveringABorderNamesItAsTheContourToolNumbersIt)
{
    const Bitmap b = sample("B.pbm");
    show("B.pbm", b);
    QTest::keyClick(window.get(), Qt::Key_B);
    const std::vector<vanto::Border> borders = vanto::findBorders(b);
    ASSERT_EQ(borders.size(), 3u);
    hover(*window, { borders[1].points[3].x, borders[1].points[3].y });
    EXPECT_TRUE(window->pointerText().endsWith(" negro · Borde 2: hueco del borde 1"))
        << window->pointerText().toStdString();
    hover(*window, { borders[0].points[5].x, borders[0].points[5].y });
    EXPECT_TRUE(window->pointerText().endsWith(" negro · Borde 1: exterior"))
        << window->pointerText().toStdString();
    // A black pixel inside the stroke lies on no border.
    hover(*window, { borders[0].points[5].x + 2, borders[0].points[5].y + 2 });
    EXPECT_FALSE(window->pointerText().contains("Borde")) << window->pointerText().toStdString();
}

TEST_F(ShownViewer, HoveringWithTheZonesOnNamesTheZoneAndWhatTheVectorHoldsForIt)
{
    const Bitmap b = sample("B.pbm");
    show("B.pbm", b);
    vanto::ViewerScene scene(b);
    ASSERT_TRUE(scene.zones());
    const vanto::vecplan::ZoneLayout& zones = *scene.zones();
    // The middle of the zone in the second row, third column.
    const QPoint inside(static_cast<int>((zones.columnEdges[2] + zones.columnEdges[3]) / 2),
        static_cast<int>((zones.rowEdges[1] + zones.rowEdges[2]) / 2));
    hover(*window, inside);
    EXPECT_FALSE(window->pointerText().contains("zona")) << window->pointerText().toStdString();
    QTest::keyClick(window.get(), Qt::Key_Z);
    hover(*window, inside);
    const auto& m = zones.measures[static_cast<std::size_t>(zones.columns + 2)];
    EXPECT_TRUE(window->pointerText().endsWith(
        QString("· zona de la fila 2, columna 3: negro %1 ‰; contorno ‰: — %2, / %3, | %4, \\ %5")
            .arg(m.black)
            .arg(m.directions[0])
            .arg(m.directions[1])
            .arg(m.directions[2])
            .arg(m.directions[3])))
        << window->pointerText().toStdString();
}

TEST_F(ShownViewer, CtrlWheelZoomsAboutThePointerAndCtrl0FitsTheWholeImage)
{
    Bitmap big = bitmapFromRows(std::vector<std::string>(900, std::string(1200, '0')));
    big.pixels[450 * 1200 + 600] = 1;
    show("grande.pbm", big);
    QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
    ASSERT_EQ(window->zoom(), (vanto::Zoom { 1, 1 }));
    QWidget* viewport = window->scrollArea()->viewport();
    const QPoint pointer = viewport->rect().center() + QPoint(40, 30);
    hover(*window, window->imageView()->pixelAt(window->imageView()->mapFrom(viewport, pointer)));
    const QString before = window->pointerText();
    QWheelEvent wheel(pointer, viewport->mapToGlobal(pointer), {}, { 0, 120 }, Qt::NoButton,
        Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(window->zoom(), (vanto::Zoom { 2, 1 }));
    // The pixel under the pointer stays under it.
    const QPoint under
        = window->imageView()->pixelAt(window->imageView()->mapFrom(viewport, pointer));
    hover(*window, under);
    EXPECT_EQ(window->pointerText(), before);

    QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
    const QSize room = window->scrollArea()->maximumViewportSize();
    EXPECT_EQ(window->zoom().enlarge, 1);
    EXPECT_GT(window->zoom().reduce, 1);
    EXPECT_LE(window->imageView()->width(), room.width());
    EXPECT_LE(window->imageView()->height(), room.height());
}

// Regression: after Ctrl+1 the status bar kept naming the pixel that had
// been under the pointer, with the grey background there now.
TEST_F(ShownViewer, AfterAZoomTheStatusBarSaysWhatIsUnderThePointerOrNothing)
{
    show("a.pbm", bitmapFromRows(std::vector<std::string>(30, std::string(40, '0'))));
    ASSERT_GT(window->zoom().enlarge, 2);
    // The pointer over the top left pixel, as opened large.
    QCursor::setPos(window->imageView()->mapToGlobal(QPoint(1, 1)));
    hover(*window, { 0, 0 });
    ASSERT_TRUE(window->pointerText().startsWith("(0, 0) blanco"));
    // At 1:1 the small image sits in the middle: the pointer is over the
    // background.
    QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
    ASSERT_EQ(window->zoom(), (vanto::Zoom { 1, 1 }));
    EXPECT_EQ(window->pointerText(), QString());
    // Back in, the pixel under it is named again.
    QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(window->pointerText().startsWith("(0, 0) blanco"))
        << window->pointerText().toStdString();
}

TEST_F(ShownViewer, SavingAtAZoomTooLargeSaysSoBeforeAskingForAName)
{
    Bitmap big = bitmapFromRows(std::vector<std::string>(300, std::string(300, '0')));
    show("grande.pbm", big);
    // 300 pixels at 128:1 are 38.400 a side, more than a picture can be.
    while (window->zoom().enlarge < 96)
        QTest::keySequence(window.get(), QKeySequence::ZoomIn);
    ASSERT_FALSE(vanto::canRender(window->zoom().pictureSize({ 300, 300 })));
    const SeenBox box = catchMessageBox([&] { action(*window, "Guardar imagen…")->trigger(); });
    ASSERT_TRUE(box.seen) << "no box, or a file dialog instead";
    EXPECT_TRUE(box.text.contains("demasiado para guardarla")) << box.text.toStdString();
    // Spanish numbers: a thousands separator.
    EXPECT_TRUE(box.text.contains("28.800 x 28.800")) << box.text.toStdString();
}

TEST_F(ShownViewer, EveryActionIsInAMenuWithAnAccessKeyAndAShortcut)
{
    show("/muestras/B.pbm", sample("B.pbm"));
    EXPECT_EQ(window->scrollArea()->accessibleName(), "Imagen B.pbm, 29 x 39 píxeles");
    EXPECT_FALSE(window->scrollArea()->accessibleDescription().isEmpty());
    QStringList menus;
    for (QAction* menu : window->menuBar()->actions()) {
        menus << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator())
                continue;
            EXPECT_TRUE(item->text().contains('&')) << item->text().toStdString();
            const bool panel = item->text().contains("Leyenda") || item->text().contains("Barra")
                || item->text() == "&Reconocimiento";
            EXPECT_TRUE(panel || !item->shortcut().isEmpty()) << item->text().toStdString();
        }
    }
    EXPECT_EQ(menus, QStringList({ "&Archivo", "&Ver", "&Capas", "&Reconocimiento" }));
}

TEST_F(ShownViewer, SavedPngReadsBackWithTheSamePixels)
{
    show("B.pbm", sample("B.pbm"));
    QTest::keyClick(window.get(), Qt::Key_B);
    QTest::keyClick(window.get(), Qt::Key_F);
    QTemporaryDir dir;
    ASSERT_TRUE(window->saveImage(dir.filePath("vista")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "vista.png" });
    const QImage saved(dir.filePath("vista.png"), "png");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), window->picture());
}

TEST_F(ShownViewer, FailedSaveGivesASpanishBoxWithTheReasonAndLeavesNothing)
{
    show("B.pbm", sample("B.pbm"));
    QTemporaryDir dir;
    // A folder without write permission (root may write in any folder of
    // its own, but the kernel's /sys refuses new files to everyone), and a
    // name already taken by a folder, which fails only at the last step.
    const QString closed = ::geteuid() == 0 ? QStringLiteral("/sys") : dir.filePath("cerrada");
    if (::geteuid() != 0) {
        QDir(dir.path()).mkdir("cerrada");
        QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    QDir(dir.path()).mkpath("ocupada/vista.png");
    const struct {
        QString folder;
        QString reason;
    } cases[] = {
        { closed, "no se puede crear un fichero en la carpeta: permiso denegado (error 13)" },
        { dir.filePath("ocupada"), "(error 21)" },
    };
    for (const auto& c : cases) {
        const QStringList before = QDir(c.folder).entryList(QDir::AllEntries | QDir::Hidden);
        bool saved = true;
        const SeenBox box
            = catchMessageBox([&] { saved = window->saveImage(c.folder + "/vista.png"); });
        EXPECT_FALSE(saved);
        ASSERT_TRUE(box.seen);
        EXPECT_TRUE(
            box.text.startsWith("No se pudo guardar la imagen en «" + c.folder + "/vista.png»: "))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.endsWith(c.reason)) << box.text.toStdString();
        EXPECT_EQ(QDir(c.folder).entryList(QDir::AllEntries | QDir::Hidden), before);
    }
    QFile::setPermissions(
        closed, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(SpanishTranslation, StandardButtonsReadAceptar)
{
    ASSERT_TRUE(glifora::installSpanishTranslation(*qApp));
    QMessageBox box(QMessageBox::Warning, "t", "m", QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().remove('&'), "Aceptar");
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As VIEWPBM.EXE does: Qt's texts and the numbers in Spanish.
    glifora::installSpanishTranslation(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include <gtest/gtest.h>

#include "spanish.hpp"
#include "viewer.hpp"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <random>

using vanto::Bitmap;
using vanto::fitFactor;
using vanto::renderBitmap;

namespace {

Bitmap bitmapFromRows(const std::vector<std::string>& rows)
{
    Bitmap b;
    b.height = static_cast<int>(rows.size());
    b.width = static_cast<int>(rows.front().size());
    for (const auto& row : rows)
        for (char c : row)
            b.pixels.push_back(c == '1' ? 1 : 0);
    return b;
}

bool isBlack(const QImage& image, int x, int y)
{
    return image.pixel(x, y) == qRgb(0, 0, 0);
}
bool isWhite(const QImage& image, int x, int y)
{
    return image.pixel(x, y) == qRgb(255, 255, 255);
}

// Every screen pixel must be exactly the colour of the image pixel it
// enlarges: no smoothing, no shift.
void expectCrispEnlargement(const Bitmap& b, const QImage& image, int factor)
{
    ASSERT_EQ(image.size(), QSize(b.width * factor, b.height * factor));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool black = b.black(x / factor, y / factor);
            ASSERT_TRUE(black ? isBlack(image, x, y) : isWhite(image, x, y))
                << "pixel " << x << "," << y << " factor " << factor;
        }
}

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

struct FitCase {
    QSize image;
    QSize available;
    int factor;
};

void PrintTo(const FitCase& c, std::ostream* os)
{
    *os << c.image.width() << "x" << c.image.height() << " in " << c.available.width() << "x"
        << c.available.height();
}

class FitFactor : public ::testing::TestWithParam<FitCase> { };

TEST_P(FitFactor, IsTheLargestWholeFactorThatFits)
{
    EXPECT_EQ(fitFactor(GetParam().image, GetParam().available), GetParam().factor);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FitFactor,
    ::testing::Values(FitCase { { 10, 10 }, { 100, 100 }, 10 },
        FitCase { { 10, 20 }, { 100, 100 }, 5 }, FitCase { { 30, 10 }, { 100, 50 }, 3 },
        FitCase { { 25, 25 }, { 100, 99 }, 3 }, FitCase { { 32, 48 }, { 1920, 1003 }, 20 },
        FitCase { { 100, 100 }, { 100, 100 }, 1 }, FitCase { { 4096, 4096 }, { 1920, 1080 }, 1 },
        FitCase { { 10, 10 }, { 0, 0 }, 1 }));

TEST(RenderBitmap, EnlargesEachPixelToACrispSquare)
{
    const Bitmap b = bitmapFromRows({ "101", "010" });
    for (int factor : { 1, 2, 3, 7, 8, 9 }) {
        SCOPED_TRACE(factor);
        expectCrispEnlargement(b, renderBitmap(b, factor), factor);
    }
}

TEST(RenderBitmap, RandomImagesAcrossByteBoundariesStayExact)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        Bitmap b;
        b.width = 1 + static_cast<int>(random() % 30);
        b.height = 1 + static_cast<int>(random() % 10);
        for (int i = 0; i < b.width * b.height; ++i)
            b.pixels.push_back(static_cast<std::uint8_t>(random() & 1));
        const int factor = 1 + static_cast<int>(random() % 6);
        expectCrispEnlargement(b, renderBitmap(b, factor), factor);
    }
}

TEST(RenderBitmap, RefusesSizesNoWindowCanShow)
{
    Bitmap wide;
    wide.width = 20000;
    wide.height = 1;
    wide.pixels.assign(20000, 1);
    EXPECT_FALSE(renderBitmap(wide, 1).isNull());
    EXPECT_TRUE(renderBitmap(wide, 2).isNull());
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
    EXPECT_TRUE(input.error.contains("40000×1")) << input.error.toStdString();
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

    const QSize room = window.maximumViewportSize();
    const int factor = window.factor();
    EXPECT_EQ(factor, fitFactor(QSize(4, 5), room));
    EXPECT_GT(factor, 1);
    EXPECT_LE(4 * factor, room.width());
    EXPECT_LE(5 * factor, room.height());
    EXPECT_GT(5 * (factor + 1), room.height()); // a larger factor would not fit
    expectCrispEnlargement(b, window.image(), factor);
    EXPECT_FALSE(window.verticalScrollBar()->isVisible());

    window.resize(200, 150);
    QCoreApplication::processEvents();
    EXPECT_LT(window.factor(), factor);
    EXPECT_EQ(window.image().height(), 5 * window.factor());
}

TEST(ViewerWindow, ImageLargerThanTheWindowIsShownOneToOneAndScrolls)
{
    Bitmap b;
    b.width = 600;
    b.height = 500;
    b.pixels.assign(600 * 500, 0);
    vanto::ViewerWindow window("grande.pbm", b);
    window.resize(300, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.factor(), 1);
    EXPECT_EQ(window.image().size(), QSize(600, 500));
    EXPECT_GT(window.verticalScrollBar()->maximum(), 0);
    EXPECT_GT(window.horizontalScrollBar()->maximum(), 0);
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
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

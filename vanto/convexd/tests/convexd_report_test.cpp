#include "convexd_report.hpp"
#include "test_bitmaps.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace vanto {
namespace {

std::string reportOf(const Bitmap& image)
{
    std::ostringstream out;
    writeConvexdReport(image, out);
    return out.str();
}

TEST(ConvexdReport, SummaryComesBeforeTheRegionsDefectsAndHull)
{
    const std::string text = reportOf(testing::drawn({
        ".......",
        ".#...#.",
        ".#.#.#.",
        ".#...#.",
        ".#####.",
        ".......",
    }));
    testing::expectInOrder(text,
        {
            "Casco convexo: 4 vértices, área 12.00, 20 píxeles dentro\n"
            "Deficiencia convexa: 8 píxeles en 1 región (0 lagos, 1 bahía; 0 píxeles de lago, 8 de "
            "bahía)\n",
            "  Región 1: bahía, área 8 píxeles, caja (2, 1)-(4, 3), centroide (3.00, 2.00)\n",
            "  Borde 2 (inicio (3, 2), 1 punto): 0 defectos\n",
            "Vértices del casco convexo, en sentido antihorario en la pantalla:\n"
            "  (1, 1) (1, 4) (5, 4) (5, 1)\n",
        });
}

TEST(ConvexdReport, RegionListOfAPathologicalImageStopsAfterAMegabyte)
{
    const int n = 701;
    Bitmap board = testing::blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            testing::set(board, x, y, (x + y) % 2 == 0);
    const std::string text = reportOf(board);
    EXPECT_NE(text.find(" regiones más: cada lista se corta al pasar de 1048576 bytes\n"),
        std::string::npos);
    EXPECT_LT(text.size(), (1u << 20) + 8192);
}

TEST(ConvexdReport, BorderOfMillionsOfPointsIsCountedButNotSearchedForDefects)
{
    // A serpentine one pixel thick: one border walked there and back, of
    // about twice the black pixels.
    const int w = 2048, h = 2101;
    Bitmap snake = testing::blank(w, h);
    for (int y = 0; y < h; ++y) {
        if (y % 2 == 0) {
            for (int x = 0; x < w; ++x)
                testing::set(snake, x, y);
        } else {
            testing::set(snake, (y / 2) % 2 == 0 ? w - 1 : 0, y);
        }
    }
    const std::string text = reportOf(snake);
    EXPECT_NE(text.find("Defectos de convexidad: 0 en 1 borde exterior, 0 de profundidad de un "
                        "píxel o más (sin buscar en 1 borde demasiado largo)\n"),
        std::string::npos)
        << text.substr(0, 2000);
    EXPECT_NE(text.find("puntos): demasiado largo para buscar sus defectos\n"), std::string::npos);
}

} // namespace
} // namespace vanto

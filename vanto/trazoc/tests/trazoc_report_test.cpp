#include "test_bitmaps.hpp"
#include "trazoc_report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace vanto {
namespace {

std::string reportOf(const Bitmap& image)
{
    std::ostringstream out;
    writeTrazocReport(image, out);
    return out.str();
}

TEST(TrazocReport, RingIsSummarisedBeforeItsBordersAndTheirChainCodes)
{
    const std::string text = reportOf(testing::drawn({ "....", "###.", "#.#.", "###." }));
    EXPECT_NE(text.find("0 = este, contado en sentido antihorario con la y creciendo hacia abajo"),
        std::string::npos);
    testing::expectInOrder(text,
        {
            "Imagen: 4 x 4 píxeles\n",
            "Píxeles negros: 8\n",
            "Componentes: 1\n",
            "Huecos: 1\n",
            "  Borde 1: exterior, inicio (0, 1), 8 puntos, perímetro 8.00, caja (0, 1)-(2, 3)\n",
            "  Borde 2: hueco del borde 1, inicio (0, 2), 4 puntos, perímetro 5.66, caja (0, "
            "1)-(2, 3)\n",
            "  Borde 1:\n    66002244\n  Borde 2:\n    1753\n",
        });
}

TEST(TrazocReport, IsolatedPixelHasNoChainCodeSteps)
{
    const std::string text = reportOf(testing::drawn({ "...", "..#" }));
    EXPECT_NE(
        text.find("  Borde 1: exterior, inicio (2, 1), 1 punto, perímetro 0.00"), std::string::npos)
        << text;
    EXPECT_NE(text.find("  Borde 1: ninguno, es un píxel aislado\n"), std::string::npos) << text;
}

TEST(TrazocReport, BlankImageSaysThereAreNoBorders)
{
    const std::string text = reportOf(testing::blank(5, 3));
    EXPECT_NE(text.find("Componentes: 0\nHuecos: 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("no hay bordes"), std::string::npos) << text;
    EXPECT_EQ(text.find("Borde 1"), std::string::npos) << text;
}

TEST(TrazocReport, LongChainCodesAreWrappedButComplete)
{
    // A 60-pixel bar: 118 steps there and back.
    Bitmap bar = testing::blank(62, 3);
    for (int x = 1; x <= 60; ++x)
        testing::set(bar, x, 1);
    const std::string text = reportOf(bar);
    const auto at = text.find("  Borde 1:\n    ");
    ASSERT_NE(at, std::string::npos) << text;
    const std::string expected
        = std::string(59, '0').append(21, '4') + "\n    " + std::string(38, '4') + "\n";
    EXPECT_EQ(text.substr(at + 15), expected);
}

} // namespace
} // namespace vanto

namespace vanto {
namespace {

TEST(TrazocReport, ListsOfAPathologicalNumberOfBordersStopAfterAMegabyteEach)
{
    // A checkerboard: one component with a hole at every inner white pixel.
    const int n = 701;
    Bitmap board = testing::blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            testing::set(board, x, y, (x + y) % 2 == 0);
    const std::string text = reportOf(board);
    const int holes = (n - 2) * (n - 2) / 2;
    EXPECT_NE(
        text.find("Componentes: 1\nHuecos: " + std::to_string(holes) + "\n"), std::string::npos);
    // Both lists are cut, each a little past its budget, with the count of
    // the borders left out.
    const auto tableCut = text.find(" bordes más: cada lista se corta al pasar de 1048576 bytes\n");
    ASSERT_NE(tableCut, std::string::npos);
    const auto codes = text.find("\nCódigos de cadena");
    ASSERT_NE(codes, std::string::npos);
    EXPECT_LT(tableCut, codes);
    EXPECT_NE(text.find(" bordes más: cada lista se corta", codes), std::string::npos);
    EXPECT_GT(text.size(), 2u << 20);
    EXPECT_LT(text.size(), (2u << 20) + 4096);
}

} // namespace
} // namespace vanto

namespace vanto {
namespace {

TEST(TrazocReport, ChainCodeOfOneBorderLongerThanTheBudgetIsCutInsideIt)
{
    // A bar one pixel high: a single border walked there and back, whose
    // chain code alone is twice the budget.
    const int length = 1 << 20;
    Bitmap bar = testing::blank(length, 1);
    std::fill(bar.pixels.begin(), bar.pixels.end(), 1);
    const std::string text = reportOf(bar);

    const std::string cut = " códigos más de este borde: cada lista se corta al pasar de 1048576 "
                            "bytes\n";
    ASSERT_TRUE(text.ends_with(cut))
        << text.substr(text.size() - std::min<std::size_t>(text.size(), 300));
    const auto codes = text.find("  Borde 1:\n");
    const auto leftOutAt = text.rfind("  ... y ");
    ASSERT_NE(codes, std::string::npos);
    ASSERT_NE(leftOutAt, std::string::npos);
    const std::uint64_t leftOut = std::stoull(text.substr(leftOutAt + 8));
    const std::string chain = text.substr(codes, leftOutAt - codes);
    const auto written = static_cast<std::uint64_t>(
        std::count(chain.begin(), chain.end(), '0') + std::count(chain.begin(), chain.end(), '4'));
    // What was written and what was left out make up the whole border, and
    // the codes stop just past the budget.
    EXPECT_EQ(written + leftOut, 2u * length - 2);
    EXPECT_GT(text.size() - codes, std::size_t { 1 } << 20);
    EXPECT_LT(text.size() - codes, (std::size_t { 1 } << 20) + 200);
}

} // namespace
} // namespace vanto

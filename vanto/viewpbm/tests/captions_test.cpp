// The viewer's words: the legend of the layers and the zones' values, in
// Spanish, from the numbers the analyses give.
#include "captions.hpp"
#include "test_images.hpp"
#include "test_pictures.hpp"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <string>

namespace vanto {
namespace {

using testing::bitmapFromRows;
using testing::sample;

TEST(Legend, NumbersAreWrittenTheSpanishWay)
{
    ViewerScene scene(sample("e.pbm"));
    QStringList lines;
    for (const LegendEntry& entry : legendEntries(scene, DefectsLayer | DeficiencyLayer))
        lines << entry.text;
    // "4,62 píxeles": a decimal comma, never a point, as the reader writes it.
    EXPECT_EQ(lines.filter(QRegularExpression("el más hondo, \\d+,\\d\\d píxeles$")).size(), 1)
        << lines.join('|').toStdString();
    EXPECT_TRUE(lines.filter(QRegularExpression("\\d\\.\\d\\d")).isEmpty())
        << lines.join('|').toStdString();
}

bool hasEntry(const QList<LegendEntry>& entries, const QString& text)
{
    for (const LegendEntry& entry : entries) {
        if (entry.text == text)
            return true;
    }
    return false;
}

TEST(Legend, LayersWithNothingToShowAreListedAndSaySo)
{
    const Layers all
        = BordersLayer | HullLayer | DefectsLayer | DeficiencyLayer | ZonesLayer | ZoneValuesLayer;
    ViewerScene square(bitmapFromRows({ "....", ".##.", ".##.", "...." }));
    const QList<LegendEntry> solid = legendEntries(square, all);
    EXPECT_TRUE(hasEntry(solid, "Bordes exteriores: 1"));
    EXPECT_TRUE(hasEntry(solid, "Bordes de hueco: ninguno, la imagen no tiene huecos"));
    EXPECT_TRUE(hasEntry(solid, "Defectos de convexidad: ninguno"));
    EXPECT_TRUE(hasEntry(solid, "Lagos: ninguno"));
    EXPECT_TRUE(hasEntry(solid, "Bahías: ninguna"));

    ViewerScene blank(bitmapFromRows({ "...", "..." }));
    const QList<LegendEntry> empty = legendEntries(blank, all);
    for (const char* text : { "Bordes: ninguno, la imagen no tiene píxeles negros",
             "Casco convexo: ninguno, la imagen no tiene píxeles negros",
             "Zonas: ninguna, la imagen no tiene píxeles negros" })
        EXPECT_TRUE(hasEntry(empty, text)) << text;

    const QList<LegendEntry> off = legendEntries(square, {});
    EXPECT_EQ(off.size(), 5);
    for (const LegendEntry& entry : off)
        EXPECT_TRUE(entry.text.endsWith(": capa apagada")) << entry.text.toStdString();
}

TEST(Scene, ImageWithMoreBordersThanAPictureCanHoldKeepsTheFirstAndSaysSo)
{
    // A checkerboard: a hole at every inner white pixel, half a million.
    const int n = 1024;
    Bitmap board;
    board.width = board.height = n;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            board.pixels.push_back((x + y) % 2 == 0);
    ViewerScene scene(board);
    const BorderAnalysis& borders = scene.borders();
    EXPECT_FALSE(borders.complete);
    ASSERT_EQ(borders.borders.size(), ViewerScene::kMaxBorders);
    // Numbered as in discovery, so the names agree with TRAZOC.EXE's.
    EXPECT_EQ(borders.borders.back().number, ViewerScene::kMaxBorders);
    EXPECT_TRUE(hasEntry(legendEntries(scene, BordersLayer),
        "Solo se dibujan los primeros 16.384 bordes: la imagen tiene más"));
}

TEST(ZoneCaptions, EachZoneIsDescribedWithTheValuesTheVectorHoldsForIt)
{
    using namespace vecplan;
    const Bitmap t = test::enlarged(test::drawing({
                                        ".......",
                                        ".#####.",
                                        "...#...",
                                        "...#...",
                                        ".......",
                                    }),
        2);
    const auto layout = zoneLayout(t);
    const auto f = computeFeatures(t);
    ASSERT_TRUE(layout && f);
    ASSERT_EQ(layout->measures.size(), 36u);
    for (std::size_t i = 0; i < 36; ++i) {
        const int* d = f->values.data() + kGroups[kDirectionGroup].offset + i * kDirections;
        EXPECT_EQ(zoneDescription(layout->measures[i]).toStdString(),
            "negro " + std::to_string(f->values[i]) + " ‰; contorno ‰: — " + std::to_string(d[0])
                + ", / " + std::to_string(d[1]) + ", | " + std::to_string(d[2]) + ", \\ "
                + std::to_string(d[3]))
            << i;
    }
}

TEST(ZoneCaptions, PictureLabelsGoFromEveryValueToTheBlackAlone)
{
    const vecplan::ZoneLayout::Measures zone { 1000, { 250, 0, 1000, 12 } };
    EXPECT_EQ(zoneCaptions(zone),
        (QStringList { "negro 1000 ‰\n— 250  / 0\n| 1000  \\ 12", "negro 1000 ‰", "1000 ‰" }));
    EXPECT_EQ(zoneDescription(zone), "negro 1000 ‰; contorno ‰: — 250, / 0, | 1000, \\ 12");
}

} // namespace
} // namespace vanto

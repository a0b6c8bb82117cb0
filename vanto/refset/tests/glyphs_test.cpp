#include "features.hpp"
#include "glyphs.hpp"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vanto::refset::Framing;
using vanto::refset::renderGlyph;
using namespace vanto::vecplan;

namespace {

const vanto::refset::FontFace& dejaVuSans()
{
    return vanto::refset::referenceFaces().front();
}

std::vector<int> shapeValues(const Features& f)
{
    return { f.values.begin(), f.values.begin() + kGroups[kFrameGroup].offset };
}

std::vector<int> frameValues(const Features& f)
{
    return { f.values.begin() + kGroups[kFrameGroup].offset, f.values.end() };
}

} // namespace

TEST(Glyphs, LineFrameSpansTheFontsHeightWithTheBaselineInOnePlace)
{
    const auto upper = renderGlyph(dejaVuSans(), 40, "X", Framing::Line);
    const auto lower = renderGlyph(dejaVuSans(), 40, "x", Framing::Line);
    ASSERT_EQ(upper.error, "");
    ASSERT_EQ(lower.error, "");
    EXPECT_EQ(upper.bitmap.height, lower.bitmap.height);
    const auto fu = computeFeatures(upper.bitmap);
    const auto fl = computeFeatures(lower.bitmap);
    ASSERT_TRUE(fu && fl);
    // Both stand on the baseline; the lower-case letter is shorter.
    EXPECT_EQ(fu->box.top + fu->box.height, fl->box.top + fl->box.height);
    EXPECT_LT(fu->box.top, fl->box.top);
    EXPECT_EQ(frameValues(*fu)[0], 1);
    EXPECT_EQ(frameValues(*fl)[0], 1);
    EXPECT_GT(frameValues(*fu)[3], frameValues(*fl)[3]);
}

TEST(Glyphs, CroppedGlyphHasTheSameShapeAndNoFrame)
{
    for (const char* character : { "c", "g", "Ñ", "7" }) {
        const auto line = renderGlyph(dejaVuSans(), 32, character, Framing::Line);
        const auto tight = renderGlyph(dejaVuSans(), 32, character, Framing::Tight);
        ASSERT_EQ(line.error, "") << character;
        ASSERT_EQ(tight.error, "") << character;
        EXPECT_GT(line.bitmap.height, tight.bitmap.height) << character;
        const auto fl = computeFeatures(line.bitmap);
        const auto ft = computeFeatures(tight.bitmap);
        ASSERT_TRUE(fl && ft) << character;
        EXPECT_EQ(shapeValues(*fl), shapeValues(*ft)) << character;
        EXPECT_EQ(frameValues(*ft), std::vector<int>(4, 0)) << character;
    }
}

TEST(Glyphs, MissingFontOrCharacterIsReportedNotDrawn)
{
    const vanto::refset::FontFace missing { "/nonexistent/font.ttf", "Nada" };
    const auto noFont = renderGlyph(missing, 32, "A", Framing::Line);
    EXPECT_NE(noFont.error.find("/nonexistent/font.ttf"), std::string::npos) << noFont.error;
    EXPECT_EQ(noFont.bitmap.width, 0);
    // A private-use code point that no text face draws.
    const auto noGlyph = renderGlyph(dejaVuSans(), 32, "\xEE\x80\x80", Framing::Tight);
    EXPECT_NE(noGlyph.error.find("no tiene el carácter"), std::string::npos) << noGlyph.error;
    EXPECT_EQ(noGlyph.bitmap.width, 0);
}

int main(int argc, char* argv[])
{
    // Only outlines are drawn, into images in memory: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

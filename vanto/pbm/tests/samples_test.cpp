// The sample images shipped in samples/ must be real, readable PBM: plain
// ones that read as a picture line by line, a raw one, and one in a folder
// whose name has a space.
#include <gtest/gtest.h>

#include "pbm.hpp"
#include "sample_images.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const fs::path kSamples = GLIFORA_SAMPLES_DIR;

std::string magic(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string first(2, '\0');
    in.read(first.data(), 2);
    return first;
}

} // namespace

TEST(Samples, EverySampleIsACharacterWithAWhiteBorder)
{
    const auto files = vanto::testing::sampleImages();
    ASSERT_GE(files.size(), 6u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        const vanto::PbmResult result = vanto::readPbm(path.string());
        ASSERT_TRUE(result.ok()) << result.error;
        const vanto::Bitmap& b = result.bitmap;
        EXPECT_GE(b.height, 24);
        EXPECT_LE(b.height, 48);
        int black = 0;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                if (b.black(x, y)) {
                    ++black;
                    EXPECT_TRUE(x > 0 && y > 0 && x < b.width - 1 && y < b.height - 1)
                        << "black pixel on the border at " << x << "," << y;
                }
        EXPECT_GT(black, 20);
    }
}

TEST(Samples, PlainSamplesShowOneImageRowPerLine)
{
    int plain = 0;
    for (const auto& path : vanto::testing::sampleImages()) {
        if (magic(path) != "P1")
            continue;
        ++plain;
        SCOPED_TRACE(path.string());
        const vanto::Bitmap b = vanto::readPbm(path.string()).bitmap;
        std::ifstream in(path);
        std::string line;
        std::vector<std::string> raster;
        int headerLines = 0;
        while (std::getline(in, line)) {
            if (line.starts_with("#"))
                continue;
            if (headerLines < 2) {
                ++headerLines; // "P1", then "width height"
                continue;
            }
            raster.push_back(line);
        }
        ASSERT_EQ(raster.size(), static_cast<std::size_t>(b.height));
        for (int y = 0; y < b.height; ++y) {
            std::string expected;
            for (int x = 0; x < b.width; ++x)
                expected += b.black(x, y) ? '1' : '0';
            EXPECT_EQ(raster[static_cast<std::size_t>(y)], expected) << "row " << y;
        }
    }
    EXPECT_GE(plain, 5);
}

TEST(Samples, OneIsRawAndOneLivesInAFolderWithASpace)
{
    EXPECT_EQ(magic(kSamples / "R_raw.pbm"), "P4");
    const vanto::PbmResult spaced
        = vanto::readPbm((kSamples / "con espacios" / "letra a.pbm").string());
    EXPECT_TRUE(spaced.ok()) << spaced.error;
}

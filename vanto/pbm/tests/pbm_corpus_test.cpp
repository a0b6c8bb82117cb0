// Replays the fuzzer's corpus and every input that once made the reader
// fail through parsePbm: under the sanitizer build any memory fault shows
// up here, and each result must be consistent.
#include <gtest/gtest.h>

#include "pbm.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& dir)
{
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(dir))
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    return files;
}

std::string contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void expectConsistent(const std::filesystem::path& file)
{
    SCOPED_TRACE(file.filename().string());
    const vanto::PbmResult result = vanto::parsePbm(contents(file));
    if (!result.ok()) {
        EXPECT_TRUE(result.bitmap.pixels.empty());
        EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
        return;
    }
    const vanto::Bitmap& b = result.bitmap;
    ASSERT_GT(b.width, 0);
    ASSERT_GT(b.height, 0);
    ASSERT_EQ(b.pixels.size(), static_cast<std::size_t>(b.width) * b.height);
    EXPECT_EQ(vanto::parsePbm(vanto::formatRawPbm(b)).bitmap.pixels, b.pixels);
}

} // namespace

TEST(PbmFuzzCorpus, EveryCorpusAndCrashInputParsesConsistently)
{
    auto files = filesIn(VANTO_PBM_FUZZ_DIR "/corpus");
    ASSERT_GE(files.size(), 5u) << "the corpus folder is missing or nearly empty";
    // crashes/ holds every input that ever made the fuzzer report a fault.
    for (auto& crash : filesIn(VANTO_PBM_FUZZ_DIR "/crashes"))
        files.push_back(std::move(crash));
    for (const auto& file : files)
        expectConsistent(file);
}

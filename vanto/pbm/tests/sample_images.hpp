// The sample images shipped in samples/, for the tests of the reader and of
// the tools that read them. GLIFORA_SAMPLES_DIR is set by the test target.
#pragma once

#include <filesystem>
#include <vector>

namespace vanto::testing {

// Every .pbm file under the samples folder, subfolders included; none when
// the folder is missing.
inline std::vector<std::filesystem::path> sampleImages()
{
    std::vector<std::filesystem::path> images;
    if (std::filesystem::is_directory(GLIFORA_SAMPLES_DIR)) {
        for (const auto& entry :
            std::filesystem::recursive_directory_iterator(GLIFORA_SAMPLES_DIR)) {
            if (entry.is_regular_file() && entry.path().extension() == ".pbm")
                images.push_back(entry.path());
        }
    }
    return images;
}

} // namespace vanto::testing

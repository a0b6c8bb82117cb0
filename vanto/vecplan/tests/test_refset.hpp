// A small reference set for the tests: three hand-drawn characters.
#pragma once

#include "refset.hpp"
#include "test_images.hpp"

#include <string>

namespace vanto::vecplan::test {

inline std::string smallRefset()
{
    std::string text = formatRefsetHeader();
    text += formatReference({ "L", "mano/5px", computeFeatures(letterL())->values });
    text += formatReference({ "T", "mano/7px", computeFeatures(letterT())->values });
    text += formatReference({ "O", "mano/5px", computeFeatures(ring())->values });
    return text;
}

} // namespace vanto::vecplan::test

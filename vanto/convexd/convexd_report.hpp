// The text that CONVEXD.EXE prints for an image: the summary first, then the
// deficiency regions, the convexity defects of each outer border and the
// hull's corners.
#pragma once

#include "pbm.hpp"

#include <ostream>

namespace vanto {

void writeConvexdReport(const Bitmap& image, std::ostream& out);

} // namespace vanto

// The text that TRAZOC.EXE prints for an image: the summary first, then one
// line per border, then the chain codes, since a reader may keep only the
// beginning of it.
#pragma once

#include "pbm.hpp"

#include <ostream>

namespace vanto {

void writeTrazocReport(const Bitmap& image, std::ostream& out);

} // namespace vanto

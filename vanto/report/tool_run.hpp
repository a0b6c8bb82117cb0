// The frame that TRAZOC.EXE and CONVEXD.EXE share: check the one argument,
// read the image, write the report to standard output, and on any failure
// print one Spanish line on standard output (the front end shows only that
// stream), repeat it on standard error and end with a non-zero status.
#pragma once

#include "pbm.hpp"

#include <ostream>

namespace vanto {

using ReportWriter = void (*)(const Bitmap& image, std::ostream& out);

int runImageTool(int argc, char** argv, const char* toolName, ReportWriter writeReport);

} // namespace vanto

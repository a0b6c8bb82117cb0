// CONVEXD.EXE: the convex deficiencies of one PBM image, as text on standard
// output.
#include "convexd_report.hpp"
#include "tool_run.hpp"

int main(int argc, char** argv)
{
    return vanto::runImageTool(argc, argv, "CONVEXD.EXE", vanto::writeConvexdReport);
}

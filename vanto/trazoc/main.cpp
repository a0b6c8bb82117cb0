// TRAZOC.EXE: the contour analysis of one PBM image, as text on standard output.
#include "tool_run.hpp"
#include "trazoc_report.hpp"

int main(int argc, char** argv)
{
    return vanto::runImageTool(argc, argv, "TRAZOC.EXE", vanto::writeTrazocReport);
}

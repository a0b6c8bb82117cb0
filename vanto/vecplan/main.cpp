// VECPLAN.EXE <image.pbm>: names the character in the image and leaves the
// result in resvec.txt beside the executable.
#include "tool_files.hpp"
#include "vecplan.hpp"

#include <iostream>

int main(int argc, char** argv)
{
    std::string error;
    const std::string dir = vanto::vecplan::executableDirectory(error);
    if (dir.empty()) {
        std::cout << "VECPLAN.EXE: error: " << error << '\n';
        return 2;
    }
    return vanto::vecplan::runVecplan(
        std::vector<std::string>(argv + 1, argv + argc), dir, std::cout);
}

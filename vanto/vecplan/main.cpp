// VECPLAN.EXE <image.pbm>: names the character in the image and leaves the
// result in resvec.txt beside the executable. VECPLAN.EXE --ayuda gives the
// other forms: teaching it characters, listing and forgetting them.
#include "commands.hpp"
#include "tool_files.hpp"

#include <iostream>

int main(int argc, char** argv)
{
    std::string error;
    const std::string dir = vanto::vecplan::executableDirectory(error);
    if (dir.empty()) {
        std::cout << "VECPLAN.EXE: error: " << error << '\n';
        return 2;
    }
    return vanto::vecplan::runCommand(
        std::vector<std::string>(argv + 1, argv + argc), dir, std::cout);
}

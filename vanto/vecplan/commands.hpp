// VECPLAN.EXE's command line: the recognition of one image, as the front end
// starts it, or one of the forms that teach, list and forget references.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vanto::vecplan {

// Exit statuses of the forms that teach, list and forget.
inline constexpr int kDone = 0; // everything asked was done
inline constexpr int kNotAll = 1; // something was refused or failed (a line says why)
inline constexpr int kUsage = 2; // the command line is wrong

// Runs the tool: args are the arguments after the program's name, toolDir
// holds refset.db (and receives resvec.txt from a recognition). When the
// first argument is one of the options of helpText(), that form runs;
// otherwise it is a recognition run (runVecplan), exactly as before the
// forms existed. So an image whose name is an option is given with its
// folder, "./--ayuda", as the front end always gives the whole path.
// An unknown option followed by more arguments is a usage error.
int runCommand(const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out);

// Every form, in Spanish: what --ayuda prints.
std::string helpText();

} // namespace vanto::vecplan

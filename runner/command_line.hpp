// Tool command lines: building them from a prefix and the image path, and
// splitting them back into arguments on systems that start programs from an
// argument vector. Both follow the Windows command-line rules (those of the
// Microsoft C runtime), so that what one builds the other splits exactly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace glifora::runner {

// Quotes one argument by the Windows rules when it needs it (it is empty or
// contains a space, tab or double quote); otherwise returns it unchanged.
std::string quoteArgument(std::string_view argument);

// prefix (a tool's path and one space) followed by the image path, quoted
// only when needed: "C:\VANTO\TRAZOC.EXE " + "C:\img\a.pbm" gives exactly
// "C:\VANTO\TRAZOC.EXE C:\img\a.pbm".
std::string buildCommandLine(std::string_view prefix, std::string_view imagePath);

// Splits a command line into program and arguments. The first token is the
// program: quoted or up to the first space or tab, with no escapes. The
// others follow the C runtime's rules for backslashes and quotes.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

}  // namespace glifora::runner

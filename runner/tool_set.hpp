// The fixed tool directory: the four external programs and the two data
// files, named exactly as the program has always named them. Every literal
// here has exactly one caller.
#pragma once

#include <string_view>

namespace glifora::runner {

// Command-line prefixes: the tool's full path followed by one space; the
// image path is appended to them (see command_line.hpp).
inline constexpr std::string_view kViewerPrefix = "C:\\VANTO\\VIEWPBM.EXE ";
inline constexpr std::string_view kContourPrefix = "C:\\VANTO\\TRAZOC.EXE ";
inline constexpr std::string_view kConvexPrefix = "C:\\VANTO\\CONVEXD.EXE ";
inline constexpr std::string_view kVectorPrefix = "C:\\VANTO\\VECPLAN.EXE ";

// Data files, read only. Note the lower-case drive letter of the database.
inline constexpr std::string_view kVectorResultFile = "C:\\VANTO\\resvec.txt";
inline constexpr std::string_view kDatabaseFile = "c:\\VANTO\\refset.db";

// Windows show-window codes used for the launches without capture.
enum class WindowStyle : int {
    Minimized = 2,  // SW_SHOWMINIMIZED: the vector-template tool
    Maximized = 3,  // SW_SHOWMAXIMIZED: the viewer
};

}  // namespace glifora::runner

// VECPLAN.EXE as a function: recognise the character of one image against
// the reference set of a directory and leave the result in that directory.
#pragma once

#include "features.hpp"
#include "ranking.hpp"
#include "refset.hpp"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vanto::vecplan {

inline constexpr std::string_view kRefsetName = "refset.db";
inline constexpr std::string_view kResultName = "resvec.txt";
inline constexpr std::size_t kCandidateCount = 5;

// The result text: the image, the recognised character (and, when the
// image is like none of the references, a line that says so right after
// it), its vector laid out as a grid, the best candidates and the
// recognised character on a line of its own.
std::string formatResult(const std::string& imagePath, const Bitmap& image,
    const Features& features, const Ranking& ranking);

// The line of doubt: empty unless ranking.doubtful.
std::string doubtLine(const Ranking& ranking);

// The whole tool. args: the arguments after the program's name (exactly one,
// the image path). toolDir: where refset.db is read and resvec.txt written.
// The result, or the one-line message of a failure, goes both to `out` and
// into resvec.txt (replaced atomically). Returns the exit status: 0 when a
// character was recognised.
// A run's result never replaces the result of a run that started after it
// (see replaceRunResult); beforePublish, when set, is called just
// before the result is left, so that a test can hold a run back there.
int runVecplan(const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out,
    const std::function<void()>& beforePublish = {});

} // namespace vanto::vecplan

// What vecplan_eval counts and prints: the right answers per condition and
// group, the doubt on right answers and on noise, the most frequent
// confusions, and the minimums that the validation part must reach.
#pragma once

#include "evaluation.hpp"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vanto::refset::evaluation {

// One class for the characters that a character cut from its line cannot
// tell apart: 0/O/o, 1/I/l, and c/C s/S v/V w/W x/X z/Z.
std::string folded(const std::string& label);

// "minusculas" for the lower-case letters and ñ, "mayusculas" for the rest
// (digits and upper-case letters).
const char* groupOf(const std::string& label);

struct Tally {
    int total = 0;
    int right = 0;

    void add(bool hit)
    {
        ++total;
        right += hit;
    }
    double percent() const { return 100.0 * right / std::max(total, 1); }
};

// Row (condition or face style), group ("mayusculas" or "minusculas").
using Table = std::map<std::string, std::map<std::string, Tally>>;

// Counts an answer in its condition's row and, for the clean images of the
// bold and italic faces, in their style's row too.
void count(Table& table, const Entry& entry, bool hit);

// The rows printed, in order: every condition, then the bold and the
// italic faces' clean images.
std::vector<std::string> tableRows();

// Prints a part's table; `theirs`, when given, is Tesseract's column.
void printTable(const std::string& title, const std::vector<std::string>& rows, const Table& ours,
    const Table* theirs);

// What the doubt says, per part: right answers flagged, and noise flagged
// (noise that the cleaning leaves blank has no character at all).
struct Doubt {
    Tally rightFlagged; // among right answers: flagged
    Tally noiseFlagged; // among noise images with a character: flagged
    int noiseBlank = 0;
    std::vector<double> rightFarness; // of the right answers, to show the margin
    double noiseNearest = 1e300; // the least farness of any noise image
};

// The value below which p per cent of v lie (the nearest rank below); 0
// for nothing.
double percentile(std::vector<double> v, double p);

void printDoubt(const char* part, const Doubt& doubt, int noiseImages);

// How often each true character was read as another (or as nothing).
using Confusions = std::map<std::pair<std::string, std::string>, int>;

// Prints the 24 most frequent confusions, the most frequent first.
void printConfusions(const Confusions& confusions);

// The lines that say which minimums ("<row> <group> <minimum %>" a line,
// "#" comments) of the file `name` the table does not reach, one a fault:
// a row or group the table lacks is below every minimum, and a file with
// no minimum at all is a fault too. Empty when all are reached.
std::vector<std::string> belowMinimums(
    const Table& table, const std::string& minimums, const std::string& name);

} // namespace vanto::refset::evaluation

// The command line of vecplan_eval: the reference set, where the images
// come from (an evaluation folder, or drawn in memory), which parts are
// read and what is compared with them.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace vanto::refset::evaluation {

struct Options {
    std::string refset; // the reference set the images are recognised against
    bool draw = false; // --dibujar: drawn in memory, not read from a folder
    std::string folder; // the evaluation folder (empty when drawing)
    std::string drawn; // with --dibujar: the parts and conditions, as refset_gen's filter
    bool withTest = false; // --prueba: the test part too
    bool withTesseract = false; // --tesseract: Tesseract reads the test images too
    std::string minimumsFile; // --minimos: the validation part's minimums
    std::string taughtList; // --ensena: taught references added to the set
};

// The options of a command line, or nothing once the usage or the fault has
// been written to `err` (the program then ends with status 2).
std::optional<Options> parseOptions(int argc, const char* const* argv, std::ostream& err);

} // namespace vanto::refset::evaluation

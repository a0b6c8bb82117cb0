// The reference set: characters with known labels and their feature
// vectors, kept as plain UTF-8 text (refset.db).
#pragma once

#include "features.hpp"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::vecplan {

// No feature value is larger (the largest are parts per thousand): a
// larger one in a reference set is a damaged file.
inline constexpr int kMaxValue = 1000;

struct Reference {
    std::string label; // the character, one UTF-8 character
    std::string origin; // where it comes from (font and size), no spaces
    FeatureVector values {};
    bool taught = false; // taught by the user, not part of the built-in set
};

// The outcome of reading a reference set: the references, or a one-line
// Spanish message (error is empty exactly when the read worked).
struct RefsetResult {
    std::vector<Reference> references;
    std::string error;

    bool ok() const { return error.empty(); }
};

// The first line of every reference set; it names the format's version and
// the length of the vectors, so a set written for another vector is refused.
std::string refsetSignature();

// The header of a reference set: the signature line, then comment lines
// ("#") that explain the format and the layout of the vector.
std::string formatRefsetHeader();

// One reference as one line, ending in a newline.
std::string formatReference(const Reference& reference);

// Parses a whole reference set; `name` is how messages call the file.
RefsetResult parseRefset(std::string_view text, std::string_view name);

// Reads and parses the reference set in the file at path.
RefsetResult readRefset(const std::string& path);

// The same, handing each reference to `take` as soon as it is read (the
// same object again for the next one), so that nothing but the text is held
// at once. Returns the one-line Spanish message of the first fault (after
// which nothing more is taken), or an empty string.
std::string forEachReference(std::string_view text, std::string_view name,
    const std::function<void(const Reference&)>& take);
std::string readEachReference(
    const std::string& path, const std::function<void(const Reference&)>& take);

} // namespace vanto::vecplan

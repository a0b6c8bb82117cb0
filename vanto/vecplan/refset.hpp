// The reference set: characters with known labels and their feature
// vectors, kept as plain UTF-8 text (refset.db).
#pragma once

#include "features.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::vecplan {

// No feature value is larger (the largest are parts per thousand): a
// larger one in a reference set is a damaged file.
inline constexpr int kMaxValue = 1000;

struct Reference {
    std::string label; // the character, one UTF-8 character
    // Where it comes from: font and size, no spaces, for a built-in
    // reference; "enseñada: " and the image's file name for a taught one.
    std::string origin;
    FeatureVector values {};
    bool taught = false; // taught by the user, not part of the built-in set
    // Only for a taught reference: the image it was measured from (the
    // path as given, any bytes) and when it was taught, as local time with
    // its offset from UTC, "2025-03-01T10:22:33+01:00".
    std::string image {};
    std::string taughtAt {};
};

// The line that starts the taught part of a reference set, after the
// built-in references: the marker, a space and how many taught references
// follow.
inline constexpr std::string_view kTaughtMarker = "REFERENCIAS-ENSEÑADAS";

// The outcome of reading a reference set: the references, or a one-line
// Spanish message (error is empty exactly when the read worked).
struct RefsetResult {
    std::vector<Reference> references; // built-in ones first, then taught ones
    std::string error;
    // The length of the built-in part: the text before the taught part's
    // marker line, the whole text when nothing was taught.
    std::size_t builtInBytes = 0;

    bool ok() const { return error.empty(); }
};

// The first line of every reference set; it names the format's version and
// the length of the vectors, so a set written for another vector is refused.
std::string refsetSignature();

// The header of a reference set: the signature line, then comment lines
// ("#") that explain the format and the layout of the vector.
std::string formatRefsetHeader();

// One built-in reference as one line, ending in a newline.
std::string formatReference(const Reference& reference);

// One taught reference as one line, ending in a newline: the label and the
// image between quotes (escaped as escapeText does), the time, the values.
std::string formatTaughtReference(const Reference& reference);

// The taught part that follows the built-in part: the marker line with the
// count, comment lines that explain it, one line per taught reference in
// the given order. Empty when there is none.
std::string formatTaughtPart(const std::vector<Reference>& taught);

// Whether text is a time as a taught reference records it.
bool isTeachingTime(std::string_view text);

// Parses a whole reference set; `name` is how messages call the file. A
// taught part that is damaged (a line cut short, a count that does not
// match, a bad label, time or escape) is refused like any other fault.
RefsetResult parseRefset(std::string_view text, std::string_view name);

// The whole text of the reference-set file at path, or nothing with `error`
// set to a one-line Spanish message (a missing file, a folder or FIFO in
// its place, a file far too large to be a reference set).
std::optional<std::string> readRefsetText(const std::string& path, std::string& error);

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

// The reference set: characters with known labels and their feature
// vectors, kept as plain UTF-8 text (refset.db), and the ranking of a vector
// against it.
#pragma once

#include "features.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::vecplan {

struct Reference {
    std::string label; // the character, one UTF-8 character
    std::string origin; // where it comes from (font and size), no spaces
    FeatureVector values {};
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

struct Candidate {
    std::string label;
    std::string origin; // the reference closest to the vector with this label
    // The mean distance to the two closest references with this label (to
    // the only one, when there is one).
    double distance = 0;
};

// The references laid out for ranking: their values side by side in small
// integers, their labels numbered, so that ranking one vector against
// thousands of references is a tight loop. Built once per reference set.
class Ranker {
public:
    explicit Ranker(const std::vector<Reference>& references);

    // The `count` best labels for a vector, best first: a label's distance
    // is the mean of its two closest references' distances; ties keep the
    // order of the references.
    std::vector<Candidate> rank(const FeatureVector& vector, std::size_t count) const;

private:
    const std::vector<Reference>& references_;
    // Per reference, the values before the frame, each times the square root
    // of its group's weight, padded with zeros to a whole number of
    // kLanes: one plain sum of squared differences gives the weighted
    // distance, a loop the compiler turns into vector instructions.
    std::vector<std::int16_t> scaled_;
    std::vector<std::int16_t> frames_; // the frame group's values, scaled alike
    std::vector<std::uint32_t> labelOf_; // the label's number, per reference
    std::size_t labelCount_ = 0;
};

// The ranking of one vector against references offered one at a time, as a
// reference set is read: only each label's two closest are kept. Ranks
// exactly as Ranker does.
class NearestReferences {
public:
    explicit NearestReferences(const FeatureVector& vector);
    ~NearestReferences();
    NearestReferences(const NearestReferences&) = delete;
    NearestReferences& operator=(const NearestReferences&) = delete;

    void offer(const Reference& reference);
    std::vector<Candidate> ranked(std::size_t count) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The same, for one vector: builds the ranker and ranks.
std::vector<Candidate> rankCandidates(
    const FeatureVector& vector, const std::vector<Reference>& references, std::size_t count);

} // namespace vanto::vecplan

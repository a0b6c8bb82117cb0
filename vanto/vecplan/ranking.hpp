// The ranking of a character's feature vector against the reference set:
// the one distance between two vectors, and the nearest characters of a
// vector with the judgement whether it is like any of them at all.
#pragma once

#include "refset.hpp"
#include "row_block.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vanto::vecplan {

// What the frame group adds to the squared distance when either vector has
// no frame (a character cut close says nothing about its line): about what
// the frames of two references of one character usually differ by, so a
// vector without a frame is neither nearer nor farther than a framed one,
// and a cropped image is judged by its shape alone (every reference costs
// it the same).
inline constexpr long long kUnframedCost = 20000;

// The squared weighted distance between two vectors: each squared
// difference times its group's weight (kGroups); the frame group as its
// values say when both vectors have a frame, kUnframedCost otherwise.
long long distance(const FeatureVector& a, const FeatureVector& b);

// An image whose best character lies farther than this many times the
// usual distance between neighbouring references of that character is
// like none of them: the answer is given, with a word of doubt.
inline constexpr double kDoubtFactor = 2.6;

// A family (the built-in references of one character, or its taught ones)
// is judged by the mean distance to its closest references: one for every
// kReferencesPerClosest it holds, rounded, at least two and at most
// kMostClosest (all of them, when it holds fewer than two). A built-in
// family of some sixty faces counts its two closest; a taught family
// three times as large counts six. A family of many references lies close
// to much more than its own character by its two closest alone: a
// printed T rotated a little lies nearer two of 180 handwritten t's than
// two of the 62 printed T's. Counting as many closest per reference as a
// built-in family does weighs every family at the same density.
inline constexpr std::size_t kReferencesPerClosest = 31;
inline constexpr std::size_t kMostClosest = 8;

constexpr std::size_t closestCounted(std::size_t references)
{
    const std::size_t k = (references + kReferencesPerClosest / 2) / kReferencesPerClosest;
    return k < 2 ? 2 : k > kMostClosest ? kMostClosest : k;
}

// When a character's taught references meet the built-in references of
// another, the taught distance counts this many times: a printed character
// the built-in set reads stays read as printed, though the user's
// handwriting, taught in thousands, draws a neighbouring character near it
// (a printed P and a handwritten p). An image like one taught lies far
// nearer to it than that.
inline constexpr double kTaughtMargin = 1.08;

struct Candidate {
    std::string label;
    std::string origin; // the closest reference with this label
    // The distance of the family that ranked this label, the nearer of its
    // built-in and its taught families once the taught one's is counted
    // kTaughtMargin times; given as the family's own, without the margin.
    double distance = 0;
    bool taught = false; // the distance is that of the taught references
};

// One vector ranked: its best characters, and whether it is like the best
// one at all.
struct Ranking {
    std::vector<Candidate> candidates; // best first
    // The usual distance between a reference of the best character and its
    // nearest other reference of that character (of the kind that ranked
    // it, built-in or taught), or 0 when no character has two references.
    double usual = 0;
    // The best candidate lies farther than kDoubtFactor times `usual`.
    bool doubtful = false;

    // The best candidate's distance in units of `usual` (0 when unknown).
    double farness() const;
};

// The references laid out for ranking: their values side by side in small
// integers, labels numbered, so that ranking one vector against thousands
// of references is a tight loop. References are added one at a time, as a
// reference set is read, and keep nothing of the text.
//
// A label's distance is that of its built-in family or of its taught one,
// each judged by its own closest references (closestCounted), the nearer
// of the two with the taught one's counted kTaughtMargin times: a
// character the user taught once wins for an image like the one taught,
// whatever the built-in references of other characters, and a printed
// character is still read by the built-in set when much handwriting is
// taught.
//
// rank() keeps the usual distances it has worked out for later calls;
// one Ranker is not for two threads at once.
class Ranker {
public:
    Ranker() = default;
    explicit Ranker(const std::vector<Reference>& references);

    void add(const Reference& reference);
    std::size_t size() const { return familyOf_.size(); }

    // The `count` best labels for a vector, best first (ties keep the order
    // of the references), and the judgement of doubt.
    Ranking rank(const FeatureVector& vector, std::size_t count) const;

private:
    // The references of one label and one kind (built-in or taught).
    struct Family {
        std::uint32_t label = 0;
        bool taught = false;
        std::vector<std::uint32_t> members;
        mutable double usual = -1; // not worked out yet
    };

    std::uint32_t numberOf(const std::string& label);
    double usualDistance(const Family& family) const;
    const std::int16_t* row(std::size_t reference) const;
    std::string_view origin(std::size_t reference) const;

    // Per reference, a row of the values each times the square root of its
    // group's weight, the frame last, padded with zeros to a whole number
    // of vector lanes: one plain sum of squared differences gives the
    // weighted distance, a loop the compiler turns into vector instructions.
    // The rows lie in blocks that never move, so a set that grows as it is
    // read is never copied.
    std::vector<RowBlock> blocks_;
    std::vector<std::uint32_t> familyOf_; // per reference
    std::vector<std::uint8_t> counted_; // per family: closestCounted of its size
    // The origins one after the other, and where each one ends.
    std::string origins_;
    std::vector<std::uint32_t> originEnds_; // per reference
    std::vector<std::string> labels_; // by number
    std::unordered_map<std::string, std::uint32_t> numbers_;
    // The same for labels of one ASCII character, plus one (0: none yet).
    static constexpr std::size_t kAsciiLabels = 128;
    std::array<std::uint32_t, kAsciiLabels> asciiNumbers_ {};
    std::vector<Family> families_; // two per label: built-in, taught
};

} // namespace vanto::vecplan

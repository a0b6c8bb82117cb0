// The ranking of a character's feature vector against the reference set.
#pragma once

#include "refset.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vanto::vecplan {

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

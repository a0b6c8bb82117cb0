#include "ranking.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

namespace vanto::vecplan {

namespace {

constexpr int kFrameOffset = kGroups[kFrameGroup].offset;
constexpr int kFrameCount = kGroups[kFrameGroup].count;
constexpr int kLanes = 16;
constexpr int kShapeLength = (kFrameOffset + kLanes - 1) / kLanes * kLanes;
// The distance is summed a chunk at a time, so that a reference already
// too far to be one of its label's two closest is left early.
constexpr int kChunk = 3 * kLanes;
static_assert(kShapeLength % kChunk == 0);

// The integer square root of a group's weight.
constexpr int scaleOf(int weight)
{
    int s = 0;
    while ((s + 1) * (s + 1) <= weight)
        ++s;
    return s;
}

constexpr bool weightsAreSquares()
{
    for (const FeatureGroup& g : kGroups)
        if (scaleOf(g.weight) * scaleOf(g.weight) != g.weight)
            return false;
    return true;
}
static_assert(weightsAreSquares(), "the ranking scales each value by its weight's square root");
static_assert(kFrameOffset + kFrameCount == kVectorSize, "the frame ends the vector");

// Every value scaled is at most kMaxValue times the largest scale, and a
// whole sum of squared differences stays well inside an int (the largest
// groups hold shares that add up to a thousand).
constexpr int kScale[kGroups.size()] = { scaleOf(kGroups[0].weight), scaleOf(kGroups[1].weight),
    scaleOf(kGroups[2].weight), scaleOf(kGroups[3].weight), scaleOf(kGroups[4].weight),
    scaleOf(kGroups[5].weight), scaleOf(kGroups[6].weight), scaleOf(kGroups[7].weight),
    scaleOf(kGroups[8].weight), scaleOf(kGroups[9].weight) };
static_assert(std::size(kScale) == kGroups.size());

void scaleInto(const FeatureVector& values, std::int16_t* shape, std::int16_t* frame)
{
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        for (int i = kGroups[g].offset; i < kGroups[g].offset + kGroups[g].count; ++i) {
            const auto v = static_cast<std::int16_t>(
                std::clamp(values[static_cast<std::size_t>(i)], 0, kMaxValue) * kScale[g]);
            if (i < kFrameOffset)
                shape[i] = v;
            else
                frame[i - kFrameOffset] = v;
        }
    }
}

// The sum of squared differences of two rows of small integers; a count
// known when compiling, and a whole number of vector lanes, lets the
// compiler use vector instructions without a scalar tail.
template <int count> int sumOfSquares(const std::int16_t* a, const std::int16_t* b)
{
    // Scaled values lie between 0 and 6000, so their difference fits in 16
    // bits, and the products add up pairwise in 32 (one multiply-add
    // instruction for eight of them).
    int sum = 0;
    for (int i = 0; i < count; ++i) {
        const auto d = static_cast<std::int16_t>(a[i] - b[i]);
        sum += d * d;
    }
    return sum;
}

// The two closest references of each label, labels in order of first
// appearance. One close reference of the wrong label (a face that draws it
// oddly) outvotes the right one less often when the second closest counts
// too.
class ClosestTwo {
public:
    // A distance at which a reference of the label changes nothing.
    long long enough(std::uint32_t label) const
    {
        return label < slots_.size() && slots_[label].second >= 0
            ? slots_[label].second
            : std::numeric_limits<long long>::max();
    }

    // Returns whether the reference is now its label's closest.
    bool offer(std::uint32_t label, long long d, std::size_t source)
    {
        if (label >= slots_.size())
            slots_.resize(label + 1);
        Slot& s = slots_[label];
        if (s.first < 0) {
            order_.push_back(label);
            s = { d, -1, source };
            return true;
        }
        if (d < s.first) {
            s.second = s.first;
            s.first = d;
            s.source = source;
            return true;
        }
        if (s.second < 0 || d < s.second)
            s.second = d;
        return false;
    }

    struct Scored {
        std::uint32_t label;
        std::size_t source; // of the closest
        double distance; // the mean of the two closest
    };

    std::vector<Scored> best(std::size_t count) const
    {
        std::vector<Scored> scored;
        for (const std::uint32_t label : order_) {
            const Slot& s = slots_[label];
            const double first = std::sqrt(static_cast<double>(s.first));
            const double second = s.second < 0 ? first : std::sqrt(static_cast<double>(s.second));
            scored.push_back({ label, s.source, (first + second) / 2 });
        }
        std::stable_sort(scored.begin(), scored.end(),
            [](const Scored& a, const Scored& b) { return a.distance < b.distance; });
        if (scored.size() > count)
            scored.resize(count);
        return scored;
    }

private:
    struct Slot {
        long long first = -1; // none yet
        long long second = -1;
        std::size_t source = 0;
    };
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> order_;
};

// The squared weighted distance from a scaled query to a scaled reference,
// or at least `enough` once it is sure to reach it.
long long distanceUpTo(const std::int16_t* shape, const std::int16_t* frame, bool framed,
    const std::int16_t* refShape, const std::int16_t* refFrame, long long enough)
{
    // Partial sums only grow: once one reaches `enough`, the rest is moot.
    long long d = 0;
    for (int from = 0; from < kShapeLength && d < enough; from += kChunk)
        d += sumOfSquares<kChunk>(shape + from, refShape + from);
    // The frame counts only when both vectors have one (its first value).
    if (d < enough && framed && refFrame[0] == kScale[kFrameGroup])
        d += sumOfSquares<kFrameCount>(frame, refFrame);
    return d;
}

} // namespace

Ranker::Ranker(const std::vector<Reference>& references)
    : references_(references)
    , scaled_(references.size() * kShapeLength, 0)
    , frames_(references.size() * kFrameCount, 0)
{
    std::map<std::string, std::uint32_t> numbers;
    for (std::size_t r = 0; r < references.size(); ++r) {
        scaleInto(references[r].values, scaled_.data() + r * kShapeLength,
            frames_.data() + r * kFrameCount);
        const auto [it, inserted]
            = numbers.try_emplace(references[r].label, static_cast<std::uint32_t>(numbers.size()));
        labelOf_.push_back(it->second);
    }
    labelCount_ = numbers.size();
}

std::vector<Candidate> Ranker::rank(const FeatureVector& vector, std::size_t count) const
{
    alignas(32) std::int16_t shape[kShapeLength] = {};
    std::int16_t frame[kFrameCount] = {};
    scaleInto(vector, shape, frame);
    const bool framed = vector[kFrameOffset] == 1;
    ClosestTwo closest;
    for (std::size_t r = 0; r < references_.size(); ++r) {
        const long long enough = closest.enough(labelOf_[r]);
        const long long d = distanceUpTo(shape, frame, framed, scaled_.data() + r * kShapeLength,
            frames_.data() + r * kFrameCount, enough);
        if (d < enough)
            closest.offer(labelOf_[r], d, r);
    }
    std::vector<Candidate> ranked;
    for (const ClosestTwo::Scored& s : closest.best(count))
        ranked.push_back({ references_[s.source].label, references_[s.source].origin, s.distance });
    return ranked;
}

struct NearestReferences::State {
    alignas(32) std::int16_t shape[kShapeLength] = {};
    std::int16_t frame[kFrameCount] = {};
    bool framed = false;
    alignas(32) std::int16_t refShape[kShapeLength] = {};
    std::int16_t refFrame[kFrameCount] = {};
    ClosestTwo closest;
    std::map<std::string, std::uint32_t, std::less<>> numbers;
    std::vector<std::string> labels; // by number
    std::vector<std::string> origins; // of each label's closest, by number
};

NearestReferences::NearestReferences(const FeatureVector& vector)
    : state_(std::make_unique<State>())
{
    scaleInto(vector, state_->shape, state_->frame);
    state_->framed = vector[kFrameOffset] == 1;
}

NearestReferences::~NearestReferences() = default;

void NearestReferences::offer(const Reference& reference)
{
    State& s = *state_;
    auto it = s.numbers.find(reference.label);
    if (it == s.numbers.end()) {
        it = s.numbers.emplace(reference.label, static_cast<std::uint32_t>(s.labels.size())).first;
        s.labels.push_back(reference.label);
        s.origins.emplace_back();
    }
    const std::uint32_t label = it->second;
    scaleInto(reference.values, s.refShape, s.refFrame);
    const long long enough = s.closest.enough(label);
    const long long d = distanceUpTo(s.shape, s.frame, s.framed, s.refShape, s.refFrame, enough);
    if (d < enough && s.closest.offer(label, d, label))
        s.origins[label] = reference.origin;
}

std::vector<Candidate> NearestReferences::ranked(std::size_t count) const
{
    std::vector<Candidate> ranked;
    for (const ClosestTwo::Scored& s : state_->closest.best(count))
        ranked.push_back({ state_->labels[s.label], state_->origins[s.label], s.distance });
    return ranked;
}

std::vector<Candidate> rankCandidates(
    const FeatureVector& vector, const std::vector<Reference>& references, std::size_t count)
{
    return Ranker(references).rank(vector, count);
}

} // namespace vanto::vecplan

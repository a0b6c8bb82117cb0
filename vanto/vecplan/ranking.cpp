#include "ranking.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vanto::vecplan {

namespace {

constexpr int kFrameOffset = kGroups[kFrameGroup].offset;
constexpr int kFrameCount = kGroups[kFrameGroup].count;
constexpr int kLanes = 16;
constexpr int kShapeLength = (kFrameOffset + kLanes - 1) / kLanes * kLanes;
// A scaled row: the values before the frame, padded, then the frame's.
constexpr int kRowLength = kShapeLength + kLanes;
// The distance is summed a chunk at a time, so that a reference already
// too far to matter is left early.
constexpr int kChunk = 3 * kLanes;
static_assert(kShapeLength % kChunk == 0);
static_assert(kFrameCount <= kLanes);
static_assert(kFrameOffset + kFrameCount == kVectorSize, "the frame ends the vector");

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

constexpr int kFrameScale = scaleOf(kGroups[kFrameGroup].weight);

using Row = std::array<std::int16_t, kRowLength>;

// The rows that one block of the ranker's memory holds.
constexpr std::size_t kBlockRows = RowBlock::kValues / kRowLength;
static_assert(RowBlock::kValues % kRowLength == 0);

// The scale of each value of the vector: its group's weight's square root.
constexpr std::array<std::int16_t, kVectorSize> valueScales()
{
    std::array<std::int16_t, kVectorSize> scales {};
    for (const FeatureGroup& g : kGroups)
        for (int i = g.offset; i < g.offset + g.count; ++i)
            scales[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(scaleOf(g.weight));
    return scales;
}
constexpr std::array<std::int16_t, kVectorSize> kScales = valueScales();

// The values before the frame that a whole number of vector lanes holds.
constexpr std::size_t kLaneValues = kFrameOffset / kLanes * kLanes;

// Every value scaled is at most kMaxValue times the largest scale, and a
// whole sum of squared differences stays well inside an int (the largest
// groups hold shares that add up to a thousand). Every lane of the row is
// written, the padding's included.
void scaleInto(const FeatureVector& values, std::int16_t* row)
{
    const auto scaled = [&](std::size_t i) {
        return static_cast<std::int16_t>(std::clamp(values[i], 0, kMaxValue) * kScales[i]);
    };
    // A count known when compiling and a whole number of lanes: the
    // compiler scales these in vector instructions.
    for (std::size_t i = 0; i < kLaneValues; ++i)
        row[i] = scaled(i);
    for (std::size_t i = kLaneValues; i < kFrameOffset; ++i)
        row[i] = scaled(i);
    std::fill(row + kFrameOffset, row + kShapeLength, std::int16_t { 0 });
    for (std::size_t i = 0; i < kFrameCount; ++i)
        row[kShapeLength + i] = scaled(kFrameOffset + i);
    std::fill(row + kShapeLength + kFrameCount, row + kRowLength, std::int16_t { 0 });
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

bool framed(const std::int16_t* row)
{
    return row[kShapeLength] == kFrameScale;
}

// The squared weighted distance between two scaled rows, or at least
// `enough` once it is sure to reach it.
long long distanceUpTo(const std::int16_t* a, const std::int16_t* b, long long enough)
{
    // Partial sums only grow: once one reaches `enough`, the rest is moot.
    long long d = 0;
    for (int from = 0; from < kShapeLength && d < enough; from += kChunk)
        d += sumOfSquares<kChunk>(a + from, b + from);
    if (d >= enough)
        return d;
    // Both frames flagged: their flags cancel out.
    if (framed(a) && framed(b))
        return d + sumOfSquares<kLanes>(a + kShapeLength, b + kShapeLength);
    return d + kUnframedCost;
}

// The closest references of each family, as many as the family counts
// (closestCounted), families in order of first appearance. One close
// reference of the wrong label (a face that draws it oddly) outvotes the
// right one less often when the next closest count too.
class Closest {
public:
    explicit Closest(const std::vector<std::uint8_t>& counted)
        : counted_(counted)
        , enough_(counted.size(), std::numeric_limits<long long>::max())
        , slots_(counted.size())
    {
    }

    // A distance at which a reference of the family changes nothing: read
    // for every reference, so kept apart from the slots, small and dense.
    long long enough(std::uint32_t family) const { return enough_[family]; }

    // Only called with d below enough(family).
    void offer(std::uint32_t family, long long d, std::uint32_t source)
    {
        Slot& s = slots_[family];
        if (s.filled == 0)
            order_.push_back(family);
        // Kept in order, nearest first: the farthest falls off a full slot.
        std::size_t i = s.filled < counted_[family] ? s.filled++ : s.filled - 1u;
        for (; i > 0 && s.nearest[i - 1] > d; --i)
            s.nearest[i] = s.nearest[i - 1];
        s.nearest[i] = d;
        if (i == 0)
            s.source = source;
        if (s.filled == counted_[family])
            enough_[family] = s.nearest[s.filled - 1];
    }

    // The family's mean distance to its closest references (all of them,
    // when it holds fewer than it counts).
    double mean(std::uint32_t family) const
    {
        const Slot& s = slots_[family];
        double sum = 0;
        for (std::size_t i = 0; i < s.filled; ++i)
            sum += std::sqrt(static_cast<double>(s.nearest[i]));
        return sum / s.filled;
    }

    std::uint32_t source(std::uint32_t family) const { return slots_[family].source; }
    const std::vector<std::uint32_t>& order() const { return order_; }

private:
    struct Slot {
        std::array<long long, kMostClosest> nearest {};
        std::uint8_t filled = 0;
        std::uint32_t source = 0; // the closest
    };
    const std::vector<std::uint8_t>& counted_;
    std::vector<long long> enough_;
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> order_;
};

// References whose nearest neighbour gives a family's usual distance: a
// sample spread evenly over a large family is enough for a median.
constexpr std::size_t kUsualSample = 64;

} // namespace

long long distance(const FeatureVector& a, const FeatureVector& b)
{
    alignas(32) Row ra;
    alignas(32) Row rb;
    scaleInto(a, ra.data());
    scaleInto(b, rb.data());
    return distanceUpTo(ra.data(), rb.data(), std::numeric_limits<long long>::max());
}

double Ranking::farness() const
{
    return usual > 0 && !candidates.empty() ? candidates.front().distance / usual : 0;
}

Ranker::Ranker(const std::vector<Reference>& references)
{
    for (const Reference& r : references)
        add(r);
}

std::uint32_t Ranker::numberOf(const std::string& label)
{
    // Most labels are one ASCII character: looked up without hashing.
    const bool ascii = label.size() == 1 && static_cast<unsigned char>(label[0]) < kAsciiLabels;
    if (ascii && asciiNumbers_[static_cast<unsigned char>(label[0])] != 0)
        return asciiNumbers_[static_cast<unsigned char>(label[0])] - 1;
    auto it = numbers_.find(label);
    if (it == numbers_.end()) {
        const auto number = static_cast<std::uint32_t>(labels_.size());
        it = numbers_.emplace(label, number).first;
        labels_.push_back(label);
        families_.push_back({ number, false, {} });
        families_.push_back({ number, true, {} });
    }
    if (ascii)
        asciiNumbers_[static_cast<unsigned char>(label[0])] = it->second + 1;
    return it->second;
}

void Ranker::add(const Reference& reference)
{
    const std::uint32_t family = 2 * numberOf(reference.label) + (reference.taught ? 1 : 0);
    const auto index = static_cast<std::uint32_t>(familyOf_.size());
    families_[family].members.push_back(index);
    families_[family].usual = -1;
    counted_.resize(families_.size(), 0);
    counted_[family] = static_cast<std::uint8_t>(closestCounted(families_[family].members.size()));
    familyOf_.push_back(family);
    origins_ += reference.origin;
    originEnds_.push_back(static_cast<std::uint32_t>(origins_.size()));
    if (index % kBlockRows == 0)
        blocks_.emplace_back();
    scaleInto(reference.values, blocks_.back().data() + index % kBlockRows * kRowLength);
}

const std::int16_t* Ranker::row(std::size_t reference) const
{
    return blocks_[reference / kBlockRows].data() + reference % kBlockRows * kRowLength;
}

std::string_view Ranker::origin(std::size_t reference) const
{
    const std::size_t start = reference == 0 ? 0 : originEnds_[reference - 1];
    return std::string_view(origins_).substr(start, originEnds_[reference] - start);
}

double Ranker::usualDistance(const Family& family) const
{
    if (family.usual >= 0)
        return family.usual;
    const std::vector<std::uint32_t>& m = family.members;
    std::vector<double> nearest;
    const std::size_t step = std::max<std::size_t>(1, m.size() / kUsualSample);
    for (std::size_t i = 0; m.size() > 1 && i < m.size() && nearest.size() < kUsualSample;
         i += step) {
        const std::int16_t* from = row(m[i]);
        long long best = std::numeric_limits<long long>::max();
        for (std::size_t j = 0; j < m.size(); ++j)
            if (j != i)
                best = std::min(best, distanceUpTo(from, row(m[j]), best));
        nearest.push_back(std::sqrt(static_cast<double>(best)));
    }
    if (nearest.empty()) {
        family.usual = 0;
    } else {
        const auto middle = nearest.begin() + static_cast<std::ptrdiff_t>(nearest.size() / 2);
        std::nth_element(nearest.begin(), middle, nearest.end());
        family.usual = *middle;
    }
    return family.usual;
}

Ranking Ranker::rank(const FeatureVector& vector, std::size_t count) const
{
    alignas(32) Row query;
    scaleInto(vector, query.data());
    Closest closest(counted_);
    for (std::size_t r = 0; r < familyOf_.size(); ++r) {
        const std::uint32_t family = familyOf_[r];
        const long long enough = closest.enough(family);
        const long long d = distanceUpTo(query.data(), row(r), enough);
        if (d < enough)
            closest.offer(family, d, static_cast<std::uint32_t>(r));
    }

    // Each label once, at the nearer of its two families (the taught one's
    // distance counted kTaughtMargin times), in the order its first
    // reference came.
    struct Scored {
        std::uint32_t family;
        double distance; // the family's own
        double compared; // the distance that ranks it
    };
    std::vector<Scored> scored;
    std::vector<std::size_t> slotOfLabel(labels_.size(), SIZE_MAX);
    for (const std::uint32_t family : closest.order()) {
        const double d = closest.mean(family);
        const double compared = families_[family].taught ? d * kTaughtMargin : d;
        const std::uint32_t label = families_[family].label;
        std::size_t& slot = slotOfLabel[label];
        if (slot == SIZE_MAX) {
            slot = scored.size();
            scored.push_back({ family, d, compared });
        } else if (compared < scored[slot].compared) {
            scored[slot] = { family, d, compared };
        }
    }
    std::stable_sort(scored.begin(), scored.end(),
        [](const Scored& a, const Scored& b) { return a.compared < b.compared; });

    Ranking result;
    for (std::size_t i = 0; i < scored.size() && i < count; ++i) {
        const Family& f = families_[scored[i].family];
        result.candidates.push_back({ labels_[f.label],
            std::string(origin(closest.source(scored[i].family))), scored[i].distance, f.taught });
    }
    // Far is judged against the best character's own references; a
    // character known from one reference only says nothing about that, so
    // the first of the others that can say it does.
    for (const Scored& s : scored) {
        const Family& f = families_[s.family];
        const Family& other = families_[s.family ^ 1u];
        const double usual = f.members.size() > 1 ? usualDistance(f) : usualDistance(other);
        if (usual > 0) {
            result.usual = usual;
            break;
        }
    }
    result.doubtful = result.usual > 0 && result.farness() > kDoubtFactor;
    return result;
}

} // namespace vanto::vecplan

#include "ranking.hpp"
#include "test_images.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>

using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

namespace {

Reference referenceOf(
    const std::string& label, const std::string& origin, const vanto::Bitmap& image)
{
    return { label, origin, computeFeatures(image)->values };
}

// A ring in the frame of its line: every group of the vector counts, so a
// change of one zoning value (weight 1) by n moves the distance by n.
FeatureVector framedRing()
{
    return computeFeatures(framed(enlarged(ring(), 4), 6, 6))->values;
}

// A reference whose first zoning value is moved by `by` from `base`.
Reference near(const FeatureVector& base, const std::string& label, int by, bool taught = false)
{
    Reference r { label, label + "/" + std::to_string(by), base, taught };
    r.values[0] += by;
    return r;
}

std::vector<Candidate> ranked(
    const FeatureVector& v, const std::vector<Reference>& refs, std::size_t count = 5)
{
    return Ranker(refs).rank(v, count).candidates;
}

} // namespace

TEST(Distance, WeighsEachGroup)
{
    const FeatureVector f = framedRing();
    EXPECT_EQ(distance(f, f), 0);
    for (const FeatureGroup& g : kGroups) {
        FeatureVector other = f;
        other[static_cast<std::size_t>(g.offset + g.count - 1)] += 3;
        EXPECT_EQ(distance(f, other), 9LL * g.weight) << g.name;
        EXPECT_EQ(distance(other, f), 9LL * g.weight) << g.name;
    }
}

TEST(Distance, FrameCostsTheSameWhicheverSideLacksIt)
{
    const vanto::Bitmap big = enlarged(ring(), 4);
    const auto upper = computeFeatures(framed(big, 6, 6));
    const auto lower = computeFeatures(framed(enlarged(ring(), 2), 16, 6));
    const auto cropped = computeFeatures(big);
    ASSERT_TRUE(upper && lower && cropped);
    // Same shape: only the frame keeps them apart.
    const long long frameWeight = kGroups[kFrameGroup].weight;
    EXPECT_EQ(distance(upper->values, lower->values), frameWeight * (31 * 31 + 0 * 0 + 32 * 32));
    // A side without a frame costs a fixed amount, whichever side it is,
    // and two crops as much: an image cut close is judged by its shape.
    EXPECT_EQ(distance(cropped->values, upper->values), kUnframedCost);
    EXPECT_EQ(distance(lower->values, cropped->values), kUnframedCost);
    EXPECT_EQ(distance(cropped->values, cropped->values), kUnframedCost);
}

// The fault mended: a reference that came out without a frame skipped the
// frame term and looked nearer than framed references of the same shape.
TEST(Ranking, UnframedReferenceLooksNoNearerThanAFramedOne)
{
    const std::vector<Reference> refs {
        referenceOf("Q", "recortada", enlarged(ring(), 4)),
        referenceOf("O", "enmarcada", framed(enlarged(ring(), 4), 6, 6)),
    };
    // The same shape, in a frame a little different from the reference's.
    const auto query = computeFeatures(framed(enlarged(ring(), 3), 6, 4));
    ASSERT_TRUE(query);
    const auto r = ranked(query->values, refs);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].label, "O");
    EXPECT_GT(r[1].distance, r[0].distance);
}

TEST(Ranking, BestLabelsFirstEachByItsTwoClosestReferences)
{
    const std::vector<Reference> refs {
        referenceOf("L", "a", letterL()),
        referenceOf("T", "a", letterT()),
        referenceOf("O", "a", ring()),
        referenceOf("T", "b", drawing({ "#####", "..#..", "..#..", "..#..", "..#.." })),
        referenceOf("I", "a", drawing({ "#", "#", "#", "#", "#" })),
    };
    // A larger T, drawn slightly differently from both references.
    const auto query = computeFeatures(drawing({
        "#########",
        "#########",
        "...###...",
        "...###...",
        "...###...",
        "...###...",
        "...###...",
        "...###...",
    }));
    ASSERT_TRUE(query);

    const std::vector<Candidate> all = ranked(query->values, refs);
    ASSERT_EQ(all.size(), 4u); // four distinct labels
    EXPECT_EQ(all[0].label, "T");
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_LE(all[i - 1].distance, all[i].distance);
    // Each label's distance is the mean of its two closest references' (of
    // its only one for L, O and I), and its origin is the closest one.
    for (const Candidate& c : all) {
        std::vector<std::pair<double, std::string>> mine;
        for (const Reference& r : refs)
            if (r.label == c.label)
                mine.emplace_back(
                    std::sqrt(static_cast<double>(distance(query->values, r.values))), r.origin);
        std::sort(mine.begin(), mine.end());
        const double second = mine.size() > 1 ? mine[1].first : mine[0].first;
        EXPECT_DOUBLE_EQ(c.distance, (mine[0].first + second) / 2) << c.label;
        EXPECT_EQ(c.origin, mine[0].second) << c.label;
        EXPECT_FALSE(c.taught);
    }

    const std::vector<Candidate> two = ranked(query->values, refs, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].label, all[0].label);
    EXPECT_EQ(two[1].label, all[1].label);
    const Ranking none = Ranker().rank(query->values, 5);
    EXPECT_TRUE(none.candidates.empty());
    EXPECT_FALSE(none.doubtful);
}

TEST(Ranking, TwoCloseReferencesOutweighOneOddlyCloseReference)
{
    const FeatureVector query = framedRing();
    const auto r = ranked(query,
        { near(query, "X", 1), near(query, "X", 100), near(query, "Y", 10), near(query, "Y", 12) });
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].label, "Y");
    EXPECT_DOUBLE_EQ(r[0].distance, 11.0);
    EXPECT_EQ(r[0].origin, "Y/10");
    EXPECT_EQ(r[1].label, "X");
    EXPECT_DOUBLE_EQ(r[1].distance, 50.5);
    EXPECT_EQ(r[1].origin, "X/1");
}

TEST(Ranking, FrameTellsTheCasesOfOneShapeApart)
{
    const vanto::Bitmap big = enlarged(ring(), 4);
    const std::vector<Reference> refs {
        referenceOf("o", "a", framed(enlarged(ring(), 2), 16, 6)),
        referenceOf("O", "a", framed(big, 6, 6)),
    };
    const auto upper = computeFeatures(framed(enlarged(ring(), 3), 5, 5));
    ASSERT_TRUE(upper);
    const auto r = ranked(upper->values, refs);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].label, "O");
    EXPECT_GT(r[1].distance, r[0].distance);

    // Cut close, the two cases are one shape: a tie, in the references' order.
    const auto cropped = computeFeatures(big);
    ASSERT_TRUE(cropped);
    const auto tied = ranked(cropped->values, refs);
    ASSERT_EQ(tied.size(), 2u);
    EXPECT_EQ(tied[0].label, "o");
    EXPECT_EQ(tied[0].distance, tied[1].distance);
}

TEST(Ranking, TiesKeepTheOrderOfTheReferences)
{
    const Reference a { "a", "x", framedRing() };
    Reference b = a;
    b.label = "b";
    const auto r = ranked(a.values, { b, a });
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].label, "b");
    EXPECT_EQ(r[1].label, "a");
    EXPECT_EQ(r[0].distance, 0.0);
}

// One reference taught for a character wins for an image like it, though
// the built-in references of another character lie close by twice and
// those of its own far away: mixed with them, its one close reference
// would count for half.
TEST(Ranking, CharacterTaughtOnceWinsForAnImageLikeIt)
{
    const FeatureVector query = framedRing();
    std::vector<Reference> refs { near(query, "s", 10), near(query, "s", 12), near(query, "5", 200),
        near(query, "5", 210) };
    EXPECT_EQ(ranked(query, refs)[0].label, "s");

    refs.push_back(near(query, "5", 8, true));
    const auto r = ranked(query, refs);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].label, "5");
    EXPECT_TRUE(r[0].taught);
    EXPECT_DOUBLE_EQ(r[0].distance, 8.0);
    EXPECT_EQ(r[0].origin, "5/8");
    EXPECT_FALSE(r[1].taught);
}

// Taught references meet the built-in ones on equal terms: an image nearer
// to the built-in references of another character is read as that one.
TEST(Ranking, ImageNearerTheBuiltInReferencesIsReadByThem)
{
    const FeatureVector query = framedRing();
    const auto r = ranked(query,
        { near(query, "5", 30, true), near(query, "5", 31, true), near(query, "S", 20),
            near(query, "S", 22) });
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].label, "S");
    EXPECT_EQ(r[1].label, "5");
    EXPECT_DOUBLE_EQ(r[1].distance, 30.5);
}

// The regression mended: with the handwriting of thousands of images
// taught, a printed capital the built-in set read well was read as the
// taught lower-case letter two of whose 180 references happened to lie
// nearer than the printed ones.
TEST(Ranking, MuchTaughtHandwritingDoesNotStealAPrintedCapital)
{
    const FeatureVector query = framedRing();
    std::vector<Reference> refs;
    for (int i = 0; i < 62; ++i)
        refs.push_back(near(query, "T", 20 + i % 3)); // a printed T of 62 faces
    // A handwritten t: two odd ones near the printed T, the rest together
    // farther off.
    refs.push_back(near(query, "t", 18, true));
    refs.push_back(near(query, "t", 19, true));
    for (int i = 0; i < 178; ++i)
        refs.push_back(near(query, "t", 300 + i % 10, true));
    const auto r = ranked(query, refs);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].label, "T");
    EXPECT_FALSE(r[0].taught);
    // The taught t is judged by its six closest: 18, 19 and four at 300.
    EXPECT_EQ(r[1].label, "t");
    EXPECT_DOUBLE_EQ(r[1].distance, (18 + 19 + 4 * 300) / 6.0);
    EXPECT_EQ(r[1].origin, "t/18");

    // An image among the handwritten t's is read as t.
    FeatureVector handwritten = query;
    handwritten[0] += 304;
    const auto mine = ranked(handwritten, refs);
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine[0].label, "t");
    EXPECT_TRUE(mine[0].taught);
}

// A taught character must be nearer than the built-in one by its margin:
// a printed image a hair nearer the taught references of another
// character is read by the built-in set, one clearly nearer by the taught.
TEST(Ranking, TaughtReferencesWinOnlyByTheirMargin)
{
    const FeatureVector query = framedRing();
    const auto firstFor = [&](int taughtAt) {
        return ranked(query,
            { near(query, "P", 100), near(query, "P", 100), near(query, "p", taughtAt, true),
                near(query, "p", taughtAt, true) })[0];
    };
    const int justInside = static_cast<int>(std::floor(100 / kTaughtMargin));
    EXPECT_EQ(firstFor(99).label, "P");
    EXPECT_EQ(firstFor(justInside + 1).label, "P");
    const Candidate won = firstFor(justInside);
    EXPECT_EQ(won.label, "p");
    EXPECT_TRUE(won.taught);
    EXPECT_DOUBLE_EQ(won.distance, justInside); // given without the margin
}

TEST(Ranking, FamiliesCountMoreClosestReferencesAsTheyGrow)
{
    // A built-in family of the reference set's size counts its two closest,
    // as the ranking always did; a handful too; a huge one no more than
    // kMostClosest.
    EXPECT_EQ(closestCounted(1), 2u);
    EXPECT_EQ(closestCounted(5), 2u);
    EXPECT_EQ(closestCounted(62), 2u);
    EXPECT_EQ(closestCounted(100), 3u);
    EXPECT_EQ(closestCounted(180), 6u);
    EXPECT_EQ(closestCounted(100000), kMostClosest);
}

// Every candidate's distance is the mean of its family's closest
// references as counted, and the order follows the taught margin, for
// families of every size, whatever the early stops skip.
TEST(Ranking, RandomFamiliesRankAsTheirClosestReferencesSay)
{
    const FeatureVector base = framedRing();
    std::mt19937 random(19);
    std::vector<Reference> refs;
    const std::vector<std::pair<std::string, int>> families {
        { "a", 62 }, { "b", 3 }, { "c", 1 }, { "d", 150 }, { "e", 400 } };
    for (const bool taught : { false, true })
        for (const auto& [label, count] : families)
            for (int i = 0; i < count; ++i) {
                Reference r { label, label + std::to_string(i), base, taught };
                for (int v = 0; v < 4; ++v)
                    r.values[static_cast<std::size_t>(v)] += static_cast<int>(random() % 200);
                refs.push_back(r);
            }
    const Ranker ranker(refs);
    for (int q = 0; q < 20; ++q) {
        FeatureVector query = base;
        for (int v = 0; v < 4; ++v)
            query[static_cast<std::size_t>(v)] += static_cast<int>(random() % 200);
        // Each family's mean by brute force.
        std::map<std::pair<std::string, bool>, std::vector<double>> all;
        for (const Reference& r : refs)
            all[{ r.label, r.taught }].push_back(
                std::sqrt(static_cast<double>(distance(query, r.values))));
        std::map<std::string, double> compared;
        std::map<std::pair<std::string, bool>, double> mean;
        for (auto& [family, d] : all) {
            std::sort(d.begin(), d.end());
            const std::size_t k = std::min(d.size(), closestCounted(d.size()));
            double sum = 0;
            for (std::size_t i = 0; i < k; ++i)
                sum += d[i];
            mean[family] = sum / static_cast<double>(k);
            const double c = mean[family] * (family.second ? kTaughtMargin : 1.0);
            if (!compared.count(family.first) || c < compared[family.first])
                compared[family.first] = c;
        }
        const Ranking r = ranker.rank(query, families.size());
        ASSERT_EQ(r.candidates.size(), families.size());
        for (std::size_t i = 0; i < r.candidates.size(); ++i) {
            const Candidate& c = r.candidates[i];
            const double own = mean[std::make_pair(c.label, c.taught)];
            EXPECT_NEAR(c.distance, own, 1e-9) << q << c.label;
            EXPECT_NEAR(c.distance * (c.taught ? kTaughtMargin : 1.0), compared[c.label], 1e-9)
                << q << c.label;
            if (i > 0) {
                EXPECT_LE(compared[r.candidates[i - 1].label], compared[c.label]) << q;
            }
        }
    }
}

TEST(Doubt, ImageFarFromTheBestCharactersReferencesIsDoubtful)
{
    const FeatureVector base = framedRing();
    // The references of A lie 10 apart: their usual distance.
    const Ranker ranker({ near(base, "A", 400), near(base, "A", 410), near(base, "A", 420),
        near(base, "B", 700), near(base, "B", 720) });
    struct Row {
        int at;
        double farness; // the mean of the two closest over 10
    };
    for (const Row& row :
        { Row { 405, 0.5 }, Row { 380, 2.5 }, Row { 374, 3.1 }, Row { 300, 10.5 } }) {
        FeatureVector v = base;
        v[0] += row.at;
        const Ranking r = ranker.rank(v, 5);
        ASSERT_FALSE(r.candidates.empty());
        EXPECT_EQ(r.candidates[0].label, "A") << row.at;
        EXPECT_DOUBLE_EQ(r.usual, 10.0) << row.at;
        EXPECT_NEAR(r.farness(), row.farness, 1e-9) << row.at;
        EXPECT_EQ(r.doubtful, row.farness > kDoubtFactor) << row.at;
    }
}

TEST(Doubt, CharacterOfOneReferenceIsJudgedByTheNextThatHasMore)
{
    const FeatureVector base = framedRing();
    Ranker ranker({ near(base, "B", 100), near(base, "B", 120), near(base, "B", 130) });
    ranker.add(near(base, "Z", 60, true)); // taught once, no built-in Z
    FeatureVector v = base;
    v[0] += 10;
    const Ranking r = ranker.rank(v, 5);
    ASSERT_EQ(r.candidates.size(), 2u);
    EXPECT_EQ(r.candidates[0].label, "Z");
    // B's nearest neighbours: 20, 10, 10.
    EXPECT_DOUBLE_EQ(r.usual, 10.0);
    EXPECT_TRUE(r.doubtful); // 50 away, five times B's usual distance

    // No character of two references at all: nothing to judge by.
    const Ranking alone = Ranker({ near(base, "Z", 60) }).rank(v, 5);
    EXPECT_EQ(alone.usual, 0.0);
    EXPECT_FALSE(alone.doubtful);
}

TEST(Doubt, UsualDistanceFollowsReferencesAddedLater)
{
    const FeatureVector base = framedRing();
    Ranker ranker({ near(base, "A", 0), near(base, "A", 40) });
    EXPECT_DOUBLE_EQ(ranker.rank(base, 1).usual, 40.0);
    ranker.add(near(base, "A", 20));
    ranker.add(near(base, "A", 60));
    EXPECT_DOUBLE_EQ(ranker.rank(base, 1).usual, 20.0);
}

// The references are laid out in blocks of some thousands: every one is
// found again exactly, on either side of a block's end, in a ranker built
// whole or a reference at a time, and in copies that outlive the original.
TEST(Ranking, ManyReferencesAreKeptExactlyAndCopiesRankAlike)
{
    const FeatureVector base = framedRing();
    constexpr int kCount = 9000;
    std::vector<Reference> refs;
    for (int i = 0; i < kCount; ++i) {
        Reference r { "L" + std::to_string(i), "o/" + std::to_string(i), base };
        r.values[0] = i % (kMaxValue + 1);
        r.values[1] = i / (kMaxValue + 1);
        refs.push_back(r);
    }
    auto original = std::make_unique<Ranker>(refs);
    Ranker oneByOne;
    for (const Reference& r : refs)
        oneByOne.add(r);
    EXPECT_EQ(original->size(), refs.size());
    EXPECT_EQ(oneByOne.size(), refs.size());
    const Ranker copied(*original);
    Ranker assigned;
    assigned = *original;
    original.reset();

    for (const int i : { 0, 1, 4095, 4096, 4097, 5000, 8191, 8192, kCount - 1 }) {
        const FeatureVector& v = refs[static_cast<std::size_t>(i)].values;
        const Ranking r = copied.rank(v, 3);
        ASSERT_EQ(r.candidates.size(), 3u) << i;
        EXPECT_EQ(r.candidates[0].label, refs[static_cast<std::size_t>(i)].label);
        EXPECT_EQ(r.candidates[0].origin, refs[static_cast<std::size_t>(i)].origin);
        EXPECT_EQ(r.candidates[0].distance, 0.0) << i;
        for (const Ranker* other : { &oneByOne, &assigned }) {
            const Ranking same = other->rank(v, 3);
            ASSERT_EQ(same.candidates.size(), 3u) << i;
            for (std::size_t c = 0; c < 3; ++c) {
                EXPECT_EQ(same.candidates[c].label, r.candidates[c].label) << i;
                EXPECT_EQ(same.candidates[c].distance, r.candidates[c].distance) << i;
            }
        }
    }
}

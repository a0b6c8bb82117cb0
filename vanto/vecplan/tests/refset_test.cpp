#include "ranking.hpp"
#include "refset.hpp"
#include "test_images.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

using namespace vanto::vecplan;

namespace {

Reference referenceOf(
    const std::string& label, const std::string& origin, const vanto::Bitmap& image)
{
    return { label, origin, computeFeatures(image)->values };
}

std::string valuesText(int value)
{
    std::string s;
    for (int i = 0; i < kVectorSize; ++i)
        s += " " + std::to_string(value);
    return s;
}

} // namespace

TEST(Refset, WrittenSetReadsBackAsWritten)
{
    const std::vector<Reference> refs {
        referenceOf("Ñ", "Prueba/12px", vanto::vecplan::test::letterT()),
        referenceOf("7", "Otra-Fuente/48px", vanto::vecplan::test::ring()),
    };
    std::string text = formatRefsetHeader();
    for (const Reference& r : refs)
        text += formatReference(r);

    const RefsetResult parsed = parseRefset(text, "refset.db");
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    ASSERT_EQ(parsed.references.size(), 2u);
    for (std::size_t i = 0; i < refs.size(); ++i) {
        EXPECT_EQ(parsed.references[i].label, refs[i].label);
        EXPECT_EQ(parsed.references[i].origin, refs[i].origin);
        EXPECT_EQ(parsed.references[i].values, refs[i].values);
    }
}

TEST(Refset, HeaderDescribesEveryGroupOfTheVector)
{
    const std::string header = formatRefsetHeader();
    EXPECT_EQ(header.rfind(refsetSignature() + "\n", 0), 0u);
    for (const FeatureGroup& g : kGroups)
        EXPECT_NE(header.find(std::string(g.name)), std::string::npos) << g.name;
}

TEST(Refset, WindowsLineEndsAndBlankLinesAreAccepted)
{
    const std::string text
        = refsetSignature() + "\r\n# comentario\r\n\r\nx F/1px" + valuesText(3) + "\r\n";
    const RefsetResult parsed = parseRefset(text, "refset.db");
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    ASSERT_EQ(parsed.references.size(), 1u);
    EXPECT_EQ(parsed.references[0].values.back(), 3);
}

struct BadRefset {
    const char* what;
    std::string text;
    const char* expected; // part of the message
};

class MalformedRefset : public testing::TestWithParam<BadRefset> { };

TEST_P(MalformedRefset, IsRefusedWithAOneLineMessage)
{
    const RefsetResult parsed = parseRefset(GetParam().text, "/dir/refset.db");
    EXPECT_FALSE(parsed.ok());
    EXPECT_TRUE(parsed.references.empty());
    EXPECT_NE(parsed.error.find("/dir/refset.db"), std::string::npos) << parsed.error;
    EXPECT_NE(parsed.error.find(GetParam().expected), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(Refset, MalformedRefset,
    testing::Values(BadRefset { "empty", "", "vacía" },
        BadRefset { "no signature", "A F/1px" + valuesText(1) + "\n", "línea 1" },
        BadRefset { "other vector length", "VECPLAN-REFSET 1 99\nA F/1px" + valuesText(1) + "\n",
            "línea 1" },
        BadRefset { "signature only", refsetSignature() + "\n# nada\n", "ninguna referencia" },
        BadRefset { "value missing", refsetSignature() + "\nA F/1px 1 2 3\n", "línea 2" },
        BadRefset { "value too many", refsetSignature() + "\n#\nA F/1px" + valuesText(1) + " 4\n",
            "línea 3" },
        BadRefset { "not a number",
            refsetSignature() + "\nA F/1px x" + valuesText(1).substr(2) + "\n", "\"x\"" },
        BadRefset { "negative", refsetSignature() + "\nA F/1px -1" + valuesText(1).substr(2) + "\n",
            "\"-1\"" },
        BadRefset { "huge",
            refsetSignature() + "\nA F/1px 99999999999" + valuesText(1).substr(2) + "\n",
            "valor 1" },
        BadRefset { "two-letter label", refsetSignature() + "\nAB F/1px" + valuesText(1) + "\n",
            "etiqueta" },
        BadRefset { "broken UTF-8 label", refsetSignature() + "\n\xC3 F/1px" + valuesText(1) + "\n",
            "etiqueta" },
        BadRefset { "overlong UTF-8 label",
            refsetSignature() + "\n\xC0\xAF F/1px" + valuesText(1) + "\n", "etiqueta" }),
    [](const testing::TestParamInfo<BadRefset>& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(Refset, MissingFileNamesTheFileAndTheReason)
{
    const RefsetResult r = readRefset("/nonexistent-dir/refset.db");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error.find("/nonexistent-dir/refset.db"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("no existe el fichero o el directorio (error 2)"), std::string::npos)
        << r.error;
}

TEST(Ranking, BestLabelsFirstEachByItsClosestReference)
{
    using namespace vanto::vecplan::test;
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

    const std::vector<Candidate> ranked = rankCandidates(query->values, refs, 5);
    ASSERT_EQ(ranked.size(), 4u); // four distinct labels
    EXPECT_EQ(ranked[0].label, "T");
    for (std::size_t i = 1; i < ranked.size(); ++i)
        EXPECT_LE(ranked[i - 1].distance, ranked[i].distance);
    // Each label's distance is the mean of its two closest references' (of
    // its only one for L, O and I), and its origin is the closest one.
    for (const Candidate& c : ranked) {
        std::vector<std::pair<double, std::string>> mine;
        for (const Reference& r : refs)
            if (r.label == c.label)
                mine.emplace_back(
                    std::sqrt(static_cast<double>(squaredDistance(query->values, r.values))),
                    r.origin);
        std::sort(mine.begin(), mine.end());
        const double second = mine.size() > 1 ? mine[1].first : mine[0].first;
        EXPECT_DOUBLE_EQ(c.distance, (mine[0].first + second) / 2) << c.label;
        EXPECT_EQ(c.origin, mine[0].second) << c.label;
    }

    const std::vector<Candidate> two = rankCandidates(query->values, refs, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].label, ranked[0].label);
    EXPECT_EQ(two[1].label, ranked[1].label);
    EXPECT_TRUE(rankCandidates(query->values, {}, 5).empty());
}

TEST(Ranking, TwoCloseReferencesOutweighOneOddlyCloseReference)
{
    const FeatureVector query = referenceOf("?", "x", vanto::vecplan::test::ring()).values;
    auto near = [&](const std::string& label, int by) {
        Reference r { label, label + "/" + std::to_string(by), query };
        r.values[0] += by; // a zoning value: weight 1, distance `by`
        return r;
    };
    const std::vector<Reference> refs { near("X", 1), near("X", 100), near("Y", 10),
        near("Y", 12) };
    const auto ranked = rankCandidates(query, refs, 5);
    ASSERT_EQ(ranked.size(), 2u);
    EXPECT_EQ(ranked[0].label, "Y");
    EXPECT_DOUBLE_EQ(ranked[0].distance, 11.0);
    EXPECT_EQ(ranked[0].origin, "Y/10");
    EXPECT_EQ(ranked[1].label, "X");
    EXPECT_DOUBLE_EQ(ranked[1].distance, 50.5);
    EXPECT_EQ(ranked[1].origin, "X/1");
}

TEST(Ranking, FrameTellsTheCasesOfOneShapeApart)
{
    using namespace vanto::vecplan::test;
    const vanto::Bitmap big = enlarged(ring(), 4);
    const std::vector<Reference> refs {
        referenceOf("o", "a", framed(enlarged(ring(), 2), 16, 6)),
        referenceOf("O", "a", framed(big, 6, 6)),
    };
    const auto upper = computeFeatures(framed(enlarged(ring(), 3), 5, 5));
    ASSERT_TRUE(upper);
    const auto ranked = rankCandidates(upper->values, refs, 5);
    ASSERT_EQ(ranked.size(), 2u);
    EXPECT_EQ(ranked[0].label, "O");
    EXPECT_GT(ranked[1].distance, ranked[0].distance);

    // Cut close, the two cases are one shape: a tie, in the references' order.
    const auto cropped = computeFeatures(big);
    ASSERT_TRUE(cropped);
    const auto tied = rankCandidates(cropped->values, refs, 5);
    ASSERT_EQ(tied.size(), 2u);
    EXPECT_EQ(tied[0].label, "o");
    EXPECT_EQ(tied[0].distance, tied[1].distance);
}

TEST(Ranking, TiesKeepTheOrderOfTheReferences)
{
    const Reference a = referenceOf("a", "x", vanto::vecplan::test::ring());
    Reference b = a;
    b.label = "b";
    const auto ranked = rankCandidates(a.values, { b, a }, 5);
    ASSERT_EQ(ranked.size(), 2u);
    EXPECT_EQ(ranked[0].label, "b");
    EXPECT_EQ(ranked[1].label, "a");
    EXPECT_EQ(ranked[0].distance, 0.0);
}

TEST(Ranking, ReferencesOfferedOneByOneRankAsTheWholeSet)
{
    using namespace vanto::vecplan::test;
    // Every drawing against all the others, framed and cropped, with
    // labels repeated so that the two closest of a label count.
    std::vector<Reference> refs;
    const vanto::Bitmap shapes[]
        = { letterL(), letterT(), ring(), enlarged(letterT(), 2), enlarged(ring(), 3),
              framed(enlarged(ring(), 2), 8, 4), framed(enlarged(letterL(), 3), 3, 9) };
    const char* labels[] = { "L", "T", "O", "T", "O", "o", "L" };
    for (std::size_t i = 0; i < std::size(shapes); ++i)
        refs.push_back(referenceOf(labels[i], "f" + std::to_string(i), shapes[i]));
    for (const vanto::Bitmap& query : shapes) {
        const FeatureVector v = computeFeatures(query)->values;
        NearestReferences nearest(v);
        for (const Reference& r : refs)
            nearest.offer(r);
        const auto streamed = nearest.ranked(5);
        const auto whole = rankCandidates(v, refs, 5);
        ASSERT_EQ(streamed.size(), whole.size());
        for (std::size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(streamed[i].label, whole[i].label);
            EXPECT_EQ(streamed[i].origin, whole[i].origin);
            EXPECT_DOUBLE_EQ(streamed[i].distance, whole[i].distance);
        }
    }
}

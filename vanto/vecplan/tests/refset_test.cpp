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

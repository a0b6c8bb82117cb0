#include "refset.hpp"
#include "test_files.hpp"
#include "test_images.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>

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

namespace {

Reference taughtReference(
    const std::string& label, const std::string& image, const vanto::Bitmap& drawing)
{
    Reference r = referenceOf(label, "", drawing);
    r.taught = true;
    r.image = image;
    r.taughtAt = "2025-03-01T10:22:33+01:00";
    return r;
}

// A built-in part of two references.
std::string builtInPart()
{
    return formatRefsetHeader() + formatReference(referenceOf("L", "F/5px", test::letterL()))
        + formatReference(referenceOf("T", "F/7px", test::letterT()));
}

// The number of the line that holds text[at], from 1.
int lineAt(const std::string& text, std::size_t at)
{
    return 1
        + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

bool validUtf8(const std::string& text)
{
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto lead = static_cast<unsigned char>(rest[0]);
        const std::size_t length = lead < 0x80 ? 1
            : (lead & 0xE0) == 0xC0            ? 2
            : (lead & 0xF0) == 0xE0            ? 3
            : (lead & 0xF8) == 0xF0            ? 4
                                               : 0;
        if (length == 0 || rest.size() < length)
            return false;
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
                return false;
        rest.remove_prefix(length);
    }
    return true;
}

} // namespace

// Every label that can be taught and every image path, however odd, reads
// back exactly as it was written, after the built-in part it leaves as it is.
TEST(TaughtPart, EveryTeachableLabelAndAnyImagePathReadBackAsWritten)
{
    using namespace vanto::vecplan::test;
    const std::vector<Reference> taught {
        taughtReference("#", "/home/ana/mis dígitos/almohadilla 1.pbm", ring()),
        taughtReference("\\", "/tmp/a\"b\\c.pbm", letterT()),
        taughtReference("\"", "/tmp/línea\nnueva\r.pbm", letterL()),
        taughtReference("字", "/tmp/\xFF\xFE latin1 \xF1.pbm", ring()),
        taughtReference("q\u0303", "/tmp/\u202Eevil\u2028.pbm", letterT()),
        taughtReference("5", "relativa.pbm", enlarged(ring(), 3)),
    };
    const std::string builtIn = builtInPart();
    const std::string part = formatTaughtPart(taught);
    const std::string text = builtIn + part;

    // A plain UTF-8 text of one line per taught reference, after the
    // marker and its comments, and no byte that would not show.
    EXPECT_TRUE(validUtf8(part));
    EXPECT_TRUE(part.starts_with(std::string(kTaughtMarker) + " 6\n")) << part;
    EXPECT_EQ(std::count_if(part.begin(), part.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\n'; }),
        0);
    std::size_t referenceLines = 0;
    for (std::size_t at = 0; at < part.size(); at = part.find('\n', at) + 1)
        referenceLines += part[at] == '"';
    EXPECT_EQ(referenceLines, taught.size());

    const RefsetResult parsed = parseRefset(text, "refset.db");
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(parsed.builtInBytes, builtIn.size());
    ASSERT_EQ(parsed.references.size(), 2 + taught.size());
    EXPECT_FALSE(parsed.references[0].taught);
    EXPECT_FALSE(parsed.references[1].taught);
    for (std::size_t i = 0; i < taught.size(); ++i) {
        const Reference& r = parsed.references[2 + i];
        EXPECT_TRUE(r.taught);
        EXPECT_EQ(r.label, taught[i].label);
        EXPECT_EQ(r.image, taught[i].image);
        EXPECT_EQ(r.taughtAt, taught[i].taughtAt);
        EXPECT_EQ(r.values, taught[i].values);
    }
    EXPECT_EQ(parsed.references[2].origin, "enseñada: almohadilla 1.pbm");
    EXPECT_EQ(parsed.references[7].origin, "enseñada: relativa.pbm");

    // Written again from what was read: the same text.
    const std::vector<Reference> again(parsed.references.begin() + 2, parsed.references.end());
    EXPECT_EQ(builtIn + formatTaughtPart(again), text);
    // Nothing taught: the built-in part alone, and nothing to mark.
    EXPECT_EQ(formatTaughtPart({}), "");
    EXPECT_EQ(parseRefset(builtIn, "refset.db").builtInBytes, builtIn.size());
}

// Values of one to four digits, the largest and the smallest among them,
// anywhere on a line, read back exactly in both kinds of line, and in a
// last line that has no line end.
TEST(TaughtPart, ValuesOfEveryLengthReadBackExactly)
{
    std::mt19937 random(19);
    std::uniform_int_distribution<int> value(0, kMaxValue), digits(0, 3);
    const auto randomValues = [&](int i) {
        FeatureVector v;
        for (int& x : v) {
            const int scale[] = { 10, 100, 1000, kMaxValue + 1 };
            x = value(random) % scale[digits(random)];
        }
        v[static_cast<std::size_t>(i % kVectorSize)] = kMaxValue;
        v[static_cast<std::size_t>((i + 1) % kVectorSize)] = 0;
        v.back() = i % 2 ? kMaxValue : 7;
        return v;
    };
    std::vector<Reference> builtIn, taught;
    std::string text = formatRefsetHeader();
    for (int i = 0; i < 30; ++i) {
        builtIn.push_back(
            { std::string(1, static_cast<char>('A' + i % 26)), "F/1px", randomValues(i) });
        text += formatReference(builtIn.back());
        Reference t = taughtReference(std::to_string(i % 10), "/imagen.pbm", test::ring());
        t.values = randomValues(i + 100);
        taught.push_back(t);
    }
    const std::string withTaught = text + formatTaughtPart(taught);
    for (const std::string& t : { withTaught, text, text.substr(0, text.size() - 1) }) {
        const RefsetResult parsed = parseRefset(t, "refset.db");
        ASSERT_TRUE(parsed.ok()) << parsed.error;
        ASSERT_EQ(parsed.references.size(), t.size() == withTaught.size() ? 60u : 30u);
        for (std::size_t i = 0; i < parsed.references.size(); ++i)
            EXPECT_EQ(parsed.references[i].values, (i < 30 ? builtIn[i] : taught[i - 30]).values)
                << i;
    }
}

// A set larger than the pieces the file is read in, its lines cut by the
// pieces' ends: read from the file, it reads as the text held whole does,
// damaged or not, with or without its last line end.
TEST(TaughtPart, ReadFromAFileAsFromTheTextHeldWhole)
{
    std::string text = formatRefsetHeader();
    std::vector<Reference> taught;
    const Reference shapes[]
        = { referenceOf("T", "", test::letterT()), referenceOf("O", "", test::ring()) };
    for (int i = 0; i < 900; ++i) {
        Reference r = shapes[i % 2];
        r.label = std::string(1, static_cast<char>('a' + i % 26));
        r.origin = "F/" + std::to_string(i) + "px";
        r.values[static_cast<std::size_t>(i % kVectorSize)] = i % (kMaxValue + 1);
        text += formatReference(r);
        r.taught = true;
        r.image = "/imágenes/" + std::to_string(i) + ".pbm";
        r.taughtAt = "2025-03-01T10:22:33+01:00";
        taught.push_back(r);
    }
    text += formatTaughtPart(taught);
    std::string damaged = text;
    damaged.insert(damaged.size() - 3000, "x");
    test::ScratchDir dir;
    for (const std::string& t : { text, text.substr(0, text.size() - 1), damaged }) {
        test::writeText(dir.file("refset.db"), t);
        std::vector<Reference> fromText, fromFile;
        const std::string textError = forEachReference(
            t, dir.file("refset.db"), [&](const Reference& r) { fromText.push_back(r); });
        const std::string fileError = readEachReference(
            dir.file("refset.db"), [&](const Reference& r) { fromFile.push_back(r); });
        EXPECT_EQ(fileError, textError);
        ASSERT_EQ(fromFile.size(), fromText.size());
        for (std::size_t i = 0; i < fromText.size(); ++i) {
            EXPECT_EQ(fromFile[i].label, fromText[i].label) << i;
            EXPECT_EQ(fromFile[i].image, fromText[i].image) << i;
            EXPECT_EQ(fromFile[i].values, fromText[i].values) << i;
        }
    }
    EXPECT_GT(text.size(), 3u * 256 * 1024);
    EXPECT_EQ(forEachReference(text, "x", [](const Reference&) {}), "");
    EXPECT_NE(forEachReference(text.substr(0, text.size() - 1), "x", [](const Reference&) {}), "");
    EXPECT_NE(forEachReference(damaged, "x", [](const Reference&) {}), "");
}

struct Damage {
    const char* what;
    // Makes the damage in a text of a built-in part and a taught part of
    // two references; gives the position of a byte of the line that
    // the message must name.
    std::function<std::size_t(std::string& text)> damage;
    const char* expected; // part of the message
};

class DamagedTaughtPart : public testing::TestWithParam<Damage> { };

TEST_P(DamagedTaughtPart, IsRefusedWithOneLineNamingTheLine)
{
    using namespace vanto::vecplan::test;
    std::string text = builtInPart()
        + formatTaughtPart({ taughtReference("5", "/tmp/cinco.pbm", ring()),
            taughtReference("7", "/tmp/siete.pbm", letterT()) });
    const std::size_t at = GetParam().damage(text);
    const RefsetResult parsed = parseRefset(text, "/dir/refset.db");
    EXPECT_FALSE(parsed.ok());
    EXPECT_TRUE(parsed.references.empty());
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    EXPECT_NE(parsed.error.find(
                  "/dir/refset.db no es válida: línea " + std::to_string(lineAt(text, at)) + ":"),
        std::string::npos)
        << parsed.error;
    EXPECT_NE(parsed.error.find(GetParam().expected), std::string::npos) << parsed.error;
}

namespace {

std::size_t lastLineStart(const std::string& text)
{
    return text.rfind('\n', text.size() - 2) + 1;
}

std::size_t markerAt(const std::string& text)
{
    return text.find(std::string(kTaughtMarker));
}

// Replaces the first `what` at or after `from` with `with`; where it was.
std::size_t replaceOnce(
    std::string& text, const std::string& what, const std::string& with, std::size_t from = 0)
{
    const std::size_t at = text.find(what, from);
    text.replace(at, what.size(), with);
    return at;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(TaughtPart, DamagedTaughtPart,
    testing::Values(Damage { "line cut between values",
                        [](std::string& t) {
                            const std::size_t at = lastLineStart(t);
                            t.resize(t.size() - 200);
                            t += "\n";
                            return at;
                        },
                        "valores y hay" },
        Damage { "line cut within the label's quotes",
            [](std::string& t) {
                const std::size_t at = lastLineStart(t);
                t.resize(at + 2);
                t += "\n";
                return at;
            },
            "no se cierran" },
        Damage { "file cut without its last line end",
            [](std::string& t) {
                t.pop_back();
                return t.rfind('\n') + 1;
            },
            "sin fin de línea" },
        Damage { "count larger than the references",
            [](std::string& t) {
                return replaceOnce(
                    t, std::string(kTaughtMarker) + " 2", std::string(kTaughtMarker) + " 3");
            },
            "dice 3 referencias enseñadas y hay 2" },
        Damage { "count smaller than the references",
            [](std::string& t) {
                return replaceOnce(
                    t, std::string(kTaughtMarker) + " 2", std::string(kTaughtMarker) + " 1");
            },
            "dice 1 referencias enseñadas y hay 2" },
        Damage { "last reference lost whole",
            [](std::string& t) {
                t.resize(lastLineStart(t));
                return markerAt(t);
            },
            "y hay 1" },
        Damage { "marker without a count",
            [](std::string& t) {
                return replaceOnce(
                    t, std::string(kTaughtMarker) + " 2", std::string(kTaughtMarker));
            },
            "el número de referencias enseñadas" },
        Damage { "second marker",
            [](std::string& t) {
                const std::size_t at = lastLineStart(t);
                t.insert(at, std::string(kTaughtMarker) + " 1\n");
                return at;
            },
            "segunda línea" },
        Damage { "two characters as the label",
            [](std::string& t) { return replaceOnce(t, "\"7\"", "\"77\""); }, "etiqueta \"77\"" },
        Damage { "label without quotes",
            [](std::string& t) { return replaceOnce(t, "\"7\"", "7"); },
            "falta el carácter entre comillas" },
        Damage { "lone accent as the label",
            [](std::string& t) { return replaceOnce(t, "\"7\"", "\"\u0301\""); }, "etiqueta" },
        Damage { "decomposed label",
            [](std::string& t) { return replaceOnce(t, "\"7\"", "\"e\u0301\""); }, "etiqueta" },
        Damage { "label escaped to a control",
            [](std::string& t) { return replaceOnce(t, "\"7\"", "\"\\x09\""); }, "etiqueta" },
        Damage { "unknown escape",
            [](std::string& t) { return replaceOnce(t, "/tmp/siete", "/tmp/\\siete"); },
            "escape no válido" },
        Damage { "bad time",
            [](std::string& t) {
                return replaceOnce(
                    t, "2025-03-01T10:22:33+01:00", "2025-13-01T10:22:33+01:00", lastLineStart(t));
            },
            "la fecha \"2025-13-01T10:22:33+01:00\"" },
        Damage { "image missing",
            [](std::string& t) { return replaceOnce(t, " \"/tmp/siete.pbm\"", ""); },
            "falta la imagen" },
        Damage { "value out of range",
            [](std::string& t) {
                const std::size_t at = lastLineStart(t);
                t.insert(t.size() - 1, "9999");
                return at;
            },
            "el valor 233" },
        Damage { "built-in line among the taught ones",
            [](std::string& t) {
                const std::size_t at = t.size();
                t += formatReference(referenceOf("Q", "F/1px", test::ring()));
                return at;
            },
            "falta el carácter entre comillas" }),
    [](const testing::TestParamInfo<Damage>& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

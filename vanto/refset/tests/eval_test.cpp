// vecplan_eval's parts: its command line, how answers are counted and held
// to the minimums, and Tesseract's batch, run here against a stand-in.
#include "eval_options.hpp"
#include "eval_tables.hpp"
#include "tesseract_batch.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ev = vanto::refset::evaluation;

namespace {

// The options of a command line, what it wrote to the error stream beside.
std::optional<ev::Options> parse(std::vector<const char*> args, std::string& err)
{
    args.insert(args.begin(), "vecplan_eval");
    std::ostringstream stream;
    const auto options = ev::parseOptions(static_cast<int>(args.size()), args.data(), stream);
    err = stream.str();
    return options;
}

} // namespace

TEST(EvalOptions, ReadsBothFormsAndEveryOption)
{
    std::string err;
    const auto folder = parse(
        { "r.db", "eval", "--ensena", "l.txt", "--prueba", "--tesseract", "--minimos", "m.txt" },
        err);
    ASSERT_TRUE(folder.has_value()) << err;
    EXPECT_EQ(folder->refset, "r.db");
    EXPECT_FALSE(folder->draw);
    EXPECT_EQ(folder->folder, "eval");
    EXPECT_TRUE(folder->withTest);
    EXPECT_TRUE(folder->withTesseract);
    EXPECT_EQ(folder->taughtList, "l.txt");
    EXPECT_EQ(folder->minimumsFile, "m.txt");

    const auto drawn = parse({ "r.db", "--dibujar", "validacion,limpio" }, err);
    ASSERT_TRUE(drawn.has_value()) << err;
    EXPECT_TRUE(drawn->draw);
    EXPECT_EQ(drawn->drawn, "validacion,limpio");
    EXPECT_EQ(drawn->folder, "");
    EXPECT_FALSE(drawn->withTest);
    EXPECT_FALSE(drawn->withTesseract);
    EXPECT_EQ(drawn->minimumsFile, "");
    EXPECT_EQ(drawn->taughtList, "");
}

TEST(EvalOptions, RefusesWhatItCannotDoSayingWhy)
{
    struct Row {
        std::vector<const char*> args;
        const char* says;
    };
    const Row rows[] = {
        { {}, "Uso: vecplan_eval <refset.db> <carpeta de evaluación>" },
        { { "r.db" }, "Uso:" },
        { { "r.db", "eval", "--rapido" }, "argumento desconocido --rapido" },
        // An option that needs a value and has none is not one.
        { { "r.db", "eval", "--minimos" }, "argumento desconocido --minimos" },
        { { "r.db", "--dibujar", "limpio", "--ensena" }, "argumento desconocido --ensena" },
        { { "r.db", "eval", "--tesseract" }, "Tesseract solo lee las imágenes de prueba" },
        { { "r.db", "--dibujar", "", "--prueba", "--tesseract" },
            "Tesseract solo lee las imágenes de prueba" },
    };
    for (const Row& row : rows) {
        std::string err;
        EXPECT_FALSE(parse(row.args, err).has_value()) << row.says;
        EXPECT_NE(err.find(row.says), std::string::npos) << err;
    }
}

TEST(EvalOptions, UsageNamesAFileAsFichero)
{
    std::string err;
    parse({}, err);
    EXPECT_NE(err.find("--minimos <fichero>"), std::string::npos) << err;
    EXPECT_EQ(err.find("archivo"), std::string::npos) << err;
}

TEST(EvalTables, CharactersThatACutCharacterCannotTellApartAreOneClass)
{
    const std::vector<std::vector<std::string>> classes { { "0", "O", "o" }, { "1", "I", "l" },
        { "C", "c" }, { "S", "s" }, { "V", "v" }, { "W", "w" }, { "X", "x" }, { "Z", "z" } };
    for (const auto& members : classes)
        for (const std::string& m : members)
            EXPECT_EQ(ev::folded(m), ev::folded(members.front())) << m;
    // Others keep their case and their accents.
    for (const std::string apart : { "a", "A", "b", "B", "ñ", "Ñ", "i", "L", "Q", "" })
        EXPECT_EQ(ev::folded(apart), apart);
}

TEST(EvalTables, LowerCaseLettersAndEnyeAreOneGroupDigitsAndCapitalsTheOther)
{
    for (const std::string lower : { "a", "m", "z", "ñ" })
        EXPECT_STREQ(ev::groupOf(lower), "minusculas") << lower;
    for (const std::string upper : { "A", "Z", "Ñ", "0", "9", "" })
        EXPECT_STREQ(ev::groupOf(upper), "mayusculas") << upper;
}

TEST(EvalTables, CleanImagesOfBoldAndItalicFacesCountInTheirStylesRowToo)
{
    ev::Table table;
    ev::Entry e;
    e.label = "a";
    e.condition = "limpio";
    e.style = "normal";
    ev::count(table, e, true);
    e.style = "negrita";
    ev::count(table, e, false);
    e.condition = "rotado";
    ev::count(table, e, true);
    e.label = "A";
    e.style = "cursiva";
    e.condition = "limpio";
    ev::count(table, e, true);

    EXPECT_EQ(table["limpio"]["minusculas"].total, 2);
    EXPECT_EQ(table["limpio"]["minusculas"].right, 1);
    EXPECT_EQ(table["limpio"]["mayusculas"].total, 1);
    EXPECT_EQ(table["negrita-limpio"]["minusculas"].total, 1);
    EXPECT_EQ(table["negrita-limpio"]["minusculas"].right, 0);
    EXPECT_EQ(table["cursiva-limpio"]["mayusculas"].right, 1);
    EXPECT_EQ(table["rotado"]["minusculas"].total, 1);
    EXPECT_EQ(table.count("normal-limpio"), 0u);
    EXPECT_EQ(table.count("negrita-rotado"), 0u);
    EXPECT_EQ(table.size(), 4u);
}

TEST(EvalTables, PercentileTakesTheNearestRankBelow)
{
    EXPECT_EQ(ev::percentile({}, 50), 0);
    EXPECT_EQ(ev::percentile({ 4, 1, 3, 2 }, 50), 2);
    EXPECT_EQ(ev::percentile({ 4, 1, 3, 2 }, 100), 4);
    EXPECT_EQ(ev::percentile({ 4, 1, 3, 2 }, 0), 1);
    EXPECT_EQ(ev::percentile({ 7 }, 98), 7);
}

TEST(EvalTables, MinimumsNotReachedAreEachOneFault)
{
    ev::Table table;
    for (int i = 0; i < 4; ++i)
        table["limpio"]["mayusculas"].add(i != 0); // 75 %
    table["limpio"]["minusculas"].add(true); // 100 %
    const std::string minimums = "# fila grupo mínimo\n"
                                 "\n"
                                 "limpio mayusculas 75\n" // reached exactly
                                 "limpio minusculas 100\n"
                                 "limpio mayusculas 80.5\n"
                                 "rotado minusculas 10\n" // a row it lacks
                                 "limpio nada 0\n" // a group it lacks
                                 "no es un mínimo\n";
    const auto faults = ev::belowMinimums(table, minimums, "m.txt");
    const std::vector<std::string> expected {
        "FALLO (validación): limpio, mayusculas: 75.00 % por debajo del mínimo 80.50 %",
        "FALLO (validación): rotado, minusculas: -1.00 % por debajo del mínimo 10.00 %",
        "FALLO (validación): limpio, nada: -1.00 % por debajo del mínimo 0.00 %",
    };
    EXPECT_EQ(faults, expected);

    EXPECT_TRUE(ev::belowMinimums(table, "limpio mayusculas 70\n", "m.txt").empty());
}

TEST(EvalTables, AFileWithoutAnyMinimumIsAFault)
{
    const auto faults = ev::belowMinimums({}, "# nada\nfila sin número\n", "m.txt");
    EXPECT_EQ(faults, std::vector<std::string> { "FALLO: m.txt no tiene ningún mínimo" });
}

TEST(TesseractBatch, PagesAreSplitAtFormFeeds)
{
    EXPECT_EQ(ev::splitPages(""), std::vector<std::string> { "" });
    EXPECT_EQ(ev::splitPages("a\n"), std::vector<std::string> { "a\n" });
    EXPECT_EQ(
        ev::splitPages("a\n\fb\n\f\fc"), (std::vector<std::string> { "a\n", "b\n", "", "c" }));
}

TEST(TesseractBatch, FirstCharacterSkipsBlanksAndTakesAWholeCharacter)
{
    EXPECT_EQ(ev::firstCharacter("A\n"), "A");
    EXPECT_EQ(ev::firstCharacter("  \r\n ñu\n"), "ñ");
    EXPECT_EQ(ev::firstCharacter("€5"), "€");
    EXPECT_EQ(ev::firstCharacter("\xF0\x9F\x98\x80x"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ev::firstCharacter(" \n\r "), "");
    EXPECT_EQ(ev::firstCharacter(""), "");
    // A tab is no blank here, and a broken character is taken a byte alone.
    EXPECT_EQ(ev::firstCharacter("\tA"), "\t");
    EXPECT_EQ(ev::firstCharacter("\xC3x"), "\xC3");
    EXPECT_EQ(ev::firstCharacter("\x80\x80"), "\x80");
}

// Tesseract replaced, through PATH, by a script of the test's own (PATH
// holds nothing else, so the script uses the shell's builtins only); each
// case works in a fresh scratch folder and puts PATH back.
class TesseractStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path()
            / ("vanto_eval_test_" + std::to_string(::getpid()) + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "bin");
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ::setenv("PATH", (dir_ / "bin").c_str(), 1);
    }
    void TearDown() override
    {
        ::setenv("PATH", oldPath_.c_str(), 1);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    // A stand-in named tesseract that runs `body` under /bin/sh.
    void standIn(const std::string& body)
    {
        const auto path = dir_ / "bin" / "tesseract";
        std::ofstream(path, std::ios::binary) << "#!/bin/sh\n" << body;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    std::filesystem::path dir_;
    std::string oldPath_;
};

// Answers each listed image with its own name, so that the order shows.
constexpr const char* kAnswering
    = "if [ \"$1\" = --version ]; then printf 'tesseract 9.1\\n leptonica\\n'; exit 0; fi\n"
      "first=1\n"
      "while read -r image; do\n"
      "  [ $first = 1 ] || printf '\\f'; first=0\n"
      "  name=${image##*/}; printf '%s\\n' \"${name%.pbm}\"\n"
      "done < \"$1\"\n";

TEST_F(TesseractStandIn, AnswersComeInTheOrderOfTheImages)
{
    standIn(kAnswering);
    const std::vector<std::string> files { "a.pbm", "b.pbm", "c.pbm", "d.pbm", "e.pbm" };
    const ev::TesseractAnswers read = ev::readWithTesseract(dir_.string(), files);
    EXPECT_EQ(read.why, "");
    EXPECT_EQ(read.version, "tesseract 9.1");
    EXPECT_EQ(read.answers, (std::vector<std::string> { "a\n", "b\n", "c\n", "d\n", "e\n" }));
}

TEST_F(TesseractStandIn, AMissingOrFailingTesseractLeavesNoAnswersAndSaysWhy)
{
    const std::vector<std::string> files { "a.pbm", "b.pbm", "c.pbm" };
    ev::TesseractAnswers read = ev::readWithTesseract(dir_.string(), files);
    EXPECT_TRUE(read.answers.empty());
    EXPECT_NE(read.why.find("Tesseract no está instalado"), std::string::npos) << read.why;

    const char* const kFailed = "Tesseract falló o no leyó todas las imágenes";
    // Too few pages for the images, though it ends well.
    standIn("[ \"$1\" = --version ] && { echo 'tesseract 9.1'; exit 0; }\nprintf 'x'\n");
    read = ev::readWithTesseract(dir_.string(), files);
    EXPECT_TRUE(read.answers.empty());
    EXPECT_NE(read.why.find(kFailed), std::string::npos) << read.why;

    // Every page, but a failure at the end.
    standIn(std::string(kAnswering) + "exit 1\n");
    read = ev::readWithTesseract(dir_.string(), files);
    EXPECT_TRUE(read.answers.empty());
    EXPECT_NE(read.why.find(kFailed), std::string::npos) << read.why;
}

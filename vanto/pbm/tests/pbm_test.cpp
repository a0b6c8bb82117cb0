#include <gtest/gtest.h>

#include "pbm.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using vanto::Bitmap;
using vanto::parsePbm;
using vanto::PbmResult;
using vanto::readPbm;

namespace {

using namespace std::string_literals;

// The pixels as rows of '0'/'1' characters, for literal comparisons.
std::vector<std::string> rows(const Bitmap& bitmap)
{
    std::vector<std::string> out;
    for (int y = 0; y < bitmap.height; ++y) {
        std::string row;
        for (int x = 0; x < bitmap.width; ++x)
            row += bitmap.black(x, y) ? '1' : '0';
        out.push_back(row);
    }
    return out;
}

using Rows = std::vector<std::string>;

Bitmap parsed(std::string_view bytes)
{
    PbmResult result = parsePbm(bytes);
    EXPECT_TRUE(result.ok()) << result.error;
    return result.bitmap;
}

// The letter "L" used by several cases, 3 wide and 4 high.
const Rows kLetterL = { "100", "100", "100", "111" };

} // namespace

TEST(PbmPlain, ReadsPixelsRowByRowWithOneAsBlack)
{
    const Bitmap b = parsed("P1\n3 4\n1 0 0\n1 0 0\n1 0 0\n1 1 1\n");
    EXPECT_EQ(b.width, 3);
    EXPECT_EQ(b.height, 4);
    EXPECT_EQ(rows(b), kLetterL);
    EXPECT_EQ(b.pixels.size(), 12u);
}

TEST(PbmPlain, DigitsNeedNoSeparatorsAndRowsNeedNotMatchLines)
{
    EXPECT_EQ(rows(parsed("P1 3 4 100100100111")), kLetterL);
    EXPECT_EQ(rows(parsed("P1\n3 4\n10010\n0100111\n")), kLetterL);
}

TEST(PbmPlain, EverySeparatorAndCommentsAnywhereAreSkipped)
{
    // Space, TAB, LF, VT, FF and CR between every token, comments in the
    // header (also right after the magic number) and inside the raster.
    const std::string text = "P1#magic\n 3\t\v\f\r4 # size\r"
                             "1 0 0 # row one\n100\n# whole line\n100\r\n1\t1\v1\f";
    EXPECT_EQ(rows(parsed(text)), kLetterL);
}

TEST(PbmPlain, OnlyTheFirstOfSeveralImagesIsRead)
{
    const Bitmap b = parsed("P1 2 1 10\nP1 3 3 111111111\n");
    EXPECT_EQ(rows(b), (Rows { "10" }));
}

TEST(PbmRaw, ReadsPackedRowsMostSignificantBitFirst)
{
    // Rows of 3 pixels take one byte each; the low five bits are padding.
    const std::string data = "P4\n3 4\n\x80\x80\x80\xE0"s;
    const Bitmap b = parsed(data);
    EXPECT_EQ(b.width, 3);
    EXPECT_EQ(b.height, 4);
    EXPECT_EQ(rows(b), kLetterL);
}

TEST(PbmRaw, PaddingBitsAreIgnored)
{
    EXPECT_EQ(rows(parsed("P4\n3 4\n\x9F\x9F\x9F\xFF"s)), kLetterL);
}

TEST(PbmRaw, RowsWiderThanOneByteKeepTheirOrder)
{
    // 10 pixels a row: two bytes, the second holding pixels 8 and 9.
    const Bitmap b = parsed("P4 10 2\n\xA5\x40\x00\xFF"s);
    EXPECT_EQ(rows(b), (Rows { "1010010101", "0000000011" }));
}

TEST(PbmRaw, ExactlyOneSeparatorFollowsTheHeightEvenIfTheRasterLooksLikeSpace)
{
    // The raster bytes are '\n' and ' ': data, not more separators, and a
    // NUL byte inside the raster is an ordinary all-white row.
    const Bitmap b = parsed("P4\n8 3\n\n \0"s);
    EXPECT_EQ(rows(b), (Rows { "00001010", "00100000", "00000000" }));
}

TEST(PbmRaw, CommentRightAfterTheHeightEndsWithTheSeparator)
{
    EXPECT_EQ(rows(parsed("P4 3 4# made by hand\n\x80\x80\x80\xE0"s)), kLetterL);
}

TEST(PbmRaw, TrailingBytesAndFurtherImagesAreIgnored)
{
    EXPECT_EQ(rows(parsed("P4 3 4\n\x80\x80\x80\xE0P4 1 1\n\x80"s)), kLetterL);
}

TEST(PbmForms, PlainAndRawOfTheSameImageAgree)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 50; ++round) {
        Bitmap b;
        b.width = 1 + static_cast<int>(random() % 40);
        b.height = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < b.width * b.height; ++i)
            b.pixels.push_back(static_cast<std::uint8_t>(random() & 1));

        const PbmResult plain = parsePbm(vanto::formatPlainPbm(b));
        const PbmResult raw = parsePbm(vanto::formatRawPbm(b));
        ASSERT_TRUE(plain.ok()) << plain.error;
        ASSERT_TRUE(raw.ok()) << raw.error;
        EXPECT_EQ(plain.bitmap.pixels, b.pixels) << b.width << "x" << b.height;
        EXPECT_EQ(raw.bitmap.pixels, b.pixels) << b.width << "x" << b.height;
        EXPECT_EQ(raw.bitmap.width, plain.bitmap.width);
        EXPECT_EQ(raw.bitmap.height, plain.bitmap.height);
    }
}

TEST(PbmForms, PlainOutputKeepsLinesWithinSeventyCharacters)
{
    Bitmap b;
    b.width = 150;
    b.height = 2;
    b.pixels.assign(300, 1);
    const std::string text = vanto::formatPlainPbm(b);
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            EXPECT_LE(i - lineStart, 70u);
            lineStart = i + 1;
        }
    EXPECT_EQ(parsePbm(text).bitmap.pixels, b.pixels);
}

TEST(PbmLimits, LargestAllowedSizeIsAcceptedAndOneMoreIsRefused)
{
    // A raw image of exactly kMaxPixels pixels, 8192 x 8192, all white.
    const std::string header = "P4 8192 8192\n";
    std::string data = header + std::string(8192u / 8 * 8192, '\0');
    const PbmResult ok = parsePbm(data);
    ASSERT_TRUE(ok.ok()) << ok.error;
    EXPECT_EQ(ok.bitmap.pixels.size(), vanto::kMaxPixels);

    const PbmResult tooBig = parsePbm("P4 8193 8192\n" + std::string(8193u / 8 * 8192, '\0'));
    EXPECT_FALSE(tooBig.ok());
    EXPECT_NE(tooBig.error.find("desmesurado"), std::string::npos) << tooBig.error;
}

// Families of bad input: each row is the bytes and a word its message must
// contain. Every message is one line.
struct BadInput {
    const char* name;
    std::string bytes;
    const char* expected;
};

void PrintTo(const BadInput& input, std::ostream* os)
{
    *os << input.name;
}

class PbmBadInput : public ::testing::TestWithParam<BadInput> { };

TEST_P(PbmBadInput, IsRefusedWithAOneLineSpanishMessage)
{
    const PbmResult result = parsePbm(GetParam().bytes);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find(GetParam().expected), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\r'), std::string::npos) << result.error;
    EXPECT_TRUE(result.bitmap.pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(Families, PbmBadInput,
    ::testing::Values(BadInput { "Empty", "", "no es una imagen PBM: el fichero está vacío" },
        BadInput { "OneByte", "P", "no es una imagen PBM" },
        BadInput { "Text", "hola\n", "no es una imagen PBM" },
        BadInput { "Graymap", "P5 2 2 255\n\0\0\0\0"s, "«P» y «5»" },
        BadInput { "Pixmap", "P3 1 1 255 0 0 0", "no es una imagen PBM" },
        BadInput { "ControlByteAfterP", "P\x01 1 1 1", "0x01" },
        BadInput { "LeadingSpace", " P1 1 1 1", "no es una imagen PBM" },
        BadInput { "NoWidth", "P1\n", "falta la anchura" },
        BadInput { "NoHeight", "P1 3", "falta la altura" },
        BadInput { "CommentHidesHeight", "P1 3 # 4\n", "falta la altura" },
        BadInput {
            "MagicGluedToWidth", "P13 4\n100100100111", "falta un espacio antes de la anchura" },
        BadInput { "NegativeWidth", "P1 -3 4\n", "se esperaba la anchura y hay «-»" },
        BadInput { "LetterHeight", "P1 3 x\n", "se esperaba la altura y hay «x»" },
        BadInput { "ZeroWidth", "P1 0 4\n", "tamaño no válido: 0 x 4" },
        BadInput { "ZeroHeight", "P4 3 0\n", "tamaño no válido: 3 x 0" },
        BadInput { "AbsurdSize", "P4 100000 100000\n", "tamaño desmesurado: 100000 x 100000" },
        BadInput { "AbsurdPlainSize", "P1 70000 1000\n0", "tamaño desmesurado" },
        BadInput { "WidthOverflowsInt", "P1 4294967297 1\n1", "pasa de" },
        BadInput { "HeightOverflows64Bits", "P4 1 99999999999999999999999\n", "pasa de" },
        BadInput { "PlainShort", "P1 3 4\n1 0 0\n1 0 0\n", "imagen truncada" },
        BadInput { "PlainShortBySeparators", "P1 3 4\n1 0 0 1 0 0 1 0 0 1 1 ",
            "se esperaban 12 píxeles y hay 11" },
        BadInput { "PlainHeaderOnly", "P1 3 4", "imagen truncada" },
        BadInput { "RawHeaderOnly", "P4 3 4", "imagen truncada" },
        BadInput { "RawShort", "P4 3 4\n\x80\x80\x80"s, "se esperaban 4 filas y hay 3" },
        BadInput { "RawHugeButEmpty", "P4 8192 8192\n", "imagen truncada" },
        BadInput { "RawNoSeparator", "P4 3 4x\x80\x80\x80\xE0"s, "tras la altura" },
        BadInput { "PlainJunk", "P1 3 4\n100\n120\n100\n111\n", "«2» en la fila 2, columna 2" },
        BadInput { "PlainNulByte", "P1 2 1\n1\0"s, "0x00 en la fila 1, columna 2" },
        BadInput { "PlainUtf8", "P1 1 1\n\xC3\xB1"s, "0xC3" }),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

// Reading from files: each case works in a fresh scratch folder.
class PbmFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path()
            / ("vanto_pbm_test_" + std::to_string(::getpid()) + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(PbmFile, ReadsBinaryDataExactlyAsWritten)
{
    // Bytes that a text-mode read would mangle: CR LF, ^Z and NUL.
    const std::string path = write("crlf.pbm", "P4\n8 4\n\r\n\x1A\0"s);
    const PbmResult result = readPbm(path);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(rows(result.bitmap), (Rows { "00001101", "00001010", "00011010", "00000000" }));
}

TEST_F(PbmFile, PathWithSpacesAndAccentsIsRead)
{
    std::filesystem::create_directories(dir_ / "con espacios");
    const std::string path = write("con espacios/letra ñ.pbm", "P1 3 4 100100100111");
    const PbmResult result = readPbm(path);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(rows(result.bitmap), kLetterL);
}

TEST_F(PbmFile, MissingFileIsNamedWithTheSystemReason)
{
    const std::string path = (dir_ / "no existe.pbm").string();
    const PbmResult result = readPbm(path);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("«" + path + "»"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("no existe el fichero o el directorio (error 2)"), std::string::npos)
        << result.error;
}

TEST_F(PbmFile, PathThroughAFileGivesTheSystemReason)
{
    const std::string path = write("a.pbm", "P1 1 1 1") + "/b.pbm";
    const PbmResult result = readPbm(path);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("no es un directorio (error 20)"), std::string::npos) << result.error;
}

TEST_F(PbmFile, UnreadableFileGivesTheSystemReason)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file regardless of its permissions";
    const std::string path = write("cerrado.pbm", "P1 1 1 1");
    ::chmod(path.c_str(), 0);
    const PbmResult result = readPbm(path);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("permiso denegado (error 13)"), std::string::npos) << result.error;
}

TEST_F(PbmFile, DirectoryIsRefused)
{
    const PbmResult result = readPbm(dir_.string());
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("carpeta"), std::string::npos) << result.error;
}

TEST_F(PbmFile, FifoWithoutWriterIsRefusedInsteadOfBlocking)
{
    // Without a writer an ordinary open would wait forever; CTest's timeout
    // is what would catch a regression here.
    const std::string path = (dir_ / "tubo.pbm").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
    const PbmResult result = readPbm(path);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("no es un fichero normal"), std::string::npos) << result.error;
}

TEST_F(PbmFile, FileLargerThanTheLimitIsRefusedUnread)
{
    // A sparse file: large on paper, nothing written.
    const std::string path = write("enorme.pbm", "P1 1 1 1\n");
    std::filesystem::resize_file(path, vanto::kMaxFileBytes + 1);
    const PbmResult result = readPbm(path);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("demasiado grande"), std::string::npos) << result.error;
}

TEST_F(PbmFile, ParseErrorsNameTheFileOnOneLine)
{
    const std::string path = write("mal\nnombre.pbm", "P1 3 4\n1 0 0\n");
    const PbmResult result = readPbm(path);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("mal?nombre.pbm»: imagen truncada"), std::string::npos)
        << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
}

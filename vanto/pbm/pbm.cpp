// The PBM parser: one header reader for both forms, then the plain or the
// raw raster. Every check happens before the pixels are allocated, so a
// hostile header cannot make us reserve memory it does not back with data.
#include "pbm.hpp"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>

namespace vanto {
namespace {

// Width and height are read with at most this many digits' worth of
// value; anything larger cannot be a real image and would overflow int.
constexpr std::uint64_t kMaxDimension = 999'999'999;

bool isPbmSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// How a byte is shown inside a message: printable ASCII as itself,
// anything else by its code, so the message stays one clean line.
std::string describeByte(unsigned char c)
{
    char text[16];
    if (c >= 0x21 && c <= 0x7e)
        std::snprintf(text, sizeof text, "«%c»", c);
    else
        std::snprintf(text, sizeof text, "el byte 0x%02X", c);
    return text;
}

PbmResult failure(std::string message)
{
    PbmResult result;
    result.error = std::move(message);
    return result;
}

// A cursor over the bytes that knows the format's whitespace and
// comments ('#' to the end of the line, the line ending left in place).
class Reader {
public:
    explicit Reader(std::string_view bytes)
        : bytes_(bytes)
    {
    }

    bool atEnd() const { return pos_ >= bytes_.size(); }
    unsigned char peek() const { return static_cast<unsigned char>(bytes_[pos_]); }
    unsigned char take() { return static_cast<unsigned char>(bytes_[pos_++]); }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    std::string_view rest() const { return bytes_.substr(pos_); }

    void skipComment()
    {
        while (!atEnd() && peek() != '\n' && peek() != '\r')
            ++pos_;
    }

    // Skips whitespace and comments; tells whether anything was skipped.
    bool skipSeparators()
    {
        const std::size_t start = pos_;
        while (!atEnd()) {
            if (isPbmSpace(peek()))
                ++pos_;
            else if (peek() == '#')
                skipComment();
            else
                break;
        }
        return pos_ != start;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

struct Header {
    bool raw = false;
    int width = 0;
    int height = 0;
};

// Reads one size field, which must follow at least one separator.
// Returns the value, or sets error.
std::optional<std::uint64_t> readDimension(Reader& in, const char* name, std::string& error)
{
    const bool separated = in.skipSeparators();
    if (in.atEnd()) {
        error = std::string("cabecera PBM incompleta: falta la ") + name;
        return std::nullopt;
    }
    if (!separated) {
        error = std::string("cabecera PBM no válida: falta un espacio antes de la ") + name;
        return std::nullopt;
    }
    if (!isDigit(in.peek())) {
        error = std::string("cabecera PBM no válida: se esperaba la ") + name + " y hay "
            + describeByte(in.peek());
        return std::nullopt;
    }
    std::uint64_t value = 0;
    while (!in.atEnd() && isDigit(in.peek())) {
        value = value * 10 + (in.take() - '0');
        if (value > kMaxDimension) {
            error = std::string("tamaño desmesurado: la ") + name + " pasa de "
                + std::to_string(kMaxDimension) + " píxeles";
            return std::nullopt;
        }
    }
    return value;
}

// The header shared by both forms: magic number, width, height.
std::optional<Header> readHeader(Reader& in, std::string& error)
{
    if (in.remaining() == 0) {
        error = "no es una imagen PBM: el fichero está vacío";
        return std::nullopt;
    }
    if (in.remaining() < 2 || in.take() != 'P') {
        error = "no es una imagen PBM: no empieza por «P1» ni por «P4»";
        return std::nullopt;
    }
    const unsigned char kind = in.take();
    if (kind != '1' && kind != '4') {
        error = "no es una imagen PBM: empieza por «P» y " + describeByte(kind)
            + ", no por «P1» ni por «P4»";
        return std::nullopt;
    }
    const auto width = readDimension(in, "anchura", error);
    if (!width)
        return std::nullopt;
    const auto height = readDimension(in, "altura", error);
    if (!height)
        return std::nullopt;

    const std::string size = std::to_string(*width) + " x " + std::to_string(*height);
    if (*width == 0 || *height == 0) {
        error = "tamaño no válido: " + size + " (la anchura y la altura deben ser al menos 1)";
        return std::nullopt;
    }
    if (*width * *height > kMaxPixels) {
        error = "tamaño desmesurado: " + size + " píxeles (el máximo es "
            + std::to_string(kMaxPixels) + " píxeles)";
        return std::nullopt;
    }
    return Header { kind == '4', static_cast<int>(*width), static_cast<int>(*height) };
}

std::string rowColumn(std::uint64_t index, int width)
{
    return "fila " + std::to_string(index / static_cast<std::uint64_t>(width) + 1) + ", columna "
        + std::to_string(index % static_cast<std::uint64_t>(width) + 1);
}

// Plain raster: one '0' or '1' a pixel, separators allowed anywhere.
PbmResult readPlainRaster(Reader& in, const Header& header)
{
    const std::uint64_t count
        = static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.height);
    in.skipSeparators();
    // Every pixel takes at least one byte: refuse a short file before
    // allocating for the size its header claims.
    if (in.remaining() < count)
        return failure("imagen truncada: se esperaban " + std::to_string(count)
            + " píxeles y el fichero no da para tantos");

    PbmResult result;
    result.bitmap.width = header.width;
    result.bitmap.height = header.height;
    result.bitmap.pixels.resize(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        in.skipSeparators();
        if (in.atEnd())
            return failure("imagen truncada: se esperaban " + std::to_string(count)
                + " píxeles y hay " + std::to_string(i));
        const unsigned char c = in.take();
        if (c != '0' && c != '1')
            return failure("basura en la imagen: " + describeByte(c) + " en la "
                + rowColumn(i, header.width) + " (sólo valen «0» y «1»)");
        result.bitmap.pixels[i] = c == '1' ? 1 : 0;
    }
    return result;
}

// Raw raster: after exactly one whitespace byte, rows packed eight pixels
// a byte, most significant bit first, each row padded to a whole byte.
PbmResult readRawRaster(Reader& in, const Header& header)
{
    // A comment straight after the height ends at its line ending, and
    // that line ending is the single separator.
    if (!in.atEnd() && in.peek() == '#')
        in.skipComment();
    if (in.atEnd())
        return failure("imagen truncada: la cabecera termina sin datos de imagen");
    if (!isPbmSpace(in.take()))
        return failure("cabecera PBM no válida: tras la altura debe venir un espacio");

    const std::size_t rowBytes = (static_cast<std::size_t>(header.width) + 7) / 8;
    const std::size_t height = static_cast<std::size_t>(header.height);
    const std::string_view raster = in.rest();
    if (raster.size() / rowBytes < height)
        return failure("imagen truncada: se esperaban " + std::to_string(height) + " filas y hay "
            + std::to_string(raster.size() / rowBytes));

    PbmResult result;
    result.bitmap.width = header.width;
    result.bitmap.height = header.height;
    result.bitmap.pixels.resize(static_cast<std::size_t>(header.width) * height);
    // Each packed byte expands to eight pixel bytes through a table; the
    // last byte of a row gives only the pixels that exist, so padding bits
    // are never looked at.
    static const auto kExpanded = [] {
        std::array<std::array<std::uint8_t, 8>, 256> table {};
        for (std::size_t byte = 0; byte < 256; ++byte)
            for (std::size_t bit = 0; bit < 8; ++bit)
                table[byte][bit] = static_cast<std::uint8_t>((byte >> (7 - bit)) & 1u);
        return table;
    }();
    const std::size_t fullBytes = static_cast<std::size_t>(header.width) / 8;
    const std::size_t lastPixels = static_cast<std::size_t>(header.width) % 8;
    std::uint8_t* out = result.bitmap.pixels.data();
    for (std::size_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const unsigned char*>(raster.data()) + y * rowBytes;
        for (std::size_t i = 0; i < fullBytes; ++i, out += 8)
            std::memcpy(out, kExpanded[row[i]].data(), 8);
        if (lastPixels != 0) {
            std::memcpy(out, kExpanded[row[fullBytes]].data(), lastPixels);
            out += lastPixels;
        }
    }
    return result;
}

} // namespace

PbmResult parsePbm(std::string_view bytes)
{
    Reader in(bytes);
    std::string error;
    const auto header = readHeader(in, error);
    if (!header)
        return failure(std::move(error));
    return header->raw ? readRawRaster(in, *header) : readPlainRaster(in, *header);
}

std::string formatPlainPbm(const Bitmap& bitmap)
{
    // Plain lines should stay within 70 characters; longer rows wrap.
    constexpr int kLineLimit = 70;
    std::string text
        = "P1\n" + std::to_string(bitmap.width) + " " + std::to_string(bitmap.height) + "\n";
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            if (x > 0 && x % kLineLimit == 0)
                text += '\n';
            text += bitmap.black(x, y) ? '1' : '0';
        }
        text += '\n';
    }
    return text;
}

std::string formatRawPbm(const Bitmap& bitmap)
{
    std::string data
        = "P4\n" + std::to_string(bitmap.width) + " " + std::to_string(bitmap.height) + "\n";
    const std::size_t rowBytes = (static_cast<std::size_t>(bitmap.width) + 7) / 8;
    for (int y = 0; y < bitmap.height; ++y) {
        std::vector<unsigned char> row(rowBytes, 0);
        for (int x = 0; x < bitmap.width; ++x)
            if (bitmap.black(x, y))
                row[static_cast<std::size_t>(x) >> 3]
                    |= static_cast<unsigned char>(0x80u >> (x & 7));
        data.append(reinterpret_cast<const char*>(row.data()), row.size());
    }
    return data;
}

} // namespace vanto

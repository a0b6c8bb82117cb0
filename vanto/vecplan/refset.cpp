#include "refset.hpp"

#include "characters.hpp"
#include "file_failure.hpp"
#include "ranking.hpp"
#include "text_encoding.hpp"
#include "unicode_library.hpp"
#include "values_text.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>

namespace vanto::vecplan {

namespace {

// A larger file is no reference set of ours; refusing it keeps a stray
// file from eating the memory.
constexpr std::uintmax_t kMaxRefsetBytes = 32u * 1024 * 1024;

// True when s is exactly one well-formed UTF-8 character that is neither
// a control character nor a space.
bool isOneCharacter(std::string_view s)
{
    const auto first = glifora::support::firstUtf8Character(s);
    if (!first || first->length != s.size())
        return false;
    const char32_t cp = first->codePoint;
    return cp > 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0);
}

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// The usual line of a reference set, read in one pass without allocating
// more than the reference itself: false at anything unusual (which the
// careful reading below then reads or explains).
bool readQuickly(std::string_view line, Reference& ref)
{
    const char* p = line.data();
    const char* const end = p + line.size();
    const auto token = [&]() {
        while (p < end && blank(*p))
            ++p;
        const char* start = p;
        while (p < end && !blank(*p))
            ++p;
        return std::string_view(start, static_cast<std::size_t>(p - start));
    };
    const std::string_view label = token();
    const std::string_view origin = token();
    if (origin.empty() || !isOneCharacter(label) || !readValues(p, end, ref.values))
        return false;
    // Into the strings of the reference read before: no fresh memory a line.
    ref.label.assign(label);
    ref.origin.assign(origin);
    return true;
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The reading of one taught line, field by field; `fault` says in Spanish
// what is wrong with the line when a step fails.
class TaughtLine {
public:
    explicit TaughtLine(std::string_view line)
        : p(line.data())
        , end(line.data() + line.size())
    {
    }

    bool read(Reference& ref)
    {
        if (!quoted("el carácter", ref.label))
            return false;
        const LabelCheck label = checkLabel(ref.label);
        if (label.fault == LabelFault::NoUnicodeLibrary)
            return failWith("no se puede comprobar la etiqueta \"" + escapeText(ref.label)
                + "\": no se puede cargar " + std::string(unicodeLibraryName())
                + ", la biblioteca que dice qué es cada carácter Unicode");
        if (!label.ok() || label.label != ref.label)
            return failWith("la etiqueta \"" + escapeText(ref.label)
                + "\" no es un único carácter que se pueda enseñar");
        skipBlanks();
        const char* start = p;
        while (p < end && !blank(*p))
            ++p;
        const std::string_view time(start, static_cast<std::size_t>(p - start));
        if (!isTeachingTime(time))
            return failWith("la fecha \"" + escapeText(time)
                + "\" no es válida (se esperaba como 2025-03-01T10:22:33+01:00)");
        ref.taughtAt.assign(time);
        if (!quoted("la imagen", ref.image))
            return false;
        if (ref.image.empty() || ref.image.find('\0') != std::string::npos)
            return failWith("la imagen no es un nombre de fichero");
        const char* values = p;
        if (readValues(p, end, ref.values))
            return finish(ref);
        p = values;
        for (int i = 0; i < kVectorSize; ++i) {
            const bool separated = skipBlanks();
            if (p == end)
                return failWith("se esperaban " + std::to_string(kVectorSize) + " valores y hay "
                    + std::to_string(i) + " (línea cortada)");
            const char* first = p;
            unsigned v = 0;
            while (p < end && digit(*p) && p - first < 5) {
                v = v * 10 + static_cast<unsigned>(*p - '0');
                ++p;
            }
            if (!separated || p == first || (p < end && !blank(*p))
                || v > static_cast<unsigned>(kMaxValue)) {
                while (p < end && !blank(*p))
                    ++p;
                return failWith("el valor " + std::to_string(i + 1) + " (\""
                    + escapeText(std::string_view(first, static_cast<std::size_t>(p - first)))
                    + "\") no es un entero entre 0 y " + std::to_string(kMaxValue));
            }
            ref.values[static_cast<std::size_t>(i)] = static_cast<int>(v);
        }
        skipBlanks();
        if (p != end)
            return failWith("sobra texto tras los " + std::to_string(kVectorSize) + " valores");
        return finish(ref);
    }

    const std::string& fault() const { return fault_; }

private:
    bool finish(Reference& ref)
    {
        const std::size_t slash = ref.image.rfind('/');
        ref.origin.assign("enseñada: ");
        ref.origin += escapeText(
            std::string_view(ref.image).substr(slash == std::string::npos ? 0 : slash + 1));
        ref.taught = true;
        return true;
    }

    bool skipBlanks()
    {
        const char* start = p;
        while (p < end && blank(*p))
            ++p;
        return p > start;
    }

    bool failWith(std::string what)
    {
        fault_ = std::move(what);
        return false;
    }

    // A field between quotes, its escapes undone.
    bool quoted(const char* what, std::string& out)
    {
        skipBlanks();
        if (p == end || *p != '"')
            return failWith(std::string("falta ") + what + " entre comillas");
        ++p;
        out.clear();
        for (;;) {
            const char* start = p;
            while (p < end && *p != '"' && *p != '\\')
                ++p;
            out.append(start, p);
            if (p == end)
                return failWith(
                    std::string("las comillas de ") + what + " no se cierran (línea cortada)");
            if (*p++ == '"')
                return true;
            if (p < end && (*p == '"' || *p == '\\')) {
                out += *p++;
            } else if (end - p >= 3 && p[0] == 'x' && hexValue(p[1]) >= 0 && hexValue(p[2]) >= 0) {
                out += static_cast<char>(hexValue(p[1]) * 16 + hexValue(p[2]));
                p += 3;
            } else {
                return failWith(std::string("escape no válido en ") + what
                    + " (tras \\ solo valen \\\", \\\\ y \\xHH)");
            }
        }
    }

    const char* p;
    const char* end;
    std::string fault_;
};

std::string lineError(std::string_view name, int number, const std::string& what)
{
    return "La base de referencias " + std::string(name) + " no es válida: línea "
        + std::to_string(number) + ": " + what + ".";
}

} // namespace

std::string refsetSignature()
{
    return "VECPLAN-REFSET 1 " + std::to_string(kVectorSize);
}

// The comments of a reference set are written here as the file shows them,
// the numbers that the code fixes filled in.
std::string formatRefsetHeader()
{
    std::string h = refsetSignature() + "\n";
    h += R"(# Base de referencias de VECPLAN.EXE: caracteres conocidos y su vector de rasgos.
# La primera línea da la versión del formato y la longitud del vector.
# Las líneas que empiezan por # son comentarios. Cada una de las demás es una
# referencia: carácter, origen (fuente/tamaño en píxeles) y los )"
        + std::to_string(kVectorSize) + R"(
# valores enteros del vector, separados por espacios.
# Antes de medir se limpia la imagen: se quitan las motas sueltas lejos del carácter
# y se rellenan los poros de sus trazos. El carácter que queda se redibuja en un
# cuadrado de )"
        + std::to_string(kNormalSize)
        + R"( píxeles (el lado mayor lo llena; el menor, según la raíz de su
# proporción) y el vector se mide en él, salvo la forma, medida en la caja del
# carácter, y el marco, que sitúa la caja entre el borde superior y el inferior de
# la imagen:
)";
    for (const FeatureGroup& g : kGroups) {
        h += "#   valores " + std::to_string(g.offset + 1) + "-"
            + std::to_string(g.offset + g.count) + ": " + std::string(g.name) + " ("
            + std::string(g.meaning) + "); peso " + std::to_string(g.weight) + "\n";
    }
    h += R"(# Distancia: raíz de la suma de los cuadrados de las diferencias, cada uno por el
# peso de su grupo; el marco, cuando a uno de los dos vectores le falta, suma
# )" + std::to_string(kUnframedCost)
        + R"( a esa suma. El carácter reconocido es el de menor distancia media
# a sus dos referencias más cercanas, las de serie y las enseñadas aparte.
)";
    return h;
}

std::string formatReference(const Reference& reference)
{
    std::string line = reference.label + " " + reference.origin;
    for (const int v : reference.values) {
        line += ' '; // not " " + ...: GCC 12's false -Wrestrict alarm (its bug 105651)
        line += std::to_string(v);
    }
    line += "\n";
    return line;
}

std::string formatTaughtReference(const Reference& reference)
{
    std::string line = "\"" + escapeText(reference.label) + "\" " + reference.taughtAt + " \""
        + escapeText(reference.image) + "\"";
    for (const int v : reference.values)
        line += " " + std::to_string(v);
    line += "\n";
    return line;
}

std::string formatTaughtPart(const std::vector<Reference>& taught)
{
    if (taught.empty())
        return {};
    std::string t = std::string(kTaughtMarker) + " " + std::to_string(taught.size()) + "\n";
    t += R"(# Referencias enseñadas por el usuario (con VECPLAN.EXE --aprende o desde el visor),
# en el orden en que se enseñaron; la línea de arriba dice cuántas son. Cada línea:
# el carácter entre comillas, cuándo se enseñó (fecha y hora local y su diferencia
# con la hora universal), la imagen de la que se midió, entre comillas, y los )"
        + std::to_string(kVectorSize) + R"(
# valores de su vector, medidos como al reconocer. Entre comillas, \" es una
# comilla, \\ una barra inversa y \xHH un byte en hexadecimal (lo que no se
# vería en una línea de texto). Se olvidan con VECPLAN.EXE --olvida-imagen,
# --olvida o --olvida-todo (VECPLAN.EXE --ayuda).
)";
    for (const Reference& r : taught)
        t += formatTaughtReference(r);
    return t;
}

bool isTeachingTime(std::string_view text)
{
    // 2025-03-01T10:22:33+01:00
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd+dd:dd";
    if (text.size() != kShape.size())
        return false;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const char c = text[i];
        const bool fits = kShape[i] == 'd' ? digit(c)
            : kShape[i] == '+'             ? c == '+' || c == '-'
                                           : c == kShape[i];
        if (!fits)
            return false;
    }
    const auto number
        = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    const int month = number(5), day = number(8);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && number(11) <= 23
        && number(14) <= 59 && number(17) <= 60 && number(20) <= 23 && number(23) <= 59;
}

namespace {

// The reading of a reference set, a line at a time, each reference handed
// to `take` as soon as it is read: from a text held whole or from a file
// read in pieces alike.
class Reader {
public:
    Reader(std::string_view name, const std::function<void(const Reference&)>& take)
        : name(name)
        , take(take)
    {
    }

    // One line without its line end; `ended` when a line end followed it,
    // `start` where it starts in the text. False at a fault: error() says it
    // and nothing more may be read.
    bool read(std::string_view line, bool ended, std::size_t start)
    {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (!signed_) {
            if (line != refsetSignature())
                return fail("se esperaba la cabecera \"" + refsetSignature() + "\"");
            signed_ = true;
            return true;
        }
        if (line.empty() || line.front() == '#')
            return true;

        if (markerLine != 0 && line.front() == '"')
            return readTaught(line, ended);
        if (markerLine == 0 && readQuickly(line, ref))
            return give();
        if (line.starts_with(kTaughtMarker))
            return readMarker(line, start);
        return markerLine != 0 ? readTaught(line, ended) : readCarefully(line);
    }

    // The message of the first fault, or of what the whole lacks; empty
    // when the set is good.
    std::string finish()
    {
        if (!error_.empty())
            return error_;
        if (!signed_)
            return "La base de referencias " + std::string(name) + " está vacía.";
        if (markerLine != 0 && taught != announced)
            return countError();
        if (taken == 0)
            return "La base de referencias " + std::string(name)
                + " no contiene ninguna referencia.";
        return {};
    }

    // Where the taught part starts; npos while none has.
    std::size_t taughtStart() const { return taughtStart_; }

private:
    bool give()
    {
        take(ref);
        ++taken;
        return true;
    }

    bool fail(const std::string& what)
    {
        error_ = lineError(name, number, what);
        return false;
    }

    std::string countError() const
    {
        return lineError(name, markerLine,
            "la línea " + std::string(kTaughtMarker) + " dice " + std::to_string(announced)
                + " referencias enseñadas y hay " + std::to_string(taught));
    }

    bool readMarker(std::string_view line, std::size_t start)
    {
        if (markerLine != 0)
            return fail("segunda línea " + std::string(kTaughtMarker) + " (la primera es la "
                + std::to_string(markerLine) + ")");
        const std::string_view count = line.substr(kTaughtMarker.size());
        const bool spaced = count.size() > 1 && count.front() == ' ' && digit(count[1]);
        const auto [ptr, ec] = spaced
            ? std::from_chars(count.data() + 1, count.data() + count.size(), announced)
            : std::from_chars_result { count.data(), std::errc::invalid_argument };
        if (ec != std::errc {} || ptr != count.data() + count.size())
            return fail("se esperaba " + std::string(kTaughtMarker)
                + ", un espacio y el número de referencias enseñadas");
        markerLine = number;
        taughtStart_ = start;
        return true;
    }

    bool readTaught(std::string_view line, bool ended)
    {
        TaughtLine reader(line);
        if (!reader.read(ref))
            return fail(reader.fault());
        // A last line without its line end may have lost its end.
        if (!ended)
            return fail("el fichero acaba sin fin de línea (línea cortada)");
        if (++taught > announced) {
            error_ = countError();
            return false;
        }
        return give();
    }

    // A built-in line that is not as the generator writes it: read field by
    // field, or explained.
    bool readCarefully(std::string_view line)
    {
        const std::vector<std::string_view> fields = splitFields(line);
        if (fields.size() != 2 + kVectorSize)
            return fail("se esperaban carácter, origen y " + std::to_string(kVectorSize)
                + " valores, y hay " + std::to_string(fields.size()) + " campos");
        if (!isOneCharacter(fields[0]))
            return fail("la etiqueta no es un único carácter UTF-8");
        ref.label = std::string(fields[0]);
        ref.origin = std::string(fields[1]);
        for (int i = 0; i < kVectorSize; ++i) {
            const std::string_view f = fields[static_cast<std::size_t>(2 + i)];
            int value = -1;
            const auto [ptr, ec] = std::from_chars(f.data(), f.data() + f.size(), value);
            if (ec != std::errc {} || ptr != f.data() + f.size() || value < 0 || value > kMaxValue)
                return fail("el valor " + std::to_string(i + 1) + " (\"" + std::string(f)
                    + "\") no es un entero entre 0 y " + std::to_string(kMaxValue));
            ref.values[static_cast<std::size_t>(i)] = value;
        }
        return give();
    }

    std::string_view name;
    const std::function<void(const Reference&)>& take;
    Reference ref;
    std::string error_;
    std::size_t taken = 0;
    int number = 0;
    bool signed_ = false;
    // In the taught part: the marker's line and the count it gives.
    int markerLine = 0;
    std::size_t announced = 0, taught = 0;
    std::size_t taughtStart_ = std::string_view::npos;
};

// The whole reading of a text held whole; builtInBytes gets the length of
// its built-in part.
std::string readReferences(std::string_view text, std::string_view name,
    const std::function<void(const Reference&)>& take, std::size_t& builtInBytes)
{
    Reader reader(name, take);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const bool ended = end != std::string_view::npos;
        const std::size_t stop = ended ? end : text.size();
        if (!reader.read(text.substr(start, stop - start), ended, start))
            break;
        start = stop + 1;
    }
    builtInBytes = std::min(reader.taughtStart(), text.size());
    return reader.finish();
}

} // namespace

std::string forEachReference(
    std::string_view text, std::string_view name, const std::function<void(const Reference&)>& take)
{
    std::size_t builtInBytes = 0;
    return readReferences(text, name, take, builtInBytes);
}

RefsetResult parseRefset(std::string_view text, std::string_view name)
{
    RefsetResult result;
    // Room for a reference a line, so the set is not copied as it grows.
    std::size_t lines = 0;
    for (std::size_t at = text.find('\n'); at != std::string_view::npos;
         at = text.find('\n', at + 1))
        ++lines;
    result.references.reserve(lines);
    result.error = readReferences(
        text, name, [&](const Reference& ref) { result.references.push_back(ref); },
        result.builtInBytes);
    if (!result.ok())
        result.references.clear();
    return result;
}

std::optional<std::string> readRefsetText(const std::string& path, std::string& error)
{
    // Never blocks: a FIFO or device put in its place is refused.
    FileBytes file = readRegularFile(path, kMaxRefsetBytes);
    if (!file.ok()) {
        error = "No se puede usar la base de referencias " + path + ": "
            + glifora::wording::whyNotRead(file.failure) + ".";
        return std::nullopt;
    }
    return std::move(file.bytes);
}

RefsetResult readRefset(const std::string& path)
{
    RefsetResult result;
    const std::optional<std::string> text = readRefsetText(path, result.error);
    return text ? parseRefset(*text, path) : result;
}

std::string readEachReference(
    const std::string& path, const std::function<void(const Reference&)>& take)
{
    // Read as it comes through a small buffer, a line at a time: the text is
    // never held whole, and a long set costs no fresh memory of its size.
    constexpr std::size_t kPieceBytes = 256 * 1024;
    Reader reader(path, take);
    std::string pending; // the start of a line that the last piece cut
    std::size_t offset = 0; // where the piece starts in the file
    bool stopped = false;
    const glifora::support::ReadFailure failure = glifora::support::readRegularFileInPieces(
        path, kMaxRefsetBytes, kPieceBytes, [&](std::string_view piece) {
            std::size_t start = 0;
            for (std::size_t end; !stopped && (end = piece.find('\n', start)) != piece.npos;
                 start = end + 1) {
                if (pending.empty()) {
                    stopped = !reader.read(piece.substr(start, end - start), true, offset + start);
                } else {
                    pending.append(piece.substr(0, end));
                    stopped = !reader.read(pending, true, offset - (pending.size() - end));
                    pending.clear();
                }
            }
            if (!stopped)
                pending.append(piece.substr(start));
            offset += piece.size();
        });
    if (!failure.ok())
        return "No se puede usar la base de referencias " + path + ": "
            + glifora::wording::whyNotRead(failure) + ".";
    if (!stopped && !pending.empty())
        reader.read(pending, false, offset - pending.size());
    return reader.finish();
}

} // namespace vanto::vecplan

#include "refset.hpp"

#include "ranking.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
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
    if (s.empty())
        return false;
    const auto lead = static_cast<unsigned char>(s[0]);
    std::size_t length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        length = 1;
        cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return false;
    }
    if (s.size() != length)
        return false;
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kSmallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
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
    if (origin.empty() || !isOneCharacter(label))
        return false;
    // As refset_gen writes them: one space before each value, at most four
    // digits, nothing after the last.
    for (int& value : ref.values) {
        if (p == end || *p != ' ')
            return false;
        ++p;
        unsigned digit = p < end ? static_cast<unsigned>(*p - '0') : 10u;
        if (digit > 9)
            return false;
        unsigned v = 0;
        int digits = 0;
        do {
            v = v * 10 + digit;
            ++p;
            ++digits;
            digit = p < end ? static_cast<unsigned>(*p - '0') : 10u;
        } while (digit <= 9 && digits < 4);
        if (digit <= 9 || v > static_cast<unsigned>(kMaxValue))
            return false;
        value = static_cast<int>(v);
    }
    if (p != end)
        return false;
    ref.label = std::string(label);
    ref.origin = std::string(origin);
    return true;
}

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

std::string formatRefsetHeader()
{
    std::string h = refsetSignature() + "\n";
    h += "# Base de referencias de VECPLAN.EXE: caracteres conocidos y su vector de rasgos.\n";
    h += "# La primera línea da la versión del formato y la longitud del vector.\n";
    h += "# Las líneas que empiezan por # son comentarios. Cada una de las demás es una\n";
    h += "# referencia: carácter, origen (fuente/tamaño en píxeles) y los "
        + std::to_string(kVectorSize) + "\n";
    h += "# valores enteros del vector, separados por espacios.\n";
    h += "# Antes de medir se limpia la imagen: se quitan las motas sueltas lejos del carácter\n";
    h += "# y se rellenan los poros de sus trazos. El carácter que queda se redibuja en un\n";
    h += "# cuadrado de " + std::to_string(kNormalSize)
        + " píxeles (el lado mayor lo llena; el menor, "
          "según la raíz de su\n";
    h += "# proporción) y el vector se mide en él, salvo la forma, medida en la caja del\n";
    h += "# carácter, y el marco, que sitúa la caja entre el borde superior y el inferior de\n";
    h += "# la imagen:\n";
    for (const FeatureGroup& g : kGroups) {
        h += "#   valores " + std::to_string(g.offset + 1) + "-"
            + std::to_string(g.offset + g.count) + ": " + std::string(g.name) + " ("
            + std::string(g.meaning) + "); peso " + std::to_string(g.weight) + "\n";
    }
    h += "# Distancia: raíz de la suma de los cuadrados de las diferencias, cada uno por el\n";
    h += "# peso de su grupo; el marco, cuando a uno de los dos vectores le falta, suma\n";
    h += "# " + std::to_string(kUnframedCost)
        + " a esa suma. El carácter reconocido es el de menor distancia media\n";
    h += "# a sus dos referencias más cercanas, las de serie y las enseñadas aparte.\n";
    return h;
}

std::string formatReference(const Reference& reference)
{
    std::string line = reference.label + " " + reference.origin;
    for (const int v : reference.values)
        line += " " + std::to_string(v);
    line += "\n";
    return line;
}

std::string forEachReference(
    std::string_view text, std::string_view name, const std::function<void(const Reference&)>& take)
{
    RefsetResult result; // its error only
    Reference ref;
    std::size_t taken = 0;
    int number = 0;
    bool signed_ = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (!signed_) {
            if (line != refsetSignature()) {
                result.error = lineError(
                    name, number, "se esperaba la cabecera \"" + refsetSignature() + "\"");
                return result.error;
            }
            signed_ = true;
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;

        if (readQuickly(line, ref)) {
            take(ref);
            ++taken;
            continue;
        }
        const std::vector<std::string_view> fields = splitFields(line);
        if (fields.size() != 2 + kVectorSize) {
            result.error = lineError(name, number,
                "se esperaban carácter, origen y " + std::to_string(kVectorSize)
                    + " valores, y hay " + std::to_string(fields.size()) + " campos");
            return result.error;
        }
        if (!isOneCharacter(fields[0])) {
            result.error = lineError(name, number, "la etiqueta no es un único carácter UTF-8");
            return result.error;
        }
        ref.label = std::string(fields[0]);
        ref.origin = std::string(fields[1]);
        for (int i = 0; i < kVectorSize; ++i) {
            const std::string_view f = fields[static_cast<std::size_t>(2 + i)];
            int value = -1;
            const auto [ptr, ec] = std::from_chars(f.data(), f.data() + f.size(), value);
            if (ec != std::errc {} || ptr != f.data() + f.size() || value < 0
                || value > kMaxValue) {
                result.error = lineError(name, number,
                    "el valor " + std::to_string(i + 1) + " (\"" + std::string(f)
                        + "\") no es un entero entre 0 y " + std::to_string(kMaxValue));
                return result.error;
            }
            ref.values[static_cast<std::size_t>(i)] = value;
        }
        take(ref);
        ++taken;
    }
    if (!signed_)
        return "La base de referencias " + std::string(name) + " está vacía.";
    if (taken == 0)
        return "La base de referencias " + std::string(name) + " no contiene ninguna referencia.";
    return {};
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
    result.error = forEachReference(
        text, name, [&](const Reference& ref) { result.references.push_back(ref); });
    if (!result.ok())
        result.references.clear();
    return result;
}

namespace {

// The text of the reference set at path, or nothing with `error` set.
std::optional<std::string> refsetText(const std::string& path, std::string& error)
{
    // Never blocks: a FIFO or device put in its place is refused.
    FileBytes file = readRegularFile(path, kMaxRefsetBytes);
    if (!file.ok()) {
        error = "No se puede usar la base de referencias " + path + ": " + file.error + ".";
        return std::nullopt;
    }
    return std::move(file.bytes);
}

} // namespace

RefsetResult readRefset(const std::string& path)
{
    RefsetResult result;
    const std::optional<std::string> text = refsetText(path, result.error);
    return text ? parseRefset(*text, path) : result;
}

std::string readEachReference(
    const std::string& path, const std::function<void(const Reference&)>& take)
{
    std::string error;
    const std::optional<std::string> text = refsetText(path, error);
    return text ? forEachReference(*text, path, take) : error;
}

} // namespace vanto::vecplan

#include "refset.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

namespace vanto::vecplan {

namespace {

// A larger file is no reference set of ours; refusing it keeps a stray
// file from eating the memory.
constexpr std::uintmax_t kMaxRefsetBytes = 32u * 1024 * 1024;

// No feature value is larger (the largest are parts per thousand); a larger
// one is a damaged file.
constexpr int kMaxValue = 1000;

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
    h += "# cuadrado de " + std::to_string(kNormalSize) + " píxeles (el lado mayor lo llena; el menor, "
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
    h += "# peso de su grupo; el marco cuenta solo si los dos vectores lo tienen. El\n";
    h += "# carácter reconocido es el de menor distancia media a sus dos referencias más\n";
    h += "# cercanas.\n";
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

RefsetResult parseRefset(std::string_view text, std::string_view name)
{
    RefsetResult result;
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
                return result;
            }
            signed_ = true;
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;

        const std::vector<std::string_view> fields = splitFields(line);
        if (fields.size() != 2 + kVectorSize) {
            result.error = lineError(name, number,
                "se esperaban carácter, origen y " + std::to_string(kVectorSize)
                    + " valores, y hay " + std::to_string(fields.size()) + " campos");
            return result;
        }
        if (!isOneCharacter(fields[0])) {
            result.error = lineError(name, number, "la etiqueta no es un único carácter UTF-8");
            return result;
        }
        Reference ref;
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
                return result;
            }
            ref.values[static_cast<std::size_t>(i)] = value;
        }
        result.references.push_back(std::move(ref));
    }
    if (!signed_) {
        result.error = "La base de referencias " + std::string(name) + " está vacía.";
    } else if (result.references.empty()) {
        result.error
            = "La base de referencias " + std::string(name) + " no contiene ninguna referencia.";
    }
    return result;
}

RefsetResult readRefset(const std::string& path)
{
    // Never blocks: a FIFO or device put in its place is refused.
    const FileBytes file = readRegularFile(path, kMaxRefsetBytes);
    if (!file.ok()) {
        RefsetResult result;
        result.error = "No se puede usar la base de referencias " + path + ": " + file.error + ".";
        return result;
    }
    return parseRefset(file.bytes, path);
}

Ranker::Ranker(const std::vector<Reference>& references)
    : references_(references)
{
    values_.reserve(references.size() * kVectorSize);
    std::map<std::string, std::uint32_t> numbers;
    for (const Reference& ref : references) {
        for (const int v : ref.values)
            values_.push_back(static_cast<std::int16_t>(std::clamp(v, 0, kMaxValue)));
        const auto [it, inserted]
            = numbers.try_emplace(ref.label, static_cast<std::uint32_t>(numbers.size()));
        labelOf_.push_back(it->second);
    }
    labelCount_ = numbers.size();
}

namespace {

// The sum of squared differences over one group of values; every value is
// at most kMaxValue, so a group of a few hundred fits an int.
int groupSum(const std::int16_t* a, const std::int16_t* b, int count)
{
    int sum = 0;
    for (int i = 0; i < count; ++i) {
        const int d = a[i] - b[i];
        sum += d * d;
    }
    return sum;
}

} // namespace

std::vector<Candidate> Ranker::rank(const FeatureVector& vector, std::size_t count) const
{
    std::int16_t query[kVectorSize];
    for (int i = 0; i < kVectorSize; ++i)
        query[i] = static_cast<std::int16_t>(std::clamp(vector[static_cast<std::size_t>(i)], 0, kMaxValue));
    const auto frameFlag = static_cast<std::size_t>(kGroups[kFrameGroup].offset);
    const bool framed = vector[frameFlag] == 1;

    // The two closest references of each label, labels in order of first
    // appearance. One close reference of the wrong label (a face that draws
    // it oddly) outvotes the right one less often when the second closest
    // counts too.
    struct Closest {
        long long first = -1; // none yet
        long long second = -1;
        std::size_t reference = 0;
    };
    std::vector<Closest> best(labelCount_);
    std::vector<std::uint32_t> order; // labels by first appearance
    for (std::size_t r = 0; r < references_.size(); ++r) {
        const std::int16_t* ref = values_.data() + r * kVectorSize;
        long long d = 0;
        for (const FeatureGroup& g : kGroups) {
            if (&g == &kGroups[kFrameGroup] && !(framed && ref[frameFlag] == 1))
                continue;
            d += static_cast<long long>(groupSum(query + g.offset, ref + g.offset, g.count))
                * g.weight;
        }
        Closest& c = best[labelOf_[r]];
        if (c.first < 0) {
            order.push_back(labelOf_[r]);
            c = { d, -1, r };
        } else if (d < c.first) {
            c.second = c.first;
            c.first = d;
            c.reference = r;
        } else if (c.second < 0 || d < c.second) {
            c.second = d;
        }
    }
    const auto score = [&](std::uint32_t label) {
        const Closest& c = best[label];
        const double first = std::sqrt(static_cast<double>(c.first));
        const double second = c.second < 0 ? first : std::sqrt(static_cast<double>(c.second));
        return (first + second) / 2;
    };
    std::vector<std::pair<double, std::uint32_t>> scored;
    for (const std::uint32_t label : order)
        scored.push_back({ score(label), label });
    std::stable_sort(scored.begin(), scored.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Candidate> ranked;
    for (std::size_t i = 0; i < scored.size() && i < count; ++i) {
        const Reference& ref = references_[best[scored[i].second].reference];
        ranked.push_back({ ref.label, ref.origin, scored[i].first });
    }
    return ranked;
}

std::vector<Candidate> rankCandidates(
    const FeatureVector& vector, const std::vector<Reference>& references, std::size_t count)
{
    return Ranker(references).rank(vector, count);
}

} // namespace vanto::vecplan

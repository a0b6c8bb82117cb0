#include "evaluation.hpp"

#include <QList>
#include <QString>

#include <charconv>
#include <cstdio>
#include <random>

namespace vanto::refset::evaluation {

namespace {

// White left and right of every evaluation image, enough for the blur and
// for a recogniser that wants some paper around a character.
constexpr int kMarginX = 8;

constexpr Distortion plain(int rotationTenths = 0, int cutLevel = 0)
{
    Distortion d;
    d.rotationTenths = rotationTenths;
    d.cutLevel = cutLevel;
    d.blurPercent = 2;
    d.marginX = kMarginX;
    return d;
}

} // namespace

const std::vector<Condition>& conditions()
{
    static const std::vector<Condition> list = {
        { "limpio", "limpio, en el marco de su línea", Framing::Line, plain() },
        { "giro+3", "girado 3° a la izquierda", Framing::Line, plain(30) },
        { "giro-3", "girado 3° a la derecha", Framing::Line, plain(-30) },
        { "giro+5", "girado 5° a la izquierda", Framing::Line, plain(50) },
        { "giro-5", "girado 5° a la derecha", Framing::Line, plain(-50) },
        { "grueso", "desenfocado (2 % del tamaño) y cortado al 67 % de gris: trazo grueso",
            Framing::Line, plain(0, 170) },
        { "fino", "desenfocado (2 % del tamaño) y cortado al 33 % de gris: trazo fino",
            Framing::Line, plain(0, 85) },
        { "motas", "con un 1-2 % de píxeles invertidos (sal y pimienta)", Framing::Line, plain(),
            10, 20 },
        { "recorte", "limpio, recortado al carácter", Framing::Tight, plain() },
    };
    return list;
}

GlyphResult render(const FontFace& face, int pixelSize, const std::string& character,
    const Condition& condition, std::uint32_t serial)
{
    GlyphResult glyph
        = renderGlyph(face, pixelSize, character, condition.framing, condition.distortion);
    if (glyph.error.empty() && condition.specksTo > 0) {
        // The rate and the specks both come from the image's own seed.
        std::mt19937 random(0x5eed0000u + serial);
        const int span = condition.specksTo - condition.specksFrom + 1;
        const int perMille = condition.specksFrom + static_cast<int>(random() % span);
        addSpecks(glyph.bitmap, perMille, static_cast<std::uint32_t>(random()));
    }
    // A white row above and below every image in its line's frame, after
    // the specks (a crop has its white margin already): some PBM readers
    // (Tesseract's) take a first data byte that reads as a space for part
    // of the header.
    if (glyph.error.empty() && condition.framing == Framing::Line) {
        Bitmap& b = glyph.bitmap;
        const auto w = static_cast<std::size_t>(b.width);
        b.pixels.insert(b.pixels.begin(), w, 0);
        b.pixels.insert(b.pixels.end(), w, 0);
        b.height += 2;
    }
    return glyph;
}

std::vector<Planned> plan(const std::string& only)
{
    const std::string list = "," + only + ",";
    const auto named = [&](std::string_view name) {
        return list.find("," + std::string(name) + ",") != std::string::npos;
    };
    bool anyPart = false, anyCondition = false;
    for (const std::string_view part : { kValidation, kTest })
        anyPart = anyPart || named(part);
    for (const Condition& c : conditions())
        anyCondition = anyCondition || named(c.name);

    std::vector<Planned> planned;
    std::uint32_t serial = 0;
    for (const auto& [faces, part] :
        { std::pair { &validationFaces(), kValidation }, std::pair { &testFaces(), kTest } }) {
        for (const FontFace& face : *faces) {
            for (const int size : kEvaluationSizes) {
                for (const Condition& condition : conditions()) {
                    for (const std::string& character : knownCharacters()) {
                        ++serial;
                        if ((anyPart && !named(part)) || (anyCondition && !named(condition.name)))
                            continue;
                        const QString s = QString::fromStdString(character);
                        char code[16];
                        std::snprintf(
                            code, sizeof code, "U%04X", static_cast<unsigned>(s.toUcs4().front()));
                        Entry e { std::string(part) + "-" + std::string(face.name) + "-"
                                + std::to_string(size) + "-" + std::string(condition.name) + "-"
                                + code + ".pbm",
                            character, std::string(part), std::string(face.name),
                            std::string(face.style), size, std::string(condition.name) };
                        planned.push_back({ std::move(e), &face, &condition, serial });
                    }
                }
            }
        }
    }
    return planned;
}

std::string formatEntry(const Entry& e)
{
    return e.file + " " + e.label + " " + e.part + " " + e.face + " " + e.style + " "
        + std::to_string(e.size) + " " + e.condition + "\n";
}

std::vector<Entry> parseIndex(std::string_view text, std::string& error)
{
    std::vector<Entry> entries;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        while (start <= line.size()) {
            const std::size_t space = line.find(' ', start);
            fields.emplace_back(line.substr(start, space - start));
            if (space == std::string_view::npos)
                break;
            start = space + 1;
        }
        Entry e;
        if (fields.size() == 7) {
            const auto [ptr, ec]
                = std::from_chars(fields[5].data(), fields[5].data() + fields[5].size(), e.size);
            if (ec == std::errc {} && ptr == fields[5].data() + fields[5].size()) {
                e.file = fields[0];
                e.label = fields[1];
                e.part = fields[2];
                e.face = fields[3];
                e.style = fields[4];
                e.condition = fields[6];
                entries.push_back(std::move(e));
                continue;
            }
        }
        error = "línea " + std::to_string(number) + " del índice no válida";
        return {};
    }
    return entries;
}

} // namespace vanto::refset::evaluation

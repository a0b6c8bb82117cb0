// refset_gen <refset.db> [<evaluation folder> [<conditions>]]
//
// Renders the known characters from the reference faces, each in the frame
// of a line of text, and writes the reference set. With a second argument
// also writes the evaluation images there: every known character of the
// validation and test faces (never in the reference set) at every
// evaluation size, as raw PBM files, clean and degraded as a scan degrades
// them (evaluation.hpp), with an index of what each image shows; with a
// third, only the parts and conditions it names (comma-separated, as
// "prueba,limpio,motas"). The output
// depends only on the font files and the code: same fonts, same bytes.
#include "evaluation.hpp"
#include "features.hpp"
#include "glyphs.hpp"
#include "refset.hpp"

#include <QGuiApplication>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

using vanto::refset::FontFace;
using vanto::refset::Framing;

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "refset_gen: no se puede escribir " << path << '\n';
        return false;
    }
    return true;
}

bool writeReferences(const std::string& path)
{
    std::string refset = vanto::vecplan::formatRefsetHeader();
    refset += "# Referencias: los caracteres 0-9, A-Z, a-z, Ñ y ñ a";
    for (const int size : vanto::refset::kReferenceSizes)
        refset += " " + std::to_string(size);
    refset += " píxeles por eme, dibujados sin hinting,\n# cortados al 50 % de gris, en el "
              "marco de una línea de texto (de la altura de\n# la fuente por encima de la línea "
              "base a su profundidad por debajo), de las fuentes:\n";
    for (const FontFace& face : vanto::refset::referenceFaces())
        refset += "#   " + std::string(face.name) + ": " + std::string(face.file) + "\n";
    for (const FontFace& face : vanto::refset::referenceFaces()) {
        for (const int size : vanto::refset::kReferenceSizes) {
            for (const std::string& character : vanto::refset::knownCharacters()) {
                const auto glyph = vanto::refset::renderGlyph(face, size, character, Framing::Line);
                if (!glyph.error.empty()) {
                    std::cerr << "refset_gen: " << glyph.error << '\n';
                    return false;
                }
                const auto features = vanto::vecplan::computeFeatures(glyph.bitmap);
                if (!features) {
                    std::cerr << "refset_gen: " << face.name << " " << size << " " << character
                              << ": el glifo está en blanco\n";
                    return false;
                }
                refset += vanto::vecplan::formatReference({ character,
                    std::string(face.name) + "/" + std::to_string(size) + "px", features->values });
            }
        }
    }
    return writeFile(path, refset);
}

bool writeEvaluation(const std::string& folder, const std::string& only)
{
    namespace ev = vanto::refset::evaluation;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::cerr << "refset_gen: no se puede crear " << folder << ": " << error.message() << '\n';
        return false;
    }
    std::string index(ev::kIndexHeader);
    for (const ev::Planned& p : ev::plan(only)) {
        const auto glyph = ev::render(*p.face, p.entry.size, p.entry.label, *p.condition, p.serial);
        if (!glyph.error.empty()) {
            std::cerr << "refset_gen: " << glyph.error << '\n';
            return false;
        }
        if (!writeFile(folder + "/" + p.entry.file, vanto::formatRawPbm(glyph.bitmap)))
            return false;
        index += ev::formatEntry(p.entry);
    }
    return writeFile(folder + "/" + std::string(ev::kIndexName), index);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::cerr << "Uso: refset_gen <refset.db> [<carpeta de evaluación> [<partes y "
                     "condiciones>]]\n";
        return 2;
    }
    // Only outlines are drawn, into images in memory: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!writeReferences(argv[1]))
        return 1;
    if (argc >= 3 && !writeEvaluation(argv[2], argc == 4 ? argv[3] : ""))
        return 1;
    return 0;
}

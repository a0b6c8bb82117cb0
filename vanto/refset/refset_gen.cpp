// refset_gen <refset.db> [<evalset.db> [<pbm dir>]]
//
// Renders the known characters from the reference faces, each in the frame
// of a line of text, and writes the reference set; with a second argument
// also the evaluation set, from faces of other families, every glyph both
// in its line's frame and cropped close ("linea" and "recorte" at the end of
// its origin, the face's part first: "validacion" or "prueba"); with a
// third also every evaluation glyph as a plain PBM there
// (<face>-<size>-<framing>-<code point>.pbm), to try VECPLAN.EXE on.
// The output depends only on the font files and the code: same fonts, same
// bytes.
#include "features.hpp"
#include "glyphs.hpp"
#include "refset.hpp"

#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <span>

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

std::string codePointName(const std::string& character)
{
    const QString s = QString::fromStdString(character);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U%04X", static_cast<unsigned>(s.toUcs4().front()));
    return buffer;
}

// How one collection of glyphs is drawn and named.
struct Collection {
    std::span<const FontFace> faces;
    std::span<const int> sizes;
    Framing framing;
    std::string prefix; // put before the face in every origin
    std::string suffix; // put after the size in every origin
};

// Every known character of every face at every size, as reference lines.
bool collect(const Collection& c, std::string& text, const std::string& pbmDir)
{
    for (const FontFace& face : c.faces) {
        for (const int size : c.sizes) {
            for (const std::string& character : vanto::refset::knownCharacters()) {
                const vanto::refset::GlyphResult glyph
                    = vanto::refset::renderGlyph(face, size, character, c.framing);
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
                const std::string origin = c.prefix + std::string(face.name) + "/"
                    + std::to_string(size) + "px" + c.suffix;
                text += vanto::vecplan::formatReference({ character, origin, features->values });
                if (!pbmDir.empty()
                    && !writeFile(pbmDir + "/" + std::string(face.name) + "-" + std::to_string(size)
                            + (c.framing == Framing::Line ? "-linea-" : "-recorte-")
                            + codePointName(character) + ".pbm",
                        vanto::formatPlainPbm(glyph.bitmap)))
                    return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::cerr << "Uso: refset_gen <refset.db> [<evalset.db> [<directorio de PBM>]]\n";
        return 2;
    }
    // Only outlines are drawn, into images in memory: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::string refset = vanto::vecplan::formatRefsetHeader();
    refset += "# Referencias: los caracteres 0-9, A-Z, a-z, Ñ y ñ a";
    for (const int size : vanto::refset::kReferenceSizes)
        refset += " " + std::to_string(size);
    refset += " píxeles por eme, dibujados sin hinting,\n# cortados al 50 % de gris, en el "
              "marco de una línea de texto (de la altura de\n# la fuente por encima de la línea "
              "base a su profundidad por debajo), de las fuentes:\n";
    for (const FontFace& face : vanto::refset::referenceFaces())
        refset += "#   " + std::string(face.name) + ": " + std::string(face.file) + "\n";
    if (!collect({ vanto::refset::referenceFaces(), vanto::refset::kReferenceSizes, Framing::Line,
                     "", "" },
            refset, {})
        || !writeFile(argv[1], refset))
        return 1;

    if (argc >= 3) {
        std::string evalset = vanto::vecplan::formatRefsetHeader();
        evalset
            += "# Conjunto de evaluación: fuentes de otras familias, que no están en la base de\n"
               "# referencias. Origen: parte (validacion, para ajustar; prueba, para el informe),\n"
               "# fuente, tamaño y marco (linea: el de una línea de texto; recorte: ajustado\n"
               "# al carácter).\n";
        const std::string pbmDir = argc == 4 ? argv[3] : "";
        for (const auto& [faces, part] :
            { std::pair { &vanto::refset::validationFaces(), "validacion/" },
                std::pair { &vanto::refset::testFaces(), "prueba/" } }) {
            for (const auto& [framing, suffix] : { std::pair { Framing::Line, "/linea" },
                     std::pair { Framing::Tight, "/recorte" } }) {
                if (!collect({ *faces, vanto::refset::kEvaluationSizes, framing, part, suffix },
                        evalset, pbmDir))
                    return 1;
            }
        }
        if (!writeFile(argv[2], evalset))
            return 1;
    }
    return 0;
}

// The C++ half of the evaluation of teaching (teaching_eval.py drives it):
//
// vecplan_teach_eval dibuja <folder> <per character>
//   Draws every known character of the handwriting-style faces, that many
//   times each, every time distorted at random as a hand varies (size,
//   turn, slant, stroke width, cut from its line or close, now and then
//   specks), as raw PBM files in the folder, with an index "<file>
//   <character> <face> <serial>" a line. A drawing that comes out blank
//   (a thin face cut thin) is left out and counted. Same fonts, same files.
//
// vecplan_teach_eval lee <refset.db> <taught list> <read list>
//   Teaches every image of the taught list ("<character> <image.pbm>" a
//   line) as VECPLAN.EXE measures an image, adds them to the reference
//   set, and recognises every image of the read list ("<image.pbm>" a
//   line) with VECPLAN.EXE's library, printing one line per image:
//   "<image> <answer> <doubtful 0|1> <farness>" ("-" for an image that
//   is blank after cleaning).
#include "features.hpp"
#include "glyphs.hpp"
#include "ranking.hpp"
#include "refset.hpp"

#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

namespace {

using vanto::refset::FontFace;

// Three handwriting-style designs from Debian's font packages.
const std::vector<FontFace>& handwritingFaces()
{
    static const std::vector<FontFace> faces = {
        { "/usr/share/fonts/truetype/fifthhorseman/dkg.ttf", "DkgHandwriting" },
        { "/usr/share/fonts/truetype/humor-sans/Humor-Sans.ttf", "HumorSans" },
        { "/usr/share/fonts/truetype/femkeklaver/femkeklaver.ttf", "FemkeKlaver" },
    };
    return faces;
}

int draw(const std::string& folder, int perCharacter)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::cout << "vecplan_teach_eval: no se puede crear " << folder << ": " << error.message()
                  << '\n';
        return 1;
    }
    std::ofstream index(folder + "/indice.txt", std::ios::binary | std::ios::trunc);
    int blank = 0, missing = 0, written = 0;
    unsigned faceNumber = 0;
    for (const FontFace& face : handwritingFaces()) {
        std::mt19937 random(0x4a4d0000u + faceNumber++);
        for (const std::string& character : vanto::refset::knownCharacters()) {
            for (int serial = 0; serial < perCharacter; ++serial) {
                vanto::refset::Distortion d;
                const int size = 20 + static_cast<int>(random() % 45);
                d.rotationTenths = static_cast<int>(random() % 121) - 60;
                d.slantPercent = static_cast<int>(random() % 25) - 12;
                static constexpr int kCuts[] = { 0, 100, 165 };
                d.cutLevel = kCuts[random() % 3];
                d.blurPercent = 2;
                d.marginX = 2 + static_cast<int>(random() % 6);
                const auto framing
                    = random() % 2 ? vanto::refset::Framing::Line : vanto::refset::Framing::Tight;
                const bool specks = random() % 4 == 0;
                const int perMille = 5 + static_cast<int>(random() % 10);
                const auto seed = static_cast<std::uint32_t>(random());
                auto glyph = vanto::refset::renderGlyph(face, size, character, framing, d);
                if (!glyph.error.empty()) {
                    ++missing; // the face has no such character
                    break;
                }
                if (specks)
                    vanto::refset::addSpecks(glyph.bitmap, perMille, seed);
                if (!vanto::vecplan::computeFeatures(glyph.bitmap)) {
                    ++blank;
                    continue;
                }
                const QString s = QString::fromStdString(character);
                char name[64];
                std::snprintf(name, sizeof name, "%s-U%04X-%03d.pbm",
                    std::string(face.name).c_str(), static_cast<unsigned>(s.toUcs4().front()),
                    serial);
                std::ofstream(folder + "/" + name, std::ios::binary)
                    << vanto::formatRawPbm(glyph.bitmap);
                index << name << ' ' << character << ' ' << face.name << ' ' << serial << '\n';
                ++written;
            }
        }
    }
    index.close();
    if (!index) {
        std::cout << "vecplan_teach_eval: no se puede escribir el índice en " << folder << '\n';
        return 1;
    }
    std::cerr << "vecplan_teach_eval: " << written << " imágenes; " << blank
              << " en blanco, omitidas; " << missing << " caracteres que una fuente no tiene\n";
    return 0;
}

// An image measured as VECPLAN.EXE measures it: why it could not be read,
// or its vector (none when it is blank after cleaning).
struct Measured {
    std::string error;
    std::optional<vanto::vecplan::Features> features;
};

Measured measure(const std::string& path)
{
    const vanto::PbmResult image = vanto::readPbm(path);
    if (!image.ok())
        return { image.error, std::nullopt };
    return { std::string(), vanto::vecplan::computeFeatures(image.bitmap) };
}

int read(const std::string& refset, const std::string& taughtList, const std::string& readList)
{
    const auto refs = vanto::vecplan::readRefset(refset);
    if (!refs.ok()) {
        std::cout << refs.error << '\n';
        return 1;
    }
    vanto::vecplan::Ranker ranker(refs.references);
    std::ifstream taught(taughtList);
    for (std::string label, path; taught >> label >> path;) {
        const Measured measured = measure(path);
        if (!measured.error.empty()) {
            std::cout << measured.error << '\n';
            return 1;
        }
        if (!measured.features) {
            std::cout << "vecplan_teach_eval: " << path << " está en blanco\n";
            return 1;
        }
        ranker.add({ label, path, measured.features->values, true });
    }
    std::ifstream toRead(readList);
    for (std::string path; std::getline(toRead, path);) {
        if (path.empty())
            continue;
        const Measured measured = measure(path);
        if (!measured.error.empty()) {
            std::cout << measured.error << '\n';
            return 1;
        }
        if (!measured.features) {
            std::cout << path << " - 0 0\n";
            continue;
        }
        const auto r = ranker.rank(measured.features->values, 1);
        std::printf("%s %s %d %.3f\n", path.c_str(),
            r.candidates.empty() ? "-" : r.candidates.front().label.c_str(), r.doubtful ? 1 : 0,
            r.farness());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "dibuja" && argc == 4) {
        // Only outlines are drawn, into images in memory: no display is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return draw(argv[2], std::stoi(argv[3]));
    }
    if (mode == "lee" && argc == 5)
        return read(argv[2], argv[3], argv[4]);
    std::cerr << "Uso: vecplan_teach_eval dibuja <carpeta> <por carácter>\n"
                 "     vecplan_teach_eval lee <refset.db> <enseñadas> <a leer>\n";
    return 2;
}

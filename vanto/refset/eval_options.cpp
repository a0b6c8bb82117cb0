#include "eval_options.hpp"

#include <ostream>

namespace vanto::refset::evaluation {

std::optional<Options> parseOptions(int argc, const char* const* argv, std::ostream& err)
{
    const bool draw = argc >= 4 && std::string(argv[2]) == "--dibujar";
    if (argc < 3 || (draw && argc < 4)) {
        err << "Uso: vecplan_eval <refset.db> <carpeta de evaluación> [--prueba] "
               "[--tesseract] [--ensena <lista>] [--minimos <fichero>]\n"
               "     vecplan_eval <refset.db> --dibujar <partes y condiciones> [--prueba] "
               "[--ensena <lista>] [--minimos <fichero>]\n";
        return std::nullopt;
    }
    Options options;
    options.refset = argv[1];
    options.draw = draw;
    if (draw)
        options.drawn = argv[3];
    else
        options.folder = argv[2];
    for (int i = draw ? 4 : 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--prueba") {
            options.withTest = true;
        } else if (a == "--tesseract") {
            options.withTesseract = true;
        } else if (a == "--minimos" && i + 1 < argc) {
            options.minimumsFile = argv[++i];
        } else if (a == "--ensena" && i + 1 < argc) {
            options.taughtList = argv[++i];
        } else {
            err << "vecplan_eval: argumento desconocido " << a << '\n';
            return std::nullopt;
        }
    }
    if (options.withTesseract && (draw || !options.withTest)) {
        err << "vecplan_eval: Tesseract solo lee las imágenes de prueba de una carpeta "
               "(--prueba)\n";
        return std::nullopt;
    }
    return options;
}

} // namespace vanto::refset::evaluation

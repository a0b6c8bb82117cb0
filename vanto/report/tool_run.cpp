#include "tool_run.hpp"

#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>

namespace vanto {

namespace {

int fail(const char* toolName, const std::string& message)
{
    std::cout.clear();
    std::cout << toolName << ": error: " << message << '\n' << std::flush;
    std::cerr << toolName << ": error: " << message << '\n';
    return 1;
}

} // namespace

int runImageTool(int argc, char** argv, const char* toolName, ReportWriter writeReport)
{
    if (argc != 2) {
        return fail(toolName,
            std::string("se esperaba un solo argumento, la ruta de la imagen PBM (hay ")
                + std::to_string(argc > 0 ? argc - 1 : 0) + "); uso: " + toolName + " imagen.pbm");
    }
    const PbmResult read = readPbm(argv[1]);
    if (!read.ok())
        return fail(toolName, read.error);

    try {
        writeReport(read.bitmap, std::cout);
    } catch (const std::bad_alloc&) {
        return fail(toolName, "no hay memoria suficiente para analizar la imagen");
    } catch (const std::length_error&) {
        return fail(toolName, "la imagen es demasiado grande para analizarla");
    }
    std::cout.flush();
    if (!std::cout) {
        // Nothing more can be said on standard output; say it where we can.
        std::cerr << toolName << ": error: no se pudo escribir el resultado\n";
        return 1;
    }
    return 0;
}

} // namespace vanto

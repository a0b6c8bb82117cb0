#include "vecplan.hpp"

#include "recognition.hpp"
#include "tool_files.hpp"
#include "wording.hpp"

#include <cstdio>

namespace vanto::vecplan {

namespace {

std::string padLeft(const std::string& s, std::size_t width)
{
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

std::string formatDecimal(double d, int digits = 2)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, d);
    return buffer;
}

// Leaves text in resvec.txt, unless a run that started later has already
// left its own, and says on out what became of it: summary, or the reason
// it could not be written.
bool publish(const std::string& toolDir, std::int64_t startStamp, const std::string& text,
    const std::string& summary, std::ostream& out)
{
    const glifora::support::ReplaceResult result
        = replaceRunResult(toolDir, kResultName, text, startStamp);
    if (!result.ok()) {
        out << summary << describeReplaceFailure(result, toolDir, kResultName) << '\n';
        return false;
    }
    out << summary;
    if (result.declined)
        out << "(" << kResultName
            << " no se sustituye: ya tiene el resultado de una ejecución empezada después)\n";
    return true;
}

// The one-line error, in the form every tool of ours gives it.
int fail(const std::string& toolDir, std::int64_t startStamp, const std::string& message,
    std::ostream& out)
{
    const std::string line = "VECPLAN.EXE: error: " + message + "\n";
    publish(toolDir, startStamp, line, line, out);
    return 1;
}

std::string recognised(const Ranking& ranking)
{
    return ranking.candidates.empty() ? std::string("?") : ranking.candidates.front().label;
}

} // namespace

std::string doubtLine(const Ranking& ranking)
{
    if (!ranking.doubtful)
        return {};
    return "Dudoso: la imagen queda lejos de todas las referencias (a "
        + formatDecimal(ranking.farness(), 1)
        + " veces la distancia habitual entre referencias de un mismo carácter); puede no ser "
          "ningún carácter conocido\n";
}

std::string formatResult(const std::string& imagePath, const Bitmap& image,
    const Features& features, const Ranking& ranking)
{
    const std::vector<Candidate>& candidates = ranking.candidates;
    const BoundingBox& b = features.box;
    std::string t;
    t += "Plantillas del vector\n";
    t += "Imagen: " + imagePath + "\n";
    t += "Carácter reconocido: " + recognised(ranking) + "\n";
    t += doubtLine(ranking);
    t += "Tamaño de la imagen: " + std::to_string(image.width) + " x "
        + std::to_string(image.height) + " píxeles\n";
    t += "Caja del carácter, tras la limpieza: columnas " + std::to_string(b.left) + " a "
        + std::to_string(b.left + b.width - 1) + ", filas " + std::to_string(b.top) + " a "
        + std::to_string(b.top + b.height - 1) + " (" + std::to_string(b.width) + " x "
        + std::to_string(b.height) + " píxeles)\n";
    const Cleaning& c = features.cleaning;
    t += "Limpieza: " + std::to_string(c.specks)
        + (c.specks == 1 ? " mota quitada" : " motas quitadas") + " ("
        + std::to_string(c.speckPixels) + " píxeles negros), " + std::to_string(c.holes)
        + (c.holes == 1 ? " poro rellenado" : " poros rellenados") + " ("
        + std::to_string(c.holePixels) + " píxeles blancos)\n";
    const bool framed = features.values[static_cast<std::size_t>(kGroups[kFrameGroup].offset)] == 1;
    t += framed ? "Marco: la imagen deja blanco de línea encima y debajo del carácter; cuenta su "
                  "altura en la línea\n"
                : "Marco: ninguno (imagen recortada al carácter); decide solo la forma\n";
    t += "\n";
    t += "Vector de rasgos (" + std::to_string(kVectorSize)
        + " valores enteros, medidos en el carácter limpio, redibujado en un cuadrado de "
        + std::to_string(kNormalSize) + " píxeles, salvo la forma y el marco):\n";
    for (const FeatureGroup& g : kGroups) {
        t += std::string(g.name) + ", valores " + std::to_string(g.offset + 1) + "-"
            + std::to_string(g.offset + g.count) + ": " + std::string(g.meaning) + "\n";
        for (int i = 0; i < g.count; ++i) {
            t += padLeft(
                std::to_string(features.values[static_cast<std::size_t>(g.offset + i)]), 4);
            if ((i + 1) % g.columns == 0 || i + 1 == g.count)
                t += "\n";
        }
    }
    t += "\n";
    t += "Candidatos (distancia media a las dos referencias más cercanas de cada carácter, "
         "las de serie y las enseñadas aparte; entre paréntesis, la más cercana):\n";
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& c = candidates[i];
        t += "  " + std::to_string(i + 1) + ". " + c.label + "  "
            + padLeft(formatDecimal(c.distance), 8) + "  (" + c.origin + ")\n";
    }
    if (ranking.usual > 0)
        t += "Distancia habitual entre referencias vecinas de " + candidates.front().label + ": "
            + formatDecimal(ranking.usual) + "; la del candidato es "
            + formatDecimal(ranking.farness(), 1) + " veces esa (dudoso por encima de "
            + formatDecimal(kDoubtFactor, 1) + ")\n";
    t += "\n";
    t += "Carácter reconocido:\n";
    t += recognised(ranking) + "\n";
    return t;
}

int runVecplan(const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out,
    const std::function<void()>& beforePublish)
{
    // Taken first: the order of the runs is the order they were started in.
    const std::int64_t start = runStartStamp();
    const auto failWith = [&](const std::string& message) {
        if (beforePublish)
            beforePublish();
        return fail(toolDir, start, message, out);
    };
    if (args.size() != 1) {
        return failWith("Uso: VECPLAN.EXE <imagen.pbm> (se esperaba un argumento y hay "
            + std::to_string(args.size()) + ").");
    }
    const std::string& imagePath = args.front();
    const PbmResult image = readPbm(imagePath);
    if (!image.ok())
        return failWith(image.error);

    // The very step the viewer's Reconocer takes.
    const Recognition recognition = recognise(image.bitmap, toolDir);
    if (!recognition.ok())
        return failWith(describeRecognitionFault(recognition, imagePath));
    const Features* features = &recognition.measurement.features;
    if (beforePublish)
        beforePublish();
    // The whole result goes to resvec.txt; whoever started the tool by hand
    // sees the answer on one line.
    const bool written
        = publish(toolDir, start,
            formatResult(imagePath, image.bitmap, *features, recognition.ranking),
            "Carácter reconocido: " + recognised(recognition.ranking) + "\n"
                + doubtLine(recognition.ranking),
            out);
    return written ? 0 : 1;
}

} // namespace vanto::vecplan

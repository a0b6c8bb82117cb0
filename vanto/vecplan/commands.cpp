#include "commands.hpp"

#include "teaching.hpp"
#include "vecplan.hpp"
#include "wording.hpp"

#include <set>

namespace vanto::vecplan {

namespace {

constexpr std::string_view kTeach = "--aprende";
constexpr std::string_view kList = "--enseñadas";
constexpr std::string_view kListAscii = "--ensenadas"; // for keyboards without ñ
constexpr std::string_view kForgetImages = "--olvida-imagen";
constexpr std::string_view kForgetLabel = "--olvida";
constexpr std::string_view kForgetAll = "--olvida-todo";
constexpr std::string_view kHelp = "--ayuda";

bool isOption(std::string_view arg)
{
    for (const std::string_view option :
        { kTeach, kList, kListAscii, kForgetImages, kForgetLabel, kForgetAll, kHelp })
        if (arg == option)
            return true;
    return false;
}

// "1 referencia enseñada", "3 referencias enseñadas".
std::string references(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " referencia enseñada" : " referencias enseñadas");
}

std::string character(std::string_view label)
{
    return "«" + escapeText(label) + "»";
}

int usage(std::ostream& out, const std::string& form, const std::string& what)
{
    out << "Uso: VECPLAN.EXE " << form << " (" << what
        << "). VECPLAN.EXE --ayuda da todas las formas.\n";
    return kUsage;
}

// The label given on the command line, or a usage error's status.
bool takeLabel(const std::string& given, std::string& label, std::ostream& out)
{
    const LabelCheck check = checkLabel(given);
    if (!check.ok()) {
        out << describeLabelFault(check, given) << '\n';
        return false;
    }
    label = check.label;
    return true;
}

int storeFailed(const StoreResult& result, const std::string& toolDir, std::ostream& out)
{
    out << describeStoreFailure(result, toolDir) << '\n';
    return kNotAll;
}

int teachCommand(
    const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out)
{
    const std::string form = std::string(kTeach) + " C IMAGEN.pbm [IMAGEN.pbm ...]";
    if (args.size() < 3)
        return usage(
            out, form, args.size() == 1 ? "falta el carácter y la imagen" : "falta la imagen");
    std::string label;
    if (!takeLabel(args[1], label, out))
        return kUsage;

    // Every image is measured first, with the lock free; then the whole
    // lot is added in one change of the file.
    struct Image {
        std::string shown; // the recorded path, as it can be shown
        std::string refusal; // why it is not taught
        std::size_t reference = 0; // its index in `taught`
    };
    std::vector<Image> images;
    std::vector<Reference> taught;
    const std::string when = teachingTime(std::time(nullptr));
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string recorded = recordedImagePath(args[i]);
        Image& image = images.emplace_back();
        image.shown = shownPath(recorded);
        const PbmResult read = readPbm(args[i]);
        if (!read.ok()) {
            image.refusal = "No se puede leer " + read.error + ".";
            continue;
        }
        const Measurement measured = measureImage(read.bitmap);
        if (!measured.ok()) {
            image.refusal = describeMeasureFault(measured, image.shown, Purpose::Teach);
            continue;
        }
        image.reference = taught.size();
        taught.push_back(taughtReference(label, recorded, measured.features, when));
    }

    std::vector<bool> alreadyThere;
    const StoreResult stored
        = taught.empty() ? StoreResult {} : addTaught(toolDir, taught, &alreadyThere);
    std::size_t added = 0, there = 0, refused = 0;
    for (const Image& image : images) {
        if (!image.refusal.empty()) {
            out << image.refusal << '\n';
            ++refused;
        } else if (!stored.ok()) {
            continue;
        } else if (alreadyThere[image.reference]) {
            out << "Ya había una referencia de " << character(label) << " igual, de " << image.shown
                << ": no se añade otra.\n";
            ++there;
        } else {
            out << "Añadida una referencia de " << character(label) << ": " << image.shown << ".\n";
            ++added;
        }
    }
    if (!stored.ok()) {
        out << "No se ha añadido ninguna referencia: ";
        return storeFailed(stored, toolDir, out);
    }
    out << "Enseñado " << character(label) << " con " << images.size()
        << (images.size() == 1 ? " imagen: " : " imágenes: ") << added
        << (added == 1 ? " añadida" : " añadidas");
    if (there > 0)
        out << ", " << there << " ya estaba" << (there == 1 ? "" : "n");
    out << ", " << refused << (refused == 1 ? " rechazada" : " rechazadas") << ".\n";
    return refused == 0 ? kDone : kNotAll;
}

int listCommand(const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out)
{
    if (args.size() != 1)
        return usage(out, std::string(kList), "sin más argumentos");
    const TaughtList taught = listTaught(toolDir);
    const std::string path = toolDir + "/" + std::string(kRefsetName);
    if (!taught.ok()) {
        out << taught.error << '\n';
        return kNotAll;
    }
    if (taught.references.empty()) {
        out << "No hay referencias enseñadas en " << path << ".\n";
        return kDone;
    }
    std::set<std::string> labels;
    for (const Reference& r : taught.references)
        labels.insert(r.label);
    out << references(taught.references.size()) << " en " << path << ", de " << labels.size()
        << (labels.size() == 1 ? " carácter" : " caracteres")
        << " (carácter, cuándo se enseñó, imagen):\n";
    for (const Reference& r : taught.references)
        out << "  " << character(r.label) << "  " << r.taughtAt << "  " << shownPath(r.image)
            << '\n';
    return kDone;
}

int forgetImagesCommand(
    const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out)
{
    if (args.size() < 2)
        return usage(
            out, std::string(kForgetImages) + " IMAGEN.pbm [IMAGEN.pbm ...]", "falta la imagen");
    const std::vector<std::string> images(args.begin() + 1, args.end());
    std::vector<std::size_t> forgotten;
    const StoreResult result = forgetImages(toolDir, images, forgotten);
    if (!result.ok())
        return storeFailed(result, toolDir, out);
    bool all = true;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::string shown = shownPath(recordedImagePath(images[i]));
        if (forgotten[i] == 0) {
            out << "Ninguna referencia enseñada es de la imagen " << shown << ".\n";
            all = false;
        } else {
            out << (forgotten[i] == 1 ? "Olvidada " : "Olvidadas ") << references(forgotten[i])
                << " de la imagen " << shown << ".\n";
        }
    }
    return all ? kDone : kNotAll;
}

int forgetLabelCommand(
    const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out)
{
    if (args.size() != 2)
        return usage(out, std::string(kForgetLabel) + " C",
            args.size() == 1 ? "falta el carácter" : "un solo carácter");
    std::string label;
    if (!takeLabel(args[1], label, out))
        return kUsage;
    const StoreResult result = forgetLabel(toolDir, label);
    if (!result.ok())
        return storeFailed(result, toolDir, out);
    if (result.changed == 0) {
        out << "No hay referencias enseñadas de " << character(label) << ".\n";
        return kNotAll;
    }
    out << (result.changed == 1 ? "Olvidada " : "Olvidadas ") << references(result.changed)
        << " de " << character(label) << ".\n";
    return kDone;
}

int forgetAllCommand(
    const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out)
{
    if (args.size() != 1)
        return usage(out, std::string(kForgetAll), "sin más argumentos");
    const StoreResult result = forgetAll(toolDir);
    if (!result.ok())
        return storeFailed(result, toolDir, out);
    if (result.changed == 0)
        out << "No había referencias enseñadas; las incorporadas siguen como estaban.\n";
    else
        out << "Olvidadas todas las referencias enseñadas (" << result.changed
            << "); las incorporadas siguen como estaban.\n";
    return kDone;
}

} // namespace

std::string helpText()
{
    return "VECPLAN.EXE reconoce el carácter de una imagen PBM con las referencias de\n"
           "refset.db, en su carpeta, y aprende los caracteres que se le enseñen.\n"
           "\n"
           "  VECPLAN.EXE IMAGEN.pbm\n"
           "      Reconoce el carácter de la imagen y deja el resultado en resvec.txt, junto\n"
           "      al programa.\n"
           "  VECPLAN.EXE --aprende C IMAGEN.pbm [IMAGEN.pbm ...]\n"
           "      Enseña que cada imagen es el carácter C: añade a refset.db una referencia\n"
           "      por imagen, medida como al reconocer. Dice en una línea qué pasó con cada\n"
           "      imagen y al final lo resume. No toca resvec.txt.\n"
           "  VECPLAN.EXE --enseñadas        (o --ensenadas)\n"
           "      Lista las referencias enseñadas: carácter, cuándo se enseñó y de qué imagen.\n"
           "  VECPLAN.EXE --olvida-imagen IMAGEN.pbm [IMAGEN.pbm ...]\n"
           "      Olvida las referencias enseñadas con esas imágenes.\n"
           "  VECPLAN.EXE --olvida C\n"
           "      Olvida las referencias enseñadas del carácter C.\n"
           "  VECPLAN.EXE --olvida-todo\n"
           "      Olvida todas las referencias enseñadas; las incorporadas siguen.\n"
           "  VECPLAN.EXE --ayuda\n"
           "      Esta ayuda.\n"
           "\n"
           "C es un solo carácter de cualquier escritura: una letra, una cifra, un signo\n"
           "(no un espacio ni un carácter de control). Una imagen cuyo nombre empieza por --\n"
           "se da con su carpeta: ./--ayuda.\n"
           "Salida de las formas con opción: 0 si se hizo todo, 1 si algo no (una línea dice\n"
           "por qué), 2 si la orden está mal escrita.\n";
}

int runCommand(const std::vector<std::string>& args, const std::string& toolDir, std::ostream& out)
{
    if (args.empty() || !args.front().starts_with("--"))
        return runVecplan(args, toolDir, out);
    const std::string_view option = args.front();
    if (!isOption(option)) {
        // Alone, it may be an image of that name, as it always could.
        if (args.size() == 1)
            return runVecplan(args, toolDir, out);
        out << "Opción desconocida «" << escapeText(option)
            << "». VECPLAN.EXE --ayuda da todas las formas.\n";
        return kUsage;
    }
    if (option == kTeach)
        return teachCommand(args, toolDir, out);
    if (option == kList || option == kListAscii)
        return listCommand(args, toolDir, out);
    if (option == kForgetImages)
        return forgetImagesCommand(args, toolDir, out);
    if (option == kForgetLabel)
        return forgetLabelCommand(args, toolDir, out);
    if (option == kForgetAll)
        return forgetAllCommand(args, toolDir, out);
    if (args.size() != 1)
        return usage(out, std::string(kHelp), "sin más argumentos");
    out << helpText();
    return kDone;
}

} // namespace vanto::vecplan

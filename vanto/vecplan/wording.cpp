#include "wording.hpp"

#include "file_failure.hpp"
#include "system_reason.hpp"
#include "unicode_library.hpp"
#include "vecplan.hpp"

namespace vanto::vecplan {

namespace {

std::string quoted(std::string_view text)
{
    return "«" + escapeText(text) + "»";
}

} // namespace

std::string shownPath(std::string_view path)
{
    return escapeText(path);
}

std::string describeLabelFault(const LabelCheck& check, std::string_view given)
{
    switch (check.fault) {
    case LabelFault::None:
        return {};
    case LabelFault::Empty:
        return "Falta el carácter que se enseña.";
    case LabelFault::NotUtf8:
        return quoted(given) + " no es texto UTF-8: no es un carácter que se pueda enseñar.";
    case LabelFault::Space:
        return "No se puede enseñar un espacio: el carácter ha de verse.";
    case LabelFault::Control:
        return quoted(given) + " es un carácter de control, no un carácter que se vea.";
    case LabelFault::Invisible:
        return quoted(given) + " es un carácter invisible de formato, no un carácter que se vea.";
    case LabelFault::Unassigned:
        return quoted(given) + " no es ningún carácter de Unicode.";
    case LabelFault::LoneMark:
        // On a dotted circle, as the mark is usually shown alone.
        return "«\u25CC" + escapeText(given)
            + "» es una marca que se combina con el carácter anterior: escriba el carácter "
              "entero, con su marca.";
    case LabelFault::Several:
        return quoted(given) + " son " + std::to_string(check.characters)
            + " caracteres; se enseña uno solo.";
    case LabelFault::NoUnicodeLibrary:
        return "No se puede comprobar " + quoted(given) + ": no se puede cargar "
            + std::string(unicodeLibraryName())
            + ", la biblioteca que dice qué es cada carácter Unicode.";
    }
    return {};
}

std::string describeMeasureFault(
    const Measurement& measurement, const std::string& imagePath, Purpose purpose)
{
    const std::string what = purpose == Purpose::Recognise ? "reconocer" : "enseñar";
    const Cleaning& c = measurement.cleaning;
    switch (measurement.fault) {
    case MeasureFault::None:
        return {};
    case MeasureFault::NoBlack:
        return "La imagen " + imagePath + " no tiene ningún píxel negro: no hay carácter que "
            + what + ".";
    case MeasureFault::OnlySpecks:
        return "La imagen " + imagePath + " está en blanco: solo tiene " + std::to_string(c.specks)
            + (c.specks == 1 ? " mota" : " motas") + " (" + std::to_string(c.speckPixels)
            + " píxeles negros), ningún carácter que " + what + ".";
    }
    return {};
}

std::string describeRecognitionFault(const Recognition& recognition, const std::string& imagePath)
{
    if (!recognition.measurement.ok())
        return describeMeasureFault(recognition.measurement, imagePath, Purpose::Recognise);
    return recognition.refsetError;
}

std::string describeStoreFailure(const StoreResult& result, const std::string& toolDir)
{
    const std::string path = toolDir + "/" + std::string(kRefsetName);
    switch (result.failed) {
    case StoreStep::None:
        return {};
    case StoreStep::Lock:
        return "No se puede bloquear la carpeta " + toolDir + ": "
            + glifora::wording::systemReason(result.error) + ".";
    case StoreStep::Read:
    case StoreStep::Damaged:
        return result.message;
    case StoreStep::SetAside:
        return "No se puede apartar la base de referencias " + path
            + ", que no es válida: " + glifora::wording::systemReason(result.error) + ".";
    case StoreStep::Replace:
        return describeReplaceFailure(result.replaced, toolDir, kRefsetName);
    }
    return {};
}

std::string describeReplaceFailure(
    const glifora::support::ReplaceResult& result, const std::string& dir, std::string_view name)
{
    if (result.ok())
        return {};
    return "No se puede guardar " + dir + "/" + std::string(name) + ": "
        + glifora::wording::whyNotWritten(result) + ".";
}

} // namespace vanto::vecplan

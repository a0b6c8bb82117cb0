#include "file_failure.hpp"

#include "system_reason.hpp"

namespace glifora::wording {

using support::ReadStep;
using support::ReplaceStep;

std::string whyNotRead(const support::ReadFailure& failure)
{
    switch (failure.step) {
    case ReadStep::None:
        return {};
    case ReadStep::Open:
        // Opening fails for the everyday reasons (no such file, no
        // permission): the system's words say it best alone.
        return systemReason(failure.error);
    case ReadStep::Inspect:
    case ReadStep::Read:
        return "no se puede leer: " + systemReason(failure.error);
    case ReadStep::Folder:
        return "es una carpeta, no un fichero";
    case ReadStep::NotRegular:
        return "no es un fichero normal (dispositivo, tubería o similar)";
    case ReadStep::TooLarge:
        // A file that grew past the limit while being read has no one size.
        if (failure.size == 0)
            return "es demasiado grande (el máximo es " + std::to_string(failure.maxBytes)
                + " bytes)";
        return "es demasiado grande (" + std::to_string(failure.size) + " bytes; el máximo es "
            + std::to_string(failure.maxBytes) + " bytes)";
    }
    return {};
}

std::string whyNotWritten(const support::ReplaceResult& result)
{
    // The temporary file is not named: the user asked for the file, and
    // no temporary file is left behind.
    const auto because
        = [&](const char* what) { return std::string(what) + ": " + systemReason(result.error); };
    switch (result.failed) {
    case ReplaceStep::None:
        return {};
    case ReplaceStep::Create:
        return because("no se puede crear un fichero en la carpeta");
    case ReplaceStep::Write:
        return because("no se puede escribir");
    case ReplaceStep::Sync:
        return because("no se puede escribir en el disco");
    case ReplaceStep::Stamp:
        return because("no se puede poner la fecha de modificación");
    case ReplaceStep::Close:
        return because("no se puede terminar de escribir");
    case ReplaceStep::Lock:
        return because("no se puede bloquear la carpeta");
    case ReplaceStep::Rename:
        return because("no se puede dar su nombre al fichero escrito");
    }
    return {};
}

} // namespace glifora::wording

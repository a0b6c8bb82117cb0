#include "file_failure.hpp"

#include "system_reason.hpp"

namespace glifora::wording {

using support::ReadStep;

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

} // namespace glifora::wording

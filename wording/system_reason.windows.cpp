#include "system_reason.windows.hpp"

#include <windows.h>

namespace glifora::wording::win32 {

namespace {

// Numbers that the cross-compiler's headers do not name.
constexpr DWORD kVirusInfected = 225; // ERROR_VIRUS_INFECTED
constexpr DWORD kElevationRequired = 740; // ERROR_ELEVATION_REQUIRED

struct Reason {
    DWORD error;
    const char* text;
};

// Worded as the Spanish edition of the system words them. A table of our
// own, because the system's text is in the language of its installation,
// and the program speaks Spanish on every system.
constexpr Reason kReasons[] = {
    { ERROR_FILE_NOT_FOUND, "el sistema no puede encontrar el archivo especificado" },
    { ERROR_PATH_NOT_FOUND, "el sistema no puede encontrar la ruta especificada" },
    { ERROR_TOO_MANY_OPEN_FILES, "el sistema no puede abrir el archivo" },
    { ERROR_ACCESS_DENIED, "acceso denegado" },
    { ERROR_NOT_ENOUGH_MEMORY,
        "no hay suficiente espacio de almacenamiento para procesar este comando" },
    { ERROR_BAD_FORMAT, "se intentó cargar un programa con un formato incorrecto" },
    { ERROR_OUTOFMEMORY,
        "no hay suficiente espacio de almacenamiento para completar esta operación" },
    { ERROR_INVALID_DRIVE, "el sistema no puede encontrar la unidad especificada" },
    { ERROR_NOT_READY, "el dispositivo no está listo" },
    { ERROR_SHARING_VIOLATION,
        "el proceso no tiene acceso al archivo porque está siendo utilizado por otro proceso" },
    { ERROR_BAD_NETPATH, "no se ha encontrado la ruta de acceso de la red" },
    { ERROR_BAD_NET_NAME, "no se encuentra el nombre de red" },
    { ERROR_INVALID_PARAMETER, "el parámetro no es correcto" },
    { ERROR_INVALID_NAME,
        "la sintaxis del nombre de archivo, directorio o etiqueta del volumen no es correcta" },
    { ERROR_CHILD_NOT_COMPLETE, "la aplicación no se puede ejecutar en modo Win32" },
    { ERROR_BAD_PATHNAME, "la ruta de acceso especificada no es válida" },
    { ERROR_INVALID_EXE_SIGNATURE, "no se puede ejecutar el programa en modo Win32" },
    { ERROR_BAD_EXE_FORMAT, "el programa no es una aplicación Win32 válida" },
    { ERROR_FILENAME_EXCED_RANGE, "el nombre del archivo o la extensión es demasiado largo" },
    { ERROR_EXE_MACHINE_TYPE_MISMATCH,
        "esta versión del programa no es compatible con la versión de Windows en uso" },
    { kVirusInfected,
        "la operación no se completó correctamente porque el archivo contiene un virus o "
        "software potencialmente no deseado" },
    { ERROR_DIRECTORY, "el nombre del directorio no es válido" },
    { kElevationRequired, "la operación solicitada requiere elevación" },
    { ERROR_ACCESS_DISABLED_BY_POLICY, "una directiva de grupo ha bloqueado este programa" },
    { ERROR_NO_SYSTEM_RESOURCES,
        "recursos del sistema insuficientes para completar el servicio solicitado" },
    { ERROR_COMMITMENT_LIMIT,
        "el archivo de paginación es demasiado pequeño para completar la operación" },
};

} // namespace

std::string systemMessage(unsigned long error)
{
    for (const Reason& reason : kReasons) {
        if (reason.error == error)
            return reason.text;
    }
    return "error del sistema";
}

} // namespace glifora::wording::win32

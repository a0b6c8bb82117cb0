#include "system_reason.hpp"

#include <cerrno>

namespace glifora::wording {

namespace {

struct Reason {
    int error;
    const char* text;
};

// The errors that opening, reading and writing files and starting programs
// can end in, worded as the C library's own Spanish catalogue words them. A
// table of our own, because the library's translation is used only under a
// Spanish locale, and a machine need not have one generated.
constexpr Reason kReasons[] = {
    {EPERM, "operación no permitida"},
    {ENOENT, "no existe el fichero o el directorio"},
    {ESRCH, "no existe el proceso"},
    {EINTR, "llamada al sistema interrumpida"},
    {EIO, "error de entrada/salida"},
    {ENXIO, "no existe el dispositivo o la dirección"},
    {E2BIG, "la lista de argumentos es demasiado larga"},
    {ENOEXEC, "formato de ejecutable incorrecto"},
    {EBADF, "descriptor de fichero erróneo"},
    {ECHILD, "no hay ningún proceso hijo"},
    {EAGAIN, "recurso no disponible temporalmente"},
    {ENOMEM, "no se pudo asignar memoria"},
    {EACCES, "permiso denegado"},
    {EFAULT, "dirección incorrecta"},
    {EBUSY, "dispositivo o recurso ocupado"},
    {EEXIST, "el fichero ya existe"},
    {EXDEV, "enlace cruzado entre dispositivos no permitido"},
    {ENODEV, "no existe el dispositivo"},
    {ENOTDIR, "no es un directorio"},
    {EISDIR, "es un directorio"},
    {EINVAL, "argumento inválido"},
    {ENFILE, "demasiados ficheros abiertos en el sistema"},
    {EMFILE, "demasiados ficheros abiertos"},
    {ETXTBSY, "el fichero de texto está ocupado"},
    {EFBIG, "fichero demasiado grande"},
    {ENOSPC, "no queda espacio en el dispositivo"},
    {EROFS, "sistema de ficheros de sólo lectura"},
    {EMLINK, "demasiados enlaces"},
    {EPIPE, "tubería rota"},
    {ENAMETOOLONG, "nombre de fichero demasiado largo"},
    {ENOSYS, "función no implementada"},
    {ELOOP, "demasiados niveles de enlaces simbólicos"},
    {EOVERFLOW, "valor demasiado grande para el tipo de datos definido"},
    {EILSEQ, "el carácter multibyte o extendido está incompleto o es inválido"},
#ifdef EDQUOT
    {EDQUOT, "se ha excedido la cuota de disco"},
#endif
#ifdef ESTALE
    {ESTALE, "identificador de fichero en desuso"},
#endif
};

}  // namespace

std::string systemMessage(int error)
{
    for (const Reason& reason : kReasons) {
        if (reason.error == error)
            return reason.text;
    }
    return "error del sistema";
}

std::string systemReason(int error)
{
    return systemMessage(error) + " (error " + std::to_string(error) + ")";
}

}  // namespace glifora::wording

// Writing a file so that nothing partial is ever left: what "Guardar
// imagen…" writes with.
#pragma once

#include <string>
#include <string_view>

namespace vanto {

// Writes bytes to path (a file name in the system's narrow encoding): they
// go to a new temporary file in the same folder, reach the disk, and only
// then take path's name, replacing any file there. Returns an empty string
// on success; otherwise why not, in Spanish with the error number ("no se
// puede crear un fichero en la carpeta: permiso denegado (error 13)"), and
// neither the temporary file nor a partial path is left behind.
std::string writeFileWhole(const std::string& path, std::string_view bytes);

} // namespace vanto

// The Spanish words for a file that could not be read or written, one
// wording for each kind of failure, shared by the windows and the tools:
// support/ says where a read or a replacement failed, and these say it to
// the user.
#pragma once

#include <string>

#include "regular_file.hpp"
#include "replace_file.hpp"

namespace glifora::wording {

// Why a file could not be read, as a phrase that follows the file's name:
// "no existe el fichero o el directorio (error 2)", "es una carpeta, no un
// fichero". Lower case, without a full stop; empty when nothing failed.
std::string whyNotRead(const support::ReadFailure& failure);

// Why a file could not be written (replaced whole), in the same form: "no
// se puede crear un fichero en la carpeta: permiso denegado (error 13)".
// Empty when nothing failed, and when the replacement was only declined.
std::string whyNotWritten(const support::ReplaceResult& result);

} // namespace glifora::wording

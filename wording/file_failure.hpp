// The Spanish words for a file that could not be read, one wording for
// each kind of failure, shared by the windows and the tools: support/ says
// where a read failed, and these say it to the user.
#pragma once

#include <string>

#include "regular_file.hpp"

namespace glifora::wording {

// Why a file could not be read, as a phrase that follows the file's name:
// "no existe el fichero o el directorio (error 2)", "es una carpeta, no un
// fichero". Lower case, without a full stop; empty when nothing failed.
std::string whyNotRead(const support::ReadFailure& failure);

} // namespace glifora::wording

// The system's reason for a failure, as the user reads it: in Spanish
// whatever the locale says, with the error number kept beside it so that
// it can still be looked up.
#pragma once

#include <string>

namespace glifora::wording {

// The Spanish text for a C library error number (errno), starting in lower
// case so that it reads inside a sentence: "no existe el fichero o el
// directorio". A number without a text of its own gives "error del sistema".
std::string systemMessage(int error);

// systemMessage with the number after it: "no existe el fichero o el
// directorio (error 2)".
std::string systemReason(int error);

}  // namespace glifora::wording

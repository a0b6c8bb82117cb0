// Windows only: the system's reason for a failed start, in Spanish whatever
// the language of the system. Internal to wording/.
#pragma once

#include <string>

namespace glifora::wording::win32 {

// The Spanish text for a GetLastError() value that starting a program can
// end in, starting in lower case so that it reads inside a sentence: "el
// sistema no puede encontrar el archivo especificado". Any other number
// gives "error del sistema"; the caller shows the number beside it.
std::string systemMessage(unsigned long error);

} // namespace glifora::wording::win32

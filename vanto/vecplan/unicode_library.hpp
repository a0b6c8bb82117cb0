// ICU, which knows what each Unicode character is: what a taught label may
// be and which characters of a file name would not show. Only characters
// outside ASCII need it, so it is loaded the first time one does. A
// recognition run whose labels and image names are all ASCII, nearly every
// run, never loads it and starts sooner (ICU and the C++ library it brings
// were a tenth of a short run).
#pragma once

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <string_view>

namespace vanto::vecplan {

// The functions of ICU that the label checks use.
struct UnicodeLibrary {
    decltype(&u_charType) charType;
    decltype(&u_strFromUTF8) fromUtf8;
    decltype(&u_strToUTF8) toUtf8;
    decltype(&unorm2_getNFCInstance) composition;
    decltype(&unorm2_normalize) normalize;
    decltype(&ubrk_open) openBreaks;
    decltype(&ubrk_first) firstBreak;
    decltype(&ubrk_next) nextBreak;
    decltype(&ubrk_close) closeBreaks;
};

// ICU's functions, loaded by the first call (safely from several threads);
// nullptr when the library cannot be loaded, on that call and every later
// one.
const UnicodeLibrary* unicodeLibrary();

// The library's file name, for the message that says it cannot be loaded.
std::string_view unicodeLibraryName();

} // namespace vanto::vecplan

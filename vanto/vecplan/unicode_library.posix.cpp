#include "unicode_library.hpp"

#include <dlfcn.h>

#include <optional>

// A name as ICU's headers rename it, in quotes: the library exports each
// function under its name and the major version (u_charType_72), and the
// headers call it so.
#define VANTO_QUOTED(name) #name
#define VANTO_EXPORTED(name) VANTO_QUOTED(name)

namespace vanto::vecplan {

namespace {

constexpr std::string_view kLibrary = "libicuuc.so." VANTO_EXPORTED(U_ICU_VERSION_MAJOR_NUM);

template <typename Function> bool find(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

std::optional<UnicodeLibrary> load()
{
    // Kept loaded for the rest of the process: its functions are used until
    // the end.
    void* library = ::dlopen(kLibrary.data(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return std::nullopt;
    UnicodeLibrary u {};
    const bool found = find(library, VANTO_EXPORTED(u_charType), u.charType)
        && find(library, VANTO_EXPORTED(u_strFromUTF8), u.fromUtf8)
        && find(library, VANTO_EXPORTED(u_strToUTF8), u.toUtf8)
        && find(library, VANTO_EXPORTED(unorm2_getNFCInstance), u.composition)
        && find(library, VANTO_EXPORTED(unorm2_normalize), u.normalize)
        && find(library, VANTO_EXPORTED(ubrk_open), u.openBreaks)
        && find(library, VANTO_EXPORTED(ubrk_first), u.firstBreak)
        && find(library, VANTO_EXPORTED(ubrk_next), u.nextBreak)
        && find(library, VANTO_EXPORTED(ubrk_close), u.closeBreaks);
    if (!found) {
        ::dlclose(library);
        return std::nullopt;
    }
    return u;
}

} // namespace

const UnicodeLibrary* unicodeLibrary()
{
    static const std::optional<UnicodeLibrary> library = load();
    return library ? &*library : nullptr;
}

std::string_view unicodeLibraryName()
{
    return kLibrary;
}

} // namespace vanto::vecplan

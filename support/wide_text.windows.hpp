// Windows only: UTF-16 text as the wide API takes it. Internal to support/.
#pragma once

#include <string>
#include <string_view>

namespace glifora::support::win32 {

// UTF-8 to UTF-16; ill-formed UTF-8 becomes U+FFFD.
std::wstring wideFromUtf8(std::string_view utf8);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8FromWide(std::wstring_view wide);

} // namespace glifora::support::win32

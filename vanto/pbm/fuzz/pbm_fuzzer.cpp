// libFuzzer target for the PBM parser. Besides crashes and sanitizer
// reports it checks that a successful parse is consistent: the right number
// of pixels, each 0 or 1, and the same image again after writing it back in
// both forms.
#include "pbm.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vanto::PbmResult result = vanto::parsePbm(bytes);
    if (!result.ok()) {
        check(result.bitmap.pixels.empty());
        check(result.error.find('\n') == std::string::npos);
        return 0;
    }
    const vanto::Bitmap& b = result.bitmap;
    check(b.width > 0 && b.height > 0);
    check(static_cast<std::uint64_t>(b.width) * static_cast<std::uint64_t>(b.height)
        <= vanto::kMaxPixels);
    check(
        b.pixels.size() == static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height));
    for (std::uint8_t p : b.pixels)
        check(p == 0 || p == 1);

    // Writing back is only cheap enough for small images.
    if (b.pixels.size() <= 4096) {
        check(vanto::parsePbm(vanto::formatPlainPbm(b)).bitmap.pixels == b.pixels);
        check(vanto::parsePbm(vanto::formatRawPbm(b)).bitmap.pixels == b.pixels);
    }
    return 0;
}

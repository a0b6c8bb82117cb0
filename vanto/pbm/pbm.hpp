// Reading portable bitmaps (PBM), plain (P1) and raw (P4), as the netpbm
// format description defines them. Shared by all our substitute tools.
#pragma once

#include "regular_file.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vanto {

// A 1-bit image in memory: one byte a pixel, row by row, 1 = black (the
// character), 0 = white.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool black(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)
                   + static_cast<std::size_t>(x)]
            != 0;
    }
};

// The outcome of a read: the image, or a one-line Spanish message that says
// what is wrong (error is empty exactly when the read worked).
struct PbmResult {
    Bitmap bitmap;
    std::string error;

    bool ok() const { return error.empty(); }
};

// Images whose declared size exceeds this many pixels are refused before
// anything is allocated for them.
inline constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;

// Files longer than this are refused without being read: a plain image of
// kMaxPixels with a separator after every pixel still fits.
inline constexpr std::uint64_t kMaxFileBytes = 256ull * 1024 * 1024;

// Parses the first image of a PBM held in memory. Whatever follows the
// first image (further images, trailing bytes) is ignored.
PbmResult parsePbm(std::string_view bytes);

// Reads and parses the first image of the PBM file at path. Only regular
// files are read (a directory, FIFO or device is refused without blocking);
// every message names the file.
PbmResult readPbm(const std::string& path);

// Whole files are read the one safe way the program has (see
// regular_file.hpp): never blocking, regular files only, bounded.
using glifora::support::FileBytes;
using glifora::support::readRegularFile;

// The image as a PBM file: plain, '0'/'1' characters with one row a line, or
// raw, rows packed eight pixels a byte. The inverse of parsePbm.
std::string formatPlainPbm(const Bitmap& bitmap);
std::string formatRawPbm(const Bitmap& bitmap);

} // namespace vanto

// The feature vector ("vector template") of one character image.
//
// The character is the bounding box of the black pixels. Every feature but
// the last group is measured inside that box, so those values do not depend
// on where the character lies in the image nor on its size. The last group,
// the frame, says where the box lies between the top and the bottom of the
// image: cut from a line of text, an image spans the line's height, and a
// lower-case "c" fills less of it than an upper-case "C". An image cropped
// close to the character has no such frame, and the group says so.
//
// All values are small non-negative integers computed with integer
// arithmetic only, so the same image gives the same vector on every machine
// and the values can be written to text and read back exactly.
#pragma once

#include "pbm.hpp"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::vecplan {

// Zoning: the box is stretched onto kZones x kZones equal zones; each zone
// holds the percentage of its area that is black.
inline constexpr int kZones = 6;
// Crossings: the box is cut into kCrossingBands bands each way; each band
// holds the mean number of black runs met along one line of the band, x10.
inline constexpr int kCrossingBands = 8;
// Outer profiles: for kEdgeBands bands on each side, the mean depth of the
// white margin from that side of the box to the first black pixel, as a
// percentage of the box's size in that direction.
inline constexpr int kEdgeBands = 8;
// The frame counts only when the image leaves white above or below the
// character, at least kMinFrameMargin percent of the image's height and
// kMinFramePixels on the wider side, and the character is no smaller than
// kMinFrameFill percent of that height. In a line of text there is always
// room for the descenders below the baseline or for the ascenders above
// the x-height, 16 % of the line's height or more in every face of the
// reference set; a crop leaves a few pixels; and a small character lost in
// a large image says nothing about its line. A character padded on both
// sides with white of a fifth of its height or more reads as one cut from
// a line, upper-case by its size.
inline constexpr int kMinFramePixels = 4;
inline constexpr int kMinFrameMargin = 15;
inline constexpr int kMinFrameFill = 30;
// One group of consecutive values of the vector.
struct FeatureGroup {
    std::string_view name; // Spanish label, used in the files we write
    std::string_view meaning; // what one value is, in Spanish
    int offset; // index of the group's first value
    int count; // how many values
    int columns; // how many values a row when laid out as a grid
    int weight; // weight of a squared difference in the distance
};

// The zoning already holds the projection profiles (a band's density is the
// mean of its zones), so they are not repeated; crossings, outer margins and
// the stroke measures add what the densities cannot tell apart: how many
// strokes a line meets, which side a shape is open to, and how thick the
// strokes are against the size of the character.
inline constexpr std::array<FeatureGroup, 9> kGroups { {
    { "Zonas 6x6", "porcentaje de negro de cada zona, fila a fila", 0, 36, 6, 1 },
    { "Cruces horizontales",
        "tramos negros por fila en 8 franjas horizontales, media x10, de arriba abajo", 36, 8, 8,
        6 },
    { "Cruces verticales",
        "tramos negros por columna en 8 franjas verticales, media x10, de izquierda a derecha", 44,
        8, 8, 6 },
    { "Margen izquierdo", "blanco desde el borde izquierdo en 8 franjas horizontales, % del ancho",
        52, 8, 8, 1 },
    { "Margen derecho", "blanco desde el borde derecho en 8 franjas horizontales, % del ancho", 60,
        8, 8, 1 },
    { "Margen superior", "blanco desde el borde superior en 8 franjas verticales, % del alto", 68,
        8, 8, 1 },
    { "Margen inferior", "blanco desde el borde inferior en 8 franjas verticales, % del alto", 76,
        8, 8, 1 },
    { "Forma",
        "proporción ancho/(ancho+alto) %, tramo negro horizontal medio % del alto, tramo negro "
        "vertical medio % del alto",
        84, 3, 3, 40 },
    { "Marco",
        "enmarcado (1) o recortado (0); blanco encima, blanco debajo y alto del carácter, % del "
        "alto de la imagen (0 si está recortado)",
        87, 4, 4, 30 },
} };

inline constexpr int kVectorSize = 91;
// The index of the frame group in kGroups: a flag, then three measures.
inline constexpr int kFrameGroup = 8;

static_assert(kGroups.back().offset + kGroups.back().count == kVectorSize);

using FeatureVector = std::array<int, kVectorSize>;

// Where the character lies in the image: the box of its black pixels.
struct BoundingBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Features {
    BoundingBox box;
    FeatureVector values {};
};

// The features of the character in the image, or nothing when the image has
// no black pixel at all.
std::optional<Features> computeFeatures(const Bitmap& image);

// The zones of the vector as a person looks at them: the character's box and
// the grid of zones that the zone features are measured in, in image pixels
// (edges lie between pixels and need not be whole: a box 29 pixels wide
// splits into six zones of 4.83 pixels), with what the vector holds for each
// zone in words. The viewer draws it, so picture and vector always agree.
struct ZoneLayout {
    BoundingBox box;
    int columns = 0;
    int rows = 0;
    std::vector<double> columnEdges; // columns + 1 positions, left to right
    std::vector<double> rowEdges; // rows + 1 positions, top to bottom
    std::vector<std::string> values; // rows x columns, row by row, in Spanish
};

// The zones of the character in the image, or nothing when the image holds
// no character.
std::optional<ZoneLayout> zoneLayout(const Bitmap& image);

// Weighted squared Euclidean distance between two vectors (weights from
// kGroups). The frame group counts only when both vectors have a frame;
// otherwise the character's shape alone decides.
long long squaredDistance(std::span<const int, kVectorSize> a, std::span<const int, kVectorSize> b);

} // namespace vanto::vecplan

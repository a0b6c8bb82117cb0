// The feature vector ("vector template") of one character image.
//
// The image is cleaned first (cleaning.hpp): specks of dirt are removed and
// pin-holes filled, and the character is the box of what is left. Every
// feature but the last group is measured on that character alone, redrawn
// at one size, so those values do not depend on where the character lies in
// the image nor on its size. The last group, the frame, says where the box
// lies between the top and the bottom of the image: cut from a line of
// text, an image spans the line's height, and a lower-case "u" fills less
// of it than an upper-case "U". An image cropped close to the character has
// no such frame, and the group says so.
//
// All values are small non-negative integers computed with integer
// arithmetic only, so the same image gives the same vector on every machine
// and the values can be written to text and read back exactly.
#pragma once

#include "cleaning.hpp"
#include "pbm.hpp"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace vanto::vecplan {

// The character is first redrawn in a square of kNormalSize pixels: its
// longer side fills the square, its shorter side is stretched to the
// square root of its share of the longer one (a bar of an l a third of the
// square wide, an o nearly all of it), centred. Every feature but the shape
// and the frame is measured in that square, whatever the image's size.
inline constexpr int kNormalSize = 64;
// Zoning: the square is cut into kZones x kZones zones; each zone holds the
// share of the character's black pixels that falls into it, in parts per
// thousand. A pixel near a zone's edge counts partly in the zone beside it
// (in proportion to how near it lies to each zone's centre), so a shift of
// a pixel or two (a slight rotation, a thicker stroke) moves a little of it,
// never all of it. Being a share of the black, it does not grow when the
// strokes do.
inline constexpr int kZones = 6;
// Contour directions: the borders of the square's character (traced as
// TRAZOC.EXE traces them) are walked, and at every border pixel the
// direction from kDirectionSpan pixels behind to as many ahead is split
// between the two nearest of four directions (horizontal, rising diagonal,
// vertical, falling diagonal), in the zone of the pixel as above. Each zone
// holds four values, in parts per thousand of the whole contour.
inline constexpr int kDirections = 4;
inline constexpr int kDirectionSpan = 3;
// Crossings: the character's part of the square is cut into kCrossingBands
// bands each way; each band holds the mean number of black runs met along
// one line of the band, x10.
inline constexpr int kCrossingBands = 8;
// Outer profiles: for kEdgeBands bands on each side, the mean depth of the
// white margin from that side of the character to the first black pixel,
// as a percentage of the character's size in that direction.
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

// The zones tell where the black lies, the directions how its outline
// runs there (the part that holds under rotation and stroke width);
// crossings and outer margins add how many strokes a line meets and which
// side a shape is open to; the shape keeps the proportions that the
// square takes away, and the frame the character's place in its line.
inline constexpr std::array<FeatureGroup, 10> kGroups { {
    { "Zonas 6x6", "tanto por mil del negro del carácter en cada zona, fila a fila", 0, 36, 6, 1 },
    { "Direcciones del contorno",
        "por zona, fila a fila, tanto por mil del contorno que corre en horizontal, en "
        "diagonal ascendente, en vertical y en diagonal descendente",
        36, 144, 24, 9 },
    { "Cruces horizontales",
        "tramos negros por fila en 8 franjas horizontales, media x10, de arriba abajo", 180, 8, 8,
        4 },
    { "Cruces verticales",
        "tramos negros por columna en 8 franjas verticales, media x10, de izquierda a derecha", 188,
        8, 8, 4 },
    { "Margen izquierdo", "blanco desde el borde izquierdo en 8 franjas horizontales, % del ancho",
        196, 8, 8, 1 },
    { "Margen derecho", "blanco desde el borde derecho en 8 franjas horizontales, % del ancho", 204,
        8, 8, 1 },
    { "Margen superior", "blanco desde el borde superior en 8 franjas verticales, % del alto", 212,
        8, 8, 1 },
    { "Margen inferior", "blanco desde el borde inferior en 8 franjas verticales, % del alto", 220,
        8, 8, 1 },
    { "Forma", "proporción ancho/(ancho+alto) de la caja del carácter, %", 228, 1, 1, 25 },
    { "Marco",
        "enmarcado (1) o recortado (0); blanco encima, blanco debajo y alto del carácter, % del "
        "alto de la imagen (0 si está recortado)",
        229, 4, 4, 36 },
} };

inline constexpr int kVectorSize = 233;
// The index of the frame group in kGroups: a flag, then three measures.
inline constexpr int kFrameGroup = 9;
inline constexpr int kZoneGroup = 0;
inline constexpr int kDirectionGroup = 1;

static_assert(kGroups.back().offset + kGroups.back().count == kVectorSize);
static_assert(kGroups[kDirectionGroup].count == kZones * kZones * kDirections);

using FeatureVector = std::array<int, kVectorSize>;

// Where the character lies in the image: the box of its black pixels.
struct BoundingBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Features {
    BoundingBox box; // after cleaning
    FeatureVector values {};
    Cleaning cleaning; // what was removed and filled before measuring
};

// The features of the character in the image, or nothing when the image has
// no black pixel or nothing but specks (then `cleaning`, when given, says
// what was there).
std::optional<Features> computeFeatures(const Bitmap& image, Cleaning* cleaning = nullptr);

// The zones of the vector as a person looks at them: the character's box
// after cleaning and the grid of zones that the zone and direction features
// are measured in, in image pixels: the square that the character is
// redrawn in, brought back onto the image, so the grid spans the box's
// longer side and reaches past the shorter one (edges lie between pixels
// and need not be whole), with what the vector holds for each zone. The
// viewer draws it and words the values, so picture and vector always agree.
struct ZoneLayout {
    BoundingBox box;
    int columns = 0;
    int rows = 0;
    std::vector<double> columnEdges; // columns + 1 positions, left to right
    std::vector<double> rowEdges; // rows + 1 positions, top to bottom
    // What the vector holds for each zone, rows x columns, row by row: the
    // share of black and of each outline direction (—, /, |, \), in thousandths.
    struct Measures {
        int black = 0;
        std::array<int, kDirections> directions {};
    };
    std::vector<Measures> measures;
};

// The zones of the character in the image, or nothing when the image holds
// no character.
std::optional<ZoneLayout> zoneLayout(const Bitmap& image);

} // namespace vanto::vecplan

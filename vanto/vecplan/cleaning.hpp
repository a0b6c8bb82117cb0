// Cleaning a character image before it is measured: specks of dirt away
// from the character are removed and pin-holes in its strokes are filled,
// so that the box every feature is measured in is the character's own.
//
// Everything is judged against the size of the character, taken from its
// largest 8-connected part: a speck is a small part, far from the rest;
// the dot of an i or j, the tilde of an ñ and a stroke broken by the scan
// lie close to the character and stay, and a part of a size of its own
// (the two dots of a colon, the rings of a %) stays wherever it lies.
#pragma once

#include "pbm.hpp"

#include <cstdint>
#include <optional>

namespace vanto::vecplan {

// What the cleaning removed and filled.
struct Cleaning {
    int specks = 0; // black parts removed
    std::int64_t speckPixels = 0;
    int holes = 0; // white pin-holes filled
    std::int64_t holePixels = 0;
};

// The character as it is measured: its box in the image and the cleaned
// pixels of that box.
struct CleanCharacter {
    int left = 0; // the box in the image
    int top = 0;
    Bitmap pixels; // the box, 1 = black
    Cleaning cleaning;
};

// A part that reaches less than this many pixels on its longer side is a
// speck, however alone it is: an image of such parts only is blank.
inline constexpr int kMinCharacterSide = 4;

// The cleaned character of the image, or nothing when the image holds no
// black pixel or nothing but specks (then `cleaning`, when given, says
// what was there). Memory: about five bytes a pixel of the image besides
// the image itself, whatever its shape.
std::optional<CleanCharacter> cleanCharacter(const Bitmap& image, Cleaning* cleaning = nullptr);

} // namespace vanto::vecplan

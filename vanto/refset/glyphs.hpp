// Character images rendered from font files, for the reference set and the
// evaluation set of the vector-template recogniser.
#pragma once

#include "pbm.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::refset {

// The characters the recogniser knows: digits, upper-case and lower-case
// letters and the Spanish Ñ and ñ, each one UTF-8 character.
std::vector<std::string> knownCharacters();

// A font face, named by its file so that the same file always gives the
// same glyphs, whatever fonts the system's configuration prefers.
struct FontFace {
    std::string_view file; // absolute path of the font file
    std::string_view name; // short name for the origin field, no spaces
    // The weight and slope, as the evaluation reports them: "normal",
    // "negrita" (bold), "cursiva" (italic or oblique) or "negrita-cursiva".
    std::string_view style = "normal";
};

// The faces whose glyphs make the reference set.
const std::vector<FontFace>& referenceFaces();
inline constexpr int kReferenceSizes[] = { 48 };

// Faces of other families, never in the reference set, for the evaluation,
// in two parts: every choice made while tuning the recogniser looks at the
// validation faces only; the test faces give the figure reported at the
// end. Faces of one design (two clones of one typeface) stay in one part.
const std::vector<FontFace>& validationFaces();
const std::vector<FontFace>& testFaces();
inline constexpr int kEvaluationSizes[] = { 20, 32, 64 };

// One rendered glyph, or a message saying why there is none.
struct GlyphResult {
    Bitmap bitmap;
    std::string error;
};

// How the image is cut around the glyph.
enum class Framing {
    // As the character would be cut from a line of text: from the font's
    // ascent above the baseline to its descent below (further where the
    // glyph goes beyond them), a small margin left and right.
    Line,
    // A small margin on every side of the glyph's outline.
    Tight,
};

// How a glyph is drawn away from its font's own shape, as a scan or a
// synthesised face would show it.
struct Distortion {
    int rotationTenths = 0; // degrees x 10, counter-clockwise, about the glyph's centre
    int slantPercent = 0; // the top leans right by this share of the height
    // 0: cut at half grey. Otherwise the grey image is blurred (a Gaussian
    // of blurPercent % of the size) and cut at this grey level (0-255):
    // above 128 the strokes grow, below they thin.
    int cutLevel = 0;
    int blurPercent = 3;
    int marginX = 2; // white pixels left and right of the glyph
};

// Renders `character` of the face at pixelSize pixels to the em, from the
// font's own outlines without hinting, filled with antialiasing and cut at
// half grey into black and white (or distorted as asked). Needs a
// QGuiApplication.
GlyphResult renderGlyph(const FontFace& face, int pixelSize, const std::string& character,
    Framing framing, const Distortion& distortion = {});

// Salt-and-pepper noise: every pixel flips with a chance of perMille in
// a thousand, drawn from the random sequence of `seed` (the same on every
// machine).
void addSpecks(Bitmap& bitmap, int perMille, std::uint32_t seed);

} // namespace vanto::refset

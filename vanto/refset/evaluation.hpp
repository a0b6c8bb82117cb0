// The evaluation set of the recogniser: every known character of faces
// that are not in the reference set, clean and degraded as a scan degrades
// a character, written as image files with an index, so that VECPLAN.EXE's
// library and any other recogniser read exactly the same images.
#pragma once

#include "glyphs.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace vanto::refset::evaluation {

// The two parts of the held-out faces: every tuning choice looks at the
// validation part only; the test part gives the figures reported.
inline constexpr std::string_view kValidation = "validacion";
inline constexpr std::string_view kTest = "prueba";

// One way of drawing every glyph.
struct Condition {
    std::string_view name; // no spaces; the evaluation's rows
    std::string_view description; // in Spanish, for the report
    Framing framing;
    Distortion distortion;
    int specksFrom = 0; // salt and pepper, from..to per mille (0: none)
    int specksTo = 0;
};

// Clean in the line's frame, rotated +-3 and +-5 degrees, blurred and cut
// thicker and thinner, with 1-2 % salt-and-pepper specks, and clean but
// cropped close. Every image has the same white margin left and right
// and, in its line's frame, one white row above and below, added after
// the specks.
const std::vector<Condition>& conditions();

// Renders one evaluation image; `serial` seeds its specks.
GlyphResult render(const FontFace& face, int pixelSize, const std::string& character,
    const Condition& condition, std::uint32_t serial);

// The index file in the evaluation folder: a header line, then one line
// an image.
inline constexpr std::string_view kIndexName = "indice.txt";
inline constexpr std::string_view kIndexHeader
    = "# fichero carácter parte fuente estilo tamaño condición\n";

struct Entry {
    std::string file; // inside the folder
    std::string label;
    std::string part;
    std::string face;
    std::string style;
    int size = 0;
    std::string condition;
};

std::string formatEntry(const Entry& entry);

// One image of the evaluation, planned: what it shows and how to draw it.
struct Planned {
    Entry entry; // its file name too
    const FontFace* face = nullptr;
    const Condition* condition = nullptr;
    std::uint32_t serial = 0; // seeds its specks: its place among all images
};

// Every evaluation image (validation faces, then test faces; each face at
// every size, in every condition, every known character), or only those
// whose part and condition `only` names (comma-separated parts and
// conditions; a kind not named at all is not filtered). An image's serial
// and so its specks do not depend on the filter.
std::vector<Planned> plan(const std::string& only);

// The entries of an index, or nothing with error set.
std::vector<Entry> parseIndex(std::string_view text, std::string& error);

} // namespace vanto::refset::evaluation

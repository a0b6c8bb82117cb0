// What the viewer's layers show of one image, taken from the libraries that
// the text tools are built from (border following, convexity, the
// recogniser's zones), so that picture and text agree. Each analysis is made
// the first time a layer asks for it and kept for the image's lifetime: a
// paint only reads.
#pragma once

#include "contours.hpp"
#include "convexity.hpp"
#include "features.hpp"
#include "pbm.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vanto {

// One border as the viewer draws it: numbered as TRAZOC.EXE numbers it, its
// walk reduced to the pixels where the walk turns (the pixels in between lie
// on the straight steps between two of them), from its start pixel round.
struct BorderShape {
    std::uint64_t number = 0; // from 1, in order of discovery
    bool hole = false;
    int parent = -1; // index of the outer border around a hole
    Box box;
    std::vector<Point> turns; // turns.front() is the start pixel

    Point start() const { return turns.front(); }
    // Whether the walk passes through pixel p.
    bool passes(Point p) const;
};

// One convexity defect of an outer border, in image pixels.
struct DefectShape {
    std::uint64_t border = 0; // the border's number
    Point start; // the hull edge
    Point end;
    Point farthest;
    double depth = 0;
};

struct BorderAnalysis {
    std::vector<BorderShape> borders;
    std::uint64_t outer = 0; // among the borders kept
    std::uint64_t holes = 0;
    // False when the image has more borders (or turns) than a picture can
    // usefully hold, and only the first ones were kept.
    bool complete = true;
    std::vector<DefectShape> defects; // deepest first
    std::uint64_t defectsBelowOnePixel = 0;
    std::uint64_t tooLongForDefects = 0; // outer borders not searched
};

struct DeficiencyAnalysis {
    // One byte a pixel, row by row, ordered so that the larger wins where a
    // reduced picture shows several pixels as one: 0 white outside the
    // deficiency, kShadeBay, kShadeLake, kShadeBlack.
    std::vector<std::uint8_t> shades;
    std::uint64_t lakes = 0;
    std::uint64_t bays = 0;
    std::uint64_t lakeArea = 0;
    std::uint64_t bayArea = 0;
};
inline constexpr std::uint8_t kShadeBay = 1;
inline constexpr std::uint8_t kShadeLake = 2;
inline constexpr std::uint8_t kShadeBlack = 3;

class ViewerScene {
public:
    // The borders and the turns of their walks that are kept: far more than
    // any character has, and few enough that every paint stays quick.
    static constexpr std::size_t kMaxBorders = 16384;
    static constexpr std::size_t kMaxTurns = std::size_t { 1 } << 22;

    explicit ViewerScene(Bitmap bitmap);

    const Bitmap& bitmap() const { return bitmap_; }

    const BorderAnalysis& borders();
    const std::vector<Point>& hull();
    const DeficiencyAnalysis& deficiency();
    const std::optional<vecplan::ZoneLayout>& zones();

    // The kept borders whose walks pass through pixel p, in order.
    std::vector<const BorderShape*> bordersAt(Point p);

private:
    Bitmap bitmap_;
    std::optional<BorderAnalysis> borders_;
    std::optional<std::vector<Point>> hull_;
    std::optional<DeficiencyAnalysis> deficiency_;
    std::optional<std::optional<vecplan::ZoneLayout>> zones_;
};

// What TRAZOC.EXE calls a border: "Borde 2: hueco del borde 1".
std::string borderName(const BorderShape& border);

} // namespace vanto

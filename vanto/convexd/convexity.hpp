// Convexity of a character: the convex hull of its black pixels, the
// convexity defects of each outer border, and the convex deficiency: the
// white pixels inside the hull, grouped into lakes and bays.
#pragma once

#include "contours.hpp"

#include <cstdint>
#include <functional>
#include <vector>

namespace vanto {

// Indices into points of the convex hull vertices of a border, in the form
// that OpenCV's convexHull(points, hull, clockwise = false, returnPoints =
// false) returns: counter-clockwise with y pointing up (clockwise on the
// screen), each vertex a strict corner, the first vertex the one of lowest
// x (then lowest y, then lowest index), the sequence rotated when that
// makes the indices run monotonically.
std::vector<int> hullIndices(const std::vector<Point>& points);

struct Defect {
    int start = 0; // indices into the border's points
    int end = 0;
    int farthest = 0;
    double depth = 0; // distance of the farthest point from the hull edge start-end
    int depth256 = 0; // the depth in 1/256 pixel, rounded to even as OpenCV does
};

struct Defects {
    std::vector<Defect> defects;
    // A border that passes a pixel twice can give hull indices that do not
    // run one way round the border; they are then taken in ascending order
    // (OpenCV gives up on such a border).
    bool reordered = false;
};

// Borders longer than this are left out of the defect search, which holds
// a whole border: a character's borders run to thousands of points, and
// only a pathological image reaches millions.
inline constexpr std::uint64_t kMaxDefectPoints = 1u << 22;

// The convexity defects of a closed border against its hull (from
// hullIndices): for each hull edge with border points between its ends, the
// point farthest from the edge, if it is off the edge. Ordered as the walk
// meets them, as OpenCV's convexityDefects orders them.
Defects convexityDefects(const std::vector<Point>& points, const std::vector<int>& hull);

// The convex hull of all black pixels (their centres): its strict corners,
// counter-clockwise on the screen (y growing downwards), starting at the
// topmost of the leftmost pixels. One point for a single pixel, two for
// pixels on one line, none for a blank image.
std::vector<Point> pixelHull(const Bitmap& image);

// For each row, the columns inside a convex polygon (edges included);
// first > last for a row the polygon misses.
struct RowSpan {
    int first = 0;
    int last = -1;
};
std::vector<RowSpan> rowSpans(const std::vector<Point>& hull, int height);

struct DeficiencyRegion {
    // A lake is closed in by the character; a bay opens to the white
    // outside the hull (or past the edge of the image).
    bool lake = false;
    std::uint64_t area = 0; // pixels
    Box box;
    double centroidX = 0;
    double centroidY = 0;
};

// The white pixels inside the hull, grouped 4-connected (the white
// counterpart of 8-connected black), handed to visit one at a time in
// raster order of their first pixel, until visit returns false. Iterative,
// with one byte a pixel and a stack no larger than the biggest region.
void forEachDeficiencyRegion(const Bitmap& image, const std::vector<Point>& hull,
    const std::function<bool(const DeficiencyRegion&)>& visit);

// The convex deficiency pixel by pixel, for drawing it: one byte a pixel,
// row by row, kLakePixel or kBayPixel for a white pixel inside the hull as
// forEachDeficiencyRegion classes its region, 0 for every other pixel; and
// how many regions and pixels of each kind there are.
inline constexpr std::uint8_t kBayPixel = 1;
inline constexpr std::uint8_t kLakePixel = 2;
struct DeficiencyMap {
    std::vector<std::uint8_t> pixels; // empty for a blank image
    std::uint64_t lakes = 0;
    std::uint64_t bays = 0;
    std::uint64_t lakeArea = 0;
    std::uint64_t bayArea = 0;
};
DeficiencyMap deficiencyMap(const Bitmap& image, const std::vector<Point>& hull);

// All of them, collected.
std::vector<DeficiencyRegion> deficiencyRegions(
    const Bitmap& image, const std::vector<Point>& hull);

} // namespace vanto

// Border following on the 8-connected black pixels of a bitmap (Suzuki and
// Abe, 1985): every outer border and every hole border, pixel by pixel.
#pragma once

#include "pbm.hpp"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace vanto {

struct Point {
    int x = 0;
    int y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

// One border as the tracing found it. points holds every border pixel in the
// order of the walk (a pixel that the walk passes twice appears twice); the
// walk is closed: the pixel after the last one is the first one again. Outer
// borders run counter-clockwise on the screen (y grows downwards), hole
// borders clockwise.
struct Border {
    bool hole = false;
    // For a hole: the index, in order of discovery, of the outer border of
    // the component that the hole lies in. -1 for an outer border.
    int parent = -1;
    std::vector<Point> points;
};

// Walks the borders of an image one at a time, in the order in which a raster
// scan (row by row from the top, each row from the left) meets their starting
// pixels. Keeps a padded working copy of the image and a label per traced
// pixel; it never holds more than one border, so a caller can stream borders
// of any image through a fixed amount of memory.
class BorderFollower {
public:
    explicit BorderFollower(const Bitmap& image);

    // Traces the next border into border (its previous points are dropped)
    // and returns true; false once every border has been traced.
    bool next(Border& border);

private:
    struct FreeDeleter {
        void operator()(std::int32_t* p) const { std::free(p); }
    };

    void trace(std::size_t start, bool hole, int id, std::vector<Point>& out);
    int parentOfHoleAt(std::size_t pixel) const;

    int width_ = 0; // of the padded image
    int height_ = 0;
    // Working copy with a white frame one pixel wide: 0 white, 1 black not
    // yet on a traced border, 2 on a traced border, 3 on a traced border
    // whose east neighbour is white (the tracer saw that side of it).
    std::vector<std::uint8_t> work_;
    // The 1-based index of the border that last labelled each pixel, 0 for
    // none. Allocated zeroed and only touched along borders, so the pages of
    // large white or black areas are never materialised.
    std::unique_ptr<std::int32_t[], FreeDeleter> labels_;
    // For every border traced so far: itself if it is an outer border, its
    // parent if it is a hole.
    std::vector<int> outerOf_;
    int x_ = 1; // scan position in the padded image
    int y_ = 1;
};

// Every border of the image, in order of discovery.
std::vector<Border> findBorders(const Bitmap& image);

// The Freeman chain code of a closed border: code i is the step from point i
// to point i + 1, the last one back to the first point. 0 is east, the codes
// count counter-clockwise on the screen (1 north-east, 2 north, ..., 7
// south-east) with y growing downwards. A single pixel has no steps.
std::vector<std::uint8_t> chainCode(const std::vector<Point>& points);

// The length of a closed border: 1 for each straight step, sqrt(2) for each
// diagonal one.
double perimeter(const std::vector<std::uint8_t>& code);

struct Box {
    int left = 0;
    int top = 0;
    int right = 0; // inclusive
    int bottom = 0;

    friend bool operator==(const Box&, const Box&) = default;
};

// The smallest box around the points (which must not be empty).
Box boundingBox(const std::vector<Point>& points);

// The offset of one step of each chain code.
inline constexpr Point kChainStep[8]
    = { { 1, 0 }, { 1, -1 }, { 0, -1 }, { -1, -1 }, { -1, 0 }, { -1, 1 }, { 0, 1 }, { 1, 1 } };

} // namespace vanto

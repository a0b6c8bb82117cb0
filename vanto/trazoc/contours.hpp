// Border following on the 8-connected black pixels of a bitmap (Suzuki and
// Abe, 1985): every outer border and every hole border, pixel by pixel.
#pragma once

#include "pbm.hpp"

#include <cstdint>
#include <cstdlib>
#include <functional>
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

// The pixels that traced borders have passed, each with whether a walk has
// looked at its east side and the outer border of the component that the
// marking border belongs to (the border itself, or the outer border around
// a hole). Borders are thin, so the marks start in a hash table keyed by
// pixel index, where the work stays proportional to the borders' length;
// once they cover a sixteenth of the image they move to a plain array, which
// bounds the memory at four bytes a pixel whatever the image.
class BorderMarks {
public:
    static constexpr std::uint32_t kNone = 0;
    static constexpr std::uint32_t kPassed = 2;
    static constexpr std::uint32_t kEastSeen = 3;

    explicit BorderMarks(std::size_t pixelCount = 0);

    // kNone, kPassed or kEastSeen for a pixel.
    std::uint32_t state(std::uint32_t pixel) const;
    // The outer border recorded with a marked pixel.
    int outer(std::uint32_t pixel) const;
    // Marks a pixel as a walk leaves it: a pixel whose east side was seen
    // takes this walk's outer border even when an earlier walk marked it;
    // otherwise only an unmarked pixel takes it.
    void mark(std::uint32_t pixel, int outer, bool eastSeen);

private:
    static constexpr std::uint32_t kEmpty = 0xffffffffu;
    struct Slot {
        std::uint32_t pixel = kEmpty;
        std::uint32_t value = 0; // outer border << 2 | state
    };
    struct FreeDeleter {
        void operator()(std::uint32_t* p) const { std::free(p); }
    };
    std::uint32_t value(std::uint32_t pixel) const;
    std::size_t slotOf(std::uint32_t pixel) const;
    void rehash(std::size_t size);
    void goDense();

    std::size_t pixelCount_ = 0;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    int shift_ = 32;
    // Allocated zeroed by the system, so untouched parts cost nothing.
    std::unique_ptr<std::uint32_t[], FreeDeleter> dense_;
};

// Walks the borders of an image one at a time, in the order in which a raster
// scan (row by row from the top, each row from the left) meets their starting
// pixels. The image is only read (it must outlive the follower) and taken as
// framed by white; the follower holds the marks of the borders traced so far
// and never more than one border, so a caller can stream the borders of any
// image through memory proportional to their total length.
class BorderFollower {
public:
    explicit BorderFollower(const Bitmap& image);

    // Traces the next border into border (its previous points are dropped)
    // and returns true; false once every border has been traced.
    bool next(Border& border);

    // As above, but hands the points to visit one at a time and leaves
    // border.points empty, so that even a border of millions of points
    // takes no memory.
    bool next(Border& border, const std::function<void(const Point&)>& visit);

private:
    bool black(int x, int y) const
    {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_)
            && static_cast<unsigned>(y) < static_cast<unsigned>(height_)
            && pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_)
                   + static_cast<std::size_t>(x)]
            != 0;
    }
    std::uint32_t index(int x, int y) const
    {
        return static_cast<std::uint32_t>(y) * static_cast<std::uint32_t>(width_)
            + static_cast<std::uint32_t>(x);
    }
    bool findStart(Border& border, Point& start, int& outer);
    template <typename Sink> void trace(Point start, bool hole, int outer, const Sink& sink);
    int parentOfHoleAt(Point start) const;

    const std::uint8_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    BorderMarks marks_;
    int traced_ = 0; // borders so far
    int x_ = 0; // where the scan goes on
    int y_ = 0;
};

// Every border of the image, in order of discovery.
std::vector<Border> findBorders(const Bitmap& image);

// The Freeman chain code of a closed border: code i is the step from point i
// to point i + 1, the last one back to the first point. 0 is east, the codes
// count counter-clockwise on the screen (1 north-east, 2 north, ..., 7
// south-east) with y growing downwards. A single pixel has no steps.
std::vector<std::uint8_t> chainCode(const std::vector<Point>& points);

// The chain code of one step between neighbouring pixels.
std::uint8_t stepCode(const Point& from, const Point& to);

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

#include "contours.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace vanto {

namespace {

// The value of a byte repeated in all eight bytes of a word.
constexpr std::uint64_t broadcast(std::uint8_t value)
{
    return value * 0x0101010101010101ull;
}

std::uint64_t load8(const std::uint8_t* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

} // namespace

BorderMarks::BorderMarks(std::size_t pixelCount)
    : pixelCount_(pixelCount)
{
    // Small images go straight to the array; large ones start with room
    // for borders a few times the image's sides.
    if (pixelCount <= (1u << 16)) {
        if (pixelCount > 0)
            goDense();
    } else {
        rehash(std::bit_ceil(std::max<std::size_t>(
            1024, 16 * static_cast<std::size_t>(std::sqrt(static_cast<double>(pixelCount))))));
    }
}

std::size_t BorderMarks::slotOf(std::uint32_t pixel) const
{
    // Fibonacci hashing spreads the neighbouring pixels of a border.
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = static_cast<std::uint32_t>(pixel * 2654435769u) >> shift_;
    while (slots_[slot].pixel != pixel && slots_[slot].pixel != kEmpty)
        slot = (slot + 1) & mask;
    return slot;
}

std::uint32_t BorderMarks::value(std::uint32_t pixel) const
{
    if (dense_)
        return dense_[pixel];
    if (slots_.empty())
        return 0;
    const Slot& slot = slots_[slotOf(pixel)];
    return slot.pixel == kEmpty ? 0 : slot.value;
}

std::uint32_t BorderMarks::state(std::uint32_t pixel) const
{
    return value(pixel) & 3u;
}

int BorderMarks::outer(std::uint32_t pixel) const
{
    return static_cast<int>(value(pixel) >> 2);
}

inline void BorderMarks::mark(std::uint32_t pixel, int outer, bool eastSeen)
{
    const std::uint32_t value
        = static_cast<std::uint32_t>(outer) << 2 | (eastSeen ? kEastSeen : kPassed);
    if (dense_) {
        std::uint32_t& cell = dense_[pixel];
        if (eastSeen || cell == 0)
            cell = value;
        return;
    }
    if ((used_ + 1) * 2 > slots_.size()) {
        if ((used_ + 1) * 16 > pixelCount_) {
            goDense();
            mark(pixel, outer, eastSeen);
            return;
        }
        rehash(slots_.size() * 2);
    }
    Slot& slot = slots_[slotOf(pixel)];
    if (slot.pixel == kEmpty) {
        slot = { pixel, value };
        ++used_;
    } else if (eastSeen) {
        slot.value = value;
    }
}

void BorderMarks::rehash(std::size_t size)
{
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(size));
    shift_ = 32 - std::countr_zero(size);
    for (const Slot& s : old) {
        if (s.pixel != kEmpty)
            slots_[slotOf(s.pixel)] = s;
    }
}

void BorderMarks::goDense()
{
    dense_.reset(static_cast<std::uint32_t*>(std::calloc(pixelCount_, sizeof(std::uint32_t))));
    if (!dense_)
        throw std::bad_alloc();
    for (const Slot& s : slots_) {
        if (s.pixel != kEmpty)
            dense_[s.pixel] = s.value;
    }
    std::vector<Slot>().swap(slots_);
}

BorderFollower::BorderFollower(const Bitmap& image)
{
    if (image.width <= 0 || image.height <= 0)
        return;
    // Pixel indices and border labels are kept in 32 bits.
    if (static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height)
        >= (1ull << 30))
        throw std::length_error("image too large to follow its borders");
    pixels_ = image.pixels.data();
    width_ = image.width;
    height_ = image.height;
    marks_ = BorderMarks(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
}

bool BorderFollower::findStart(Border& border, Point& startOut, int& outerOut)
{
    for (; y_ < height_; ++y_, x_ = 0) {
        const std::uint8_t* row = pixels_ + static_cast<std::size_t>(y_) * width_;
        int x = x_;
        while (x < width_) {
            // Skip the run of pixels of the colour of the one before x, a
            // word at a time through the long white and black stretches.
            const bool before = x > 0 && row[x - 1] != 0;
            if (!before || row[x - 1] == 1) {
                const std::uint64_t run = broadcast(before ? 1 : 0);
                while (x + 32 <= width_ && load8(row + x) == run && load8(row + x + 8) == run
                    && load8(row + x + 16) == run && load8(row + x + 24) == run)
                    x += 32;
                while (x + 8 <= width_ && load8(row + x) == run)
                    x += 8;
            }
            while (x < width_ && (row[x] != 0) == before)
                ++x;

            // A new outer border starts at a black pixel that no border has
            // passed yet and that follows a white one; a new hole border at a
            // black pixel followed by a white one, unless a walk has already
            // looked at that east side. The column past the image is white
            // but never scanned: the outer border always sees that side.
            if (x >= width_)
                break;
            const Point start { before ? x - 1 : x, y_ };
            const std::uint32_t state = marks_.state(index(start.x, start.y));
            const bool hole = before;
            if (hole ? state == BorderMarks::kEastSeen : state != BorderMarks::kNone) {
                ++x;
                continue;
            }
            const int id = traced_++;
            border.hole = hole;
            border.parent = hole ? parentOfHoleAt(start) : -1;
            border.points.clear();
            x_ = x + 1;
            startOut = start;
            outerOut = hole ? border.parent : id;
            return true;
        }
    }
    return false;
}

bool BorderFollower::next(Border& border)
{
    Point start;
    int outer = 0;
    if (!findStart(border, start, outer))
        return false;
    trace(start, border.hole, outer, [&](const Point& p) { border.points.push_back(p); });
    return true;
}

bool BorderFollower::next(Border& border, const std::function<void(const Point&)>& visit)
{
    Point start;
    int outer = 0;
    if (!findStart(border, start, outer))
        return false;
    trace(start, border.hole, outer, visit);
    return true;
}

int BorderFollower::parentOfHoleAt(Point start) const
{
    // The last marked pixel of this row up to the hole's first pixel belongs
    // to a border of the same component, its outer border or one of its
    // holes. The black run that ends at the hole's first pixel began with a
    // marked pixel, so the search stays within that run.
    for (int x = start.x; x >= 0 && black(x, start.y); --x) {
        const std::uint32_t pixel = index(x, start.y);
        if (marks_.state(pixel) != BorderMarks::kNone)
            return marks_.outer(pixel);
    }
    return -1;
}

template <typename Sink>
void BorderFollower::trace(Point start, bool hole, int outer, const Sink& sink)
{
    // Neighbours by chain code; the search runs up to direction 15 and is
    // taken modulo 8.
    auto neighbour = [](Point p, int code) {
        return Point { p.x + kChainStep[code & 7].x, p.y + kChainStep[code & 7].y };
    };

    // The first neighbour, searched clockwise from the white pixel that the
    // scan came from (west of an outer border, east of a hole border).
    const int firstEnd = hole ? 0 : 4;
    int s = firstEnd;
    Point first;
    do {
        s = (s - 1) & 7;
        first = neighbour(start, s);
    } while (!black(first.x, first.y) && s != firstEnd);

    if (s == firstEnd) { // an isolated pixel
        marks_.mark(index(start.x, start.y), outer, true);
        sink(start);
        return;
    }

    // Away from the image's edge the neighbours are read straight from
    // the pixels by offset; on the edge through black(), which treats the
    // outside as white.
    const std::ptrdiff_t w = width_;
    const std::ptrdiff_t delta[16]
        = { 1, 1 - w, -w, -1 - w, -1, w - 1, w, w + 1, 1, 1 - w, -w, -1 - w, -1, w - 1, w, w + 1 };
    Point current = start;
    for (;;) {
        // Search counter-clockwise from the pixel we came from for the next
        // black neighbour; passing direction 8 means the east side is white.
        const int searchEnd = s;
        const std::uint32_t here = index(current.x, current.y);
        if (current.x > 0 && current.y > 0 && current.x < width_ - 1 && current.y < height_ - 1) {
            const std::uint8_t* p = pixels_ + here;
            while (s < 15 && p[delta[++s]] == 0) { }
        } else {
            while (s < 15) {
                const Point candidate = neighbour(current, ++s);
                if (black(candidate.x, candidate.y))
                    break;
            }
        }
        s &= 7;
        const Point following = neighbour(current, s);
        marks_.mark(here, outer, static_cast<unsigned>(s - 1) < static_cast<unsigned>(searchEnd));
        sink(current);

        if (following == start && current == first)
            break;
        current = following;
        s = (s + 4) & 7;
    }
}

std::vector<Border> findBorders(const Bitmap& image)
{
    std::vector<Border> borders;
    BorderFollower follower(image);
    Border border;
    while (follower.next(border))
        borders.push_back(std::move(border));
    return borders;
}

std::uint8_t stepCode(const Point& from, const Point& to)
{
    // Chain code by (dy + 1) * 3 + (dx + 1); a repeated point counts as east.
    static constexpr std::uint8_t kCodeOf[9] = { 3, 2, 1, 4, 0, 0, 5, 6, 7 };
    const int dx = std::clamp(to.x - from.x, -1, 1);
    const int dy = std::clamp(to.y - from.y, -1, 1);
    return kCodeOf[(dy + 1) * 3 + (dx + 1)];
}

std::vector<std::uint8_t> chainCode(const std::vector<Point>& points)
{
    std::vector<std::uint8_t> code;
    if (points.size() < 2)
        return code;
    code.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        code.push_back(stepCode(points[i], points[i + 1 < points.size() ? i + 1 : 0]));
    return code;
}

double perimeter(const std::vector<std::uint8_t>& code)
{
    std::size_t diagonal = 0;
    for (std::uint8_t c : code)
        diagonal += c & 1u;
    return static_cast<double>(code.size() - diagonal)
        + static_cast<double>(diagonal) * std::sqrt(2.0);
}

Box boundingBox(const std::vector<Point>& points)
{
    Box box { points.front().x, points.front().y, points.front().x, points.front().y };
    for (const Point& p : points) {
        box.left = std::min(box.left, p.x);
        box.right = std::max(box.right, p.x);
        box.top = std::min(box.top, p.y);
        box.bottom = std::max(box.bottom, p.y);
    }
    return box;
}

} // namespace vanto

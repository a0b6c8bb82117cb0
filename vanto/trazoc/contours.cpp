#include "contours.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

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

BorderFollower::BorderFollower(const Bitmap& image)
{
    if (image.width <= 0 || image.height <= 0)
        return;
    width_ = image.width + 2;
    height_ = image.height + 2;
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t count = w * static_cast<std::size_t>(height_);

    work_.assign(count, 0);
    const std::uint8_t* src = image.pixels.data();
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* dst = work_.data() + (static_cast<std::size_t>(y) + 1) * w + 1;
        for (int x = 0; x < image.width; ++x)
            dst[x] = src[x] != 0;
        src += image.width;
    }

    labels_.reset(static_cast<std::int32_t*>(std::calloc(count, sizeof(std::int32_t))));
    if (!labels_)
        throw std::bad_alloc();
}

bool BorderFollower::next(Border& border)
{
    const int last = width_ - 2; // the last column of the image proper
    for (; y_ <= height_ - 2; ++y_, x_ = 1) {
        const std::uint8_t* row = work_.data() + static_cast<std::size_t>(y_) * width_;
        int x = x_;
        while (x <= last) {
            // Skip the run of pixels equal to the one before x, a word at a
            // time through the long white and black stretches.
            const std::uint8_t before = row[x - 1];
            const std::uint64_t run = broadcast(before);
            while (x + 8 <= last + 1 && load8(row + x) == run)
                x += 8;
            while (x <= last && row[x] == before)
                ++x;
            if (x > last)
                break;

            // A new outer border starts at a black pixel not yet traced that
            // follows a white one; a new hole border at a black pixel whose
            // east neighbour is white, unless a tracer has already passed
            // along that side of it.
            const std::uint8_t here = row[x];
            const bool outer = before == 0 && here == 1;
            const bool hole = here == 0 && (before == 1 || before == 2);
            if (!outer && !hole) {
                ++x;
                continue;
            }
            const std::size_t start
                = static_cast<std::size_t>(y_) * width_ + static_cast<std::size_t>(x - hole);
            const int id = static_cast<int>(outerOf_.size());
            border.hole = hole;
            border.parent = hole ? parentOfHoleAt(start) : -1;
            outerOf_.push_back(hole ? border.parent : id);
            border.points.clear();
            trace(start, hole, id, border.points);
            x_ = x + 1;
            return true;
        }
    }
    return false;
}

int BorderFollower::parentOfHoleAt(std::size_t pixel) const
{
    // The last traced pixel met in this row up to the hole's first pixel
    // belongs to a border of the same component: its outer border or one of
    // its holes.
    const std::size_t rowStart = pixel - pixel % static_cast<std::size_t>(width_);
    for (std::size_t i = pixel; i > rowStart; --i) {
        if (work_[i] >= 2)
            return outerOf_[static_cast<std::size_t>(labels_[i] - 1)];
    }
    return -1;
}

void BorderFollower::trace(std::size_t start, bool hole, int id, std::vector<Point>& out)
{
    const std::ptrdiff_t w = width_;
    // Neighbour offsets by chain code, twice over so that a search may run
    // past direction 7 without wrapping.
    const std::ptrdiff_t delta[16]
        = { 1, 1 - w, -w, -1 - w, -1, w - 1, w, w + 1, 1, 1 - w, -w, -1 - w, -1, w - 1, w, w + 1 };
    std::uint8_t* img = work_.data();
    std::int32_t* labels = labels_.get();
    const std::int32_t label = id + 1;

    // A pixel whose east side the walk has looked at is marked 3 even when
    // an earlier border labelled it; otherwise only an untouched pixel takes
    // this border's label.
    auto mark = [&](std::size_t i, bool eastSeen) {
        if (eastSeen) {
            img[i] = 3;
            labels[i] = label;
        } else if (img[i] == 1) {
            img[i] = 2;
            labels[i] = label;
        }
    };

    Point pt { static_cast<int>(start % w) - 1, static_cast<int>(start / w) - 1 };

    // The first neighbour, searched clockwise from the white pixel that the
    // scan came from (west of an outer border, east of a hole border).
    const int firstEnd = hole ? 0 : 4;
    int s = firstEnd;
    std::size_t first;
    do {
        s = (s - 1) & 7;
        first = start + delta[s];
    } while (img[first] == 0 && s != firstEnd);

    if (s == firstEnd) { // an isolated pixel
        mark(start, true);
        out.push_back(pt);
        return;
    }

    std::size_t current = start;
    for (;;) {
        // Search counter-clockwise from the pixel we came from for the next
        // black neighbour; passing direction 8 means the east side is white.
        const int searchEnd = s;
        std::size_t following = current;
        while (s < 15) {
            following = current + delta[++s];
            if (img[following] != 0)
                break;
        }
        s &= 7;
        mark(current, static_cast<unsigned>(s - 1) < static_cast<unsigned>(searchEnd));
        out.push_back(pt);
        pt.x += kChainStep[s].x;
        pt.y += kChainStep[s].y;

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

std::vector<std::uint8_t> chainCode(const std::vector<Point>& points)
{
    // Chain code by (dy + 1) * 3 + (dx + 1).
    static constexpr std::uint8_t kCodeOf[9] = { 3, 2, 1, 4, 255, 0, 5, 6, 7 };
    std::vector<std::uint8_t> code;
    if (points.size() < 2)
        return code;
    code.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[i + 1 < points.size() ? i + 1 : 0];
        const int dx = std::clamp(b.x - a.x, -1, 1);
        const int dy = std::clamp(b.y - a.y, -1, 1);
        code.push_back(kCodeOf[(dy + 1) * 3 + (dx + 1)]);
    }
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

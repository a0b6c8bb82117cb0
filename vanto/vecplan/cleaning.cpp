#include "cleaning.hpp"

#include <algorithm>
#include <limits>
#include <vector>

namespace vanto::vecplan {

namespace {

// One connected part of the image: its box (inclusive) and its pixels.
struct Part {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    std::int64_t area = 0;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

// The connected parts of the pixels of one value (1: black parts, 8-connected;
// 0: white parts, 4-connected, as the holes of 8-connected black parts are).
// label holds for every pixel its part's index plus one, 0 for the other
// value. One pass with union-find over provisional labels: every label
// points to a smaller one or to itself, so one more pass in increasing
// order turns them into part indices.
struct Parts {
    std::vector<std::uint32_t> label;
    std::vector<Part> parts;
};

Parts findParts(const Bitmap& image, std::uint8_t value)
{
    const bool eight = value != 0;
    const auto w = static_cast<std::size_t>(image.width);
    const auto h = static_cast<std::size_t>(image.height);
    Parts result;
    std::vector<std::uint32_t>& label = result.label;
    label.assign(w * h, 0);
    std::vector<std::uint32_t> parent { 0 };
    const auto root = [&parent](std::uint32_t l) {
        while (parent[l] != l) {
            parent[l] = parent[parent[l]];
            l = parent[l];
        }
        return l;
    };
    const auto join = [&](std::uint32_t a, std::uint32_t b) {
        a = root(a);
        b = root(b);
        const std::uint32_t smaller = std::min(a, b);
        parent[a] = parent[b] = smaller;
        return smaller;
    };
    const std::uint8_t* px = image.pixels.data();
    const auto is = [&](std::size_t i) { return (px[i] != 0) == eight; };
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            const std::size_t i = y * w + x;
            if (!is(i))
                continue;
            const bool west = x > 0 && is(i - 1);
            const bool north = y > 0 && is(i - w);
            std::uint32_t l = 0;
            if (north) {
                // Every other neighbour already seen touches the one above.
                l = label[i - w];
                if (!eight && west)
                    l = join(l, label[i - 1]);
            } else if (eight) {
                const bool northWest = y > 0 && x > 0 && is(i - w - 1);
                const bool northEast = y > 0 && x + 1 < w && is(i - w + 1);
                // West and north-west touch each other; north-east touches
                // neither once north is white.
                if (west || northWest)
                    l = label[west ? i - 1 : i - w - 1];
                if (northEast)
                    l = l ? join(l, label[i - w + 1]) : label[i - w + 1];
            } else if (west) {
                l = label[i - 1];
            }
            if (l == 0) {
                l = static_cast<std::uint32_t>(parent.size());
                parent.push_back(l);
            }
            label[i] = l;
        }
    }
    // Roots become part indices 0, 1, ...; every other label takes its root's.
    std::uint32_t next = 0;
    for (std::size_t l = 1; l < parent.size(); ++l)
        parent[l] = parent[l] == l ? next++ : parent[parent[l]];
    result.parts.assign(
        next, Part { std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), -1, -1, 0 });
    for (std::size_t y = 0; y < h; ++y) {
        const int yi = static_cast<int>(y);
        for (std::size_t x = 0; x < w; ++x) {
            std::uint32_t& l = label[y * w + x];
            if (l == 0)
                continue;
            l = parent[l] + 1;
            Part& p = result.parts[l - 1];
            const int xi = static_cast<int>(x);
            p.left = std::min(p.left, xi);
            p.top = std::min(p.top, yi);
            p.right = std::max(p.right, xi);
            p.bottom = std::max(p.bottom, yi);
            ++p.area;
        }
    }
    return result;
}

// White pixels between two parts' boxes, the larger of the two directions.
int gapBetween(const Part& a, const Part& b)
{
    const int dx = std::max({ 0, a.left - b.right - 1, b.left - a.right - 1 });
    const int dy = std::max({ 0, a.top - b.bottom - 1, b.top - a.bottom - 1 });
    return std::max(dx, dy);
}

// A close part joins the character if it is no smaller than this many
// pixels: a sixteenth of the character's side squared, and at least three.
// The dot of an i is about a stroke's width squared, a stroke an eighth of
// the side or more, so it stays; a speck of dirt or noise is smaller.
std::int64_t smallestPart(int side)
{
    return std::max<std::int64_t>(3, std::int64_t { side } * side / 256);
}

// Holes no larger than this are pin-holes: one pixel, or 1/400 of the
// side squared (a 45-pixel letter's five), far below the eye of an e.
std::int64_t largestPinHole(int side)
{
    return std::max<std::int64_t>(1, std::int64_t { side } * side / 400);
}

// How many times the close parts are looked over again: a part can join
// through one that joined before it, but a chain of specks cannot walk
// across the image.
constexpr int kJoinRounds = 4;

} // namespace

std::optional<CleanCharacter> cleanCharacter(const Bitmap& image, Cleaning* report)
{
    Cleaning cleaning;
    CleanCharacter result;
    {
        const Parts black = findParts(image, 1);
        const std::vector<Part>& parts = black.parts;
        if (parts.empty()) {
            if (report)
                *report = cleaning;
            return std::nullopt;
        }
        std::size_t main = 0;
        for (std::size_t i = 1; i < parts.size(); ++i)
            if (parts[i].area > parts[main].area)
                main = i;
        const int side = std::max(parts[main].width(), parts[main].height());
        std::vector<bool> kept(parts.size(), false);
        if (side >= kMinCharacterSide) {
            Part box = parts[main];
            const auto join = [&](std::size_t i) {
                kept[i] = true;
                box.left = std::min(box.left, parts[i].left);
                box.top = std::min(box.top, parts[i].top);
                box.right = std::max(box.right, parts[i].right);
                box.bottom = std::max(box.bottom, parts[i].bottom);
            };
            // Parts of a size of their own stay wherever they lie.
            for (std::size_t i = 0; i < parts.size(); ++i)
                if (4 * parts[i].area >= parts[main].area)
                    join(i);
            // Smaller ones only close to what stays.
            std::vector<std::size_t> small;
            for (std::size_t i = 0; i < parts.size(); ++i)
                if (!kept[i] && parts[i].area >= smallestPart(side))
                    small.push_back(i);
            for (int round = 0; round < kJoinRounds; ++round) {
                bool joined = false;
                for (const std::size_t i : small) {
                    if (!kept[i] && 4 * gapBetween(parts[i], box) <= side) {
                        join(i);
                        joined = true;
                    }
                }
                if (!joined)
                    break;
            }
            result.left = box.left;
            result.top = box.top;
            Bitmap& cut = result.pixels;
            cut.width = box.width();
            cut.height = box.height();
            cut.pixels.assign(
                static_cast<std::size_t>(cut.width) * static_cast<std::size_t>(cut.height), 0);
            for (int y = 0; y < cut.height; ++y) {
                for (int x = 0; x < cut.width; ++x) {
                    const std::uint32_t l = black.label[static_cast<std::size_t>(box.top + y)
                            * static_cast<std::size_t>(image.width)
                        + static_cast<std::size_t>(box.left + x)];
                    if (l != 0 && kept[l - 1])
                        cut.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(cut.width)
                            + static_cast<std::size_t>(x)]
                            = 1;
                }
            }
        }
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (!kept[i]) {
                ++cleaning.specks;
                cleaning.speckPixels += parts[i].area;
            }
        }
        if (side < kMinCharacterSide) {
            if (report)
                *report = cleaning;
            return std::nullopt;
        }
    }

    // Pin-holes: white parts that do not reach the box's edge, judged
    // against the whole character's size.
    Bitmap& cut = result.pixels;
    const int side = std::max(cut.width, cut.height);
    const Parts white = findParts(cut, 0);
    std::vector<bool> fill(white.parts.size(), false);
    for (std::size_t i = 0; i < white.parts.size(); ++i) {
        const Part& p = white.parts[i];
        const bool inside
            = p.left > 0 && p.top > 0 && p.right < cut.width - 1 && p.bottom < cut.height - 1;
        if (inside && p.area <= largestPinHole(side)) {
            fill[i] = true;
            ++cleaning.holes;
            cleaning.holePixels += p.area;
        }
    }
    if (cleaning.holes > 0) {
        for (std::size_t i = 0; i < cut.pixels.size(); ++i)
            if (white.label[i] != 0 && fill[white.label[i] - 1])
                cut.pixels[i] = 1;
    }
    result.cleaning = cleaning;
    if (report)
        *report = cleaning;
    return result;
}

} // namespace vanto::vecplan

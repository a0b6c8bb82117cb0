#include "convexity.hpp"

#include "integer_division.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <stdexcept>

namespace vanto {

namespace {

using glifora::support::ceilDiv;
using glifora::support::floorDiv;

int sign(std::int64_t v)
{
    return (v > 0) - (v < 0);
}

// One chain of Sklansky's scan over the points sorted by x: from sorted
// position `from` to `to`, keeping the positions of the corners that turn
// the way `turn` says. Steps whose y moves the way `skipY` says cannot be
// on this chain and are passed over. The choice among repeated and
// collinear points is the one that OpenCV's convexHull (as of 4.6) makes,
// so that defects computed from the hull agree with its convexityDefects.
std::vector<int> hullChain(const std::vector<Point>& pts, const std::vector<int>& sorted, int from,
    int to, int skipY, int turn)
{
    auto at = [&](int position) -> const Point& { return pts[sorted[position]]; };
    if (from == to || at(from) == at(to))
        return { from };

    const int step = to > from ? 1 : -1;
    std::vector<int> stack { from, from + step, from + 2 * step };
    int previous = from, current = from + step, next = current + step;
    const int stop = to + step;
    while (next != stop) {
        const std::int64_t by = at(next).y - at(current).y;
        if (sign(by) == skipY) {
            next += step;
            stack.back() = next;
            continue;
        }
        const std::int64_t ax = at(current).x - at(previous).x;
        const std::int64_t ay = at(current).y - at(previous).y;
        const std::int64_t bx = at(next).x - at(current).x;
        if (sign(ay * bx - ax * by) == turn && (ax != 0 || ay != 0)) {
            // A corner: keep it and look further.
            previous = current;
            current = next;
            next += step;
            stack.push_back(next);
        } else if (previous == from) {
            current = next;
            stack[1] = current;
            next += step;
            stack[2] = next;
        } else {
            // current is no corner: drop it and test previous again.
            stack[stack.size() - 2] = next;
            stack.pop_back();
            current = previous;
            previous = stack[stack.size() - 3];
        }
    }
    stack.pop_back(); // the position one past the end
    return stack;
}

// Rotates the hull so that its indices rise or fall monotonically, when a
// rotation can do that.
void rotateToMonotonic(std::vector<int>& hull)
{
    const int n = static_cast<int>(hull.size());
    int minAt = 0, maxAt = 0, rises = 0;
    for (int i = 1; i < n; ++i) {
        const int idx = hull[i];
        rises += hull[i - 1] < idx;
        if (rises > 1 && rises <= i - 2)
            break;
        if (idx < hull[minAt])
            minAt = i;
        if (idx > hull[maxAt])
            maxAt = i;
    }
    const int distance = std::abs(maxAt - minAt);
    if (!((distance == 1 || distance == n - 1) && (rises <= 1 || rises >= n - 2)))
        return;
    const bool ascending = (maxAt + 1) % n == minAt;
    const int first = ascending ? minAt : maxAt;
    if (first == 0)
        return;
    std::vector<int> rotated(static_cast<std::size_t>(n));
    int j = first;
    for (int i = 0; i < n; ++i) {
        rotated[i] = hull[j];
        const int nextJ = j + 1 < n ? j + 1 : 0;
        if (i < n - 1 && ascending != (hull[j] < hull[nextJ]))
            return;
        j = nextJ;
    }
    hull = std::move(rotated);
}

// Whether the defect walk over these hull indices goes one way round.
bool runsOneWay(const std::vector<int>& hull)
{
    const std::size_t n = hull.size();
    const bool reversed = ((hull[1] > hull[0]) + (hull[2] > hull[1]) + (hull[0] > hull[2])) != 2;
    int current = hull[reversed ? 0 : n - 1];
    int direction = -1;
    for (std::size_t i = 0; i < n; ++i) {
        const int next = hull[reversed ? n - i - 1 : i];
        const int rising = current < next;
        if (direction < 0)
            direction = !rising;
        else if (direction != rising)
            return false;
        current = next;
    }
    return true;
}

// The four neighbours that join white pixels into one region.
constexpr int kDx4[4] = { 1, -1, 0, 0 };
constexpr int kDy4[4] = { 0, 0, 1, -1 };

std::int64_t cross(const Point& o, const Point& a, const Point& b)
{
    return static_cast<std::int64_t>(a.x - o.x) * (b.y - o.y)
        - static_cast<std::int64_t>(a.y - o.y) * (b.x - o.x);
}

} // namespace

std::vector<int> hullIndices(const std::vector<Point>& points)
{
    const int n = static_cast<int>(points.size());
    if (n == 0)
        return {};

    std::vector<int> sorted(static_cast<std::size_t>(n));
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
        const Point &p = points[a], &q = points[b];
        if (p.x != q.x)
            return p.x < q.x;
        if (p.y != q.y)
            return p.y < q.y;
        return a < b;
    });
    int minY = 0, maxY = 0;
    for (int i = 1; i < n; ++i) {
        const int y = points[sorted[i]].y;
        if (points[sorted[minY]].y > y)
            minY = i;
        if (points[sorted[maxY]].y < y)
            maxY = i;
    }
    if (points[sorted[0]] == points[sorted[n - 1]])
        return { 0 };

    std::vector<int> hull;
    // The half towards greater y (the bottom of the screen): its chain from
    // the right end first, then the one from the left end, backwards.
    const std::vector<int> left = hullChain(points, sorted, 0, maxY, -1, 1);
    const std::vector<int> right = hullChain(points, sorted, n - 1, maxY, -1, -1);
    for (std::size_t i = 0; i + 1 < right.size(); ++i)
        hull.push_back(sorted[right[i]]);
    for (std::size_t i = left.size() - 1; i > 0; --i)
        hull.push_back(sorted[left[i]]);
    const int stop = left.size() > 2 ? left[1] : right.size() > 2 ? right[right.size() - 2] : -1;

    // The other half, from the left end to the right end.
    std::vector<int> bottomLeft = hullChain(points, sorted, 0, minY, 1, -1);
    std::vector<int> bottomRight = hullChain(points, sorted, n - 1, minY, 1, 1);
    std::size_t leftCount = bottomLeft.size(), rightCount = bottomRight.size();
    if (stop >= 0) {
        const int check = leftCount > 2  ? bottomLeft[1]
            : leftCount + rightCount > 2 ? bottomRight[2 - leftCount]
                                         : -1;
        if (check == stop || (check >= 0 && points[sorted[check]] == points[sorted[stop]])) {
            // All points on one line: this half would repeat the other.
            leftCount = std::min<std::size_t>(leftCount, 2);
            rightCount = std::min<std::size_t>(rightCount, 2);
        }
    }
    for (std::size_t i = 0; i + 1 < leftCount; ++i)
        hull.push_back(sorted[bottomLeft[i]]);
    for (std::size_t i = rightCount - 1; i > 0; --i)
        hull.push_back(sorted[bottomRight[i]]);

    if (hull.size() >= 3)
        rotateToMonotonic(hull);
    return hull;
}

Defects convexityDefects(const std::vector<Point>& points, const std::vector<int>& hullIn)
{
    Defects result;
    const std::size_t n = points.size();
    if (n <= 3 || hullIn.size() < 3)
        return result;

    std::vector<int> hull = hullIn;
    if (!runsOneWay(hull)) {
        std::sort(hull.begin(), hull.end());
        result.reordered = true;
    }
    const std::size_t h = hull.size();
    const bool reversed = ((hull[1] > hull[0]) + (hull[2] > hull[1]) + (hull[0] > hull[2])) != 2;
    int current = hull[reversed ? 0 : h - 1];
    for (std::size_t i = 0; i < h; ++i) {
        const int next = hull[reversed ? h - i - 1 : i];
        const Point a = points[current], b = points[next];
        const double dx0 = b.x - a.x;
        const double dy0 = b.y - a.y;
        const double scale = dx0 == 0 && dy0 == 0 ? 0. : 1. / std::sqrt(dx0 * dx0 + dy0 * dy0);

        Defect defect { current, next, -1, 0.0, 0 };
        for (std::size_t j = static_cast<std::size_t>(current) + 1;; ++j) {
            if (j >= n)
                j = 0;
            if (j == static_cast<std::size_t>(next))
                break;
            const double dx = points[j].x - a.x;
            const double dy = points[j].y - a.y;
            const double dist = std::fabs(-dy0 * dx + dx0 * dy) * scale;
            if (dist > defect.depth) {
                defect.depth = dist;
                defect.farthest = static_cast<int>(j);
            }
        }
        if (defect.farthest >= 0) {
            defect.depth256 = static_cast<int>(std::lrint(defect.depth * 256));
            result.defects.push_back(defect);
        }
        current = next;
    }
    return result;
}

std::vector<Point> pixelHull(const Bitmap& image)
{
    // Only the leftmost and rightmost black pixel of each row can be corners.
    std::vector<Point> candidates;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels.data()
            + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
        int first = 0;
        while (first < image.width && row[first] == 0)
            ++first;
        if (first == image.width)
            continue;
        int last = image.width - 1;
        while (row[last] == 0)
            --last;
        candidates.push_back({ first, y });
        if (last != first)
            candidates.push_back({ last, y });
    }
    std::sort(candidates.begin(), candidates.end(),
        [](const Point& a, const Point& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    if (candidates.size() <= 1)
        return candidates;

    // Andrew's monotone chain; collinear points are not corners.
    std::vector<Point> hull(2 * candidates.size());
    std::size_t k = 0;
    for (const Point& p : candidates) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0)
            --k;
        hull[k++] = p;
    }
    for (std::size_t i = candidates.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && cross(hull[k - 2], hull[k - 1], candidates[i]) <= 0)
            --k;
        hull[k++] = candidates[i];
    }
    hull.resize(k - 1);
    // That ran counter-clockwise with y taken as pointing up, which is
    // clockwise on the screen: turn it round, keeping the first corner.
    std::reverse(hull.begin() + 1, hull.end());
    return hull;
}

std::vector<RowSpan> rowSpans(const std::vector<Point>& hull, int height)
{
    std::vector<RowSpan> spans(static_cast<std::size_t>(std::max(height, 0)));
    std::vector<std::int64_t> lo(spans.size(), INT_MAX), hi(spans.size(), INT_MIN);
    auto widen = [&](int y, std::int64_t first, std::int64_t last) {
        if (y < 0 || y >= height)
            return;
        lo[y] = std::min(lo[y], first);
        hi[y] = std::max(hi[y], last);
    };
    if (hull.size() == 1)
        widen(hull[0].y, hull[0].x, hull[0].x);
    for (std::size_t i = 0; hull.size() >= 2 && i < hull.size(); ++i) {
        Point a = hull[i], b = hull[(i + 1) % hull.size()];
        if (a.y == b.y) {
            widen(a.y, std::min(a.x, b.x), std::max(a.x, b.x));
            continue;
        }
        if (a.y > b.y)
            std::swap(a, b);
        const std::int64_t den = b.y - a.y;
        for (int y = std::max(a.y, 0); y <= std::min(b.y, height - 1); ++y) {
            // x = a.x + (y - a.y) (b.x - a.x) / (b.y - a.y), kept exact.
            const std::int64_t num = static_cast<std::int64_t>(a.x) * den
                + static_cast<std::int64_t>(y - a.y) * (b.x - a.x);
            widen(y, ceilDiv(num, den), floorDiv(num, den));
        }
    }
    for (std::size_t y = 0; y < spans.size(); ++y) {
        if (lo[y] <= hi[y])
            spans[y] = { static_cast<int>(lo[y]), static_cast<int>(hi[y]) };
    }
    return spans;
}

std::vector<DeficiencyRegion> deficiencyRegions(const Bitmap& image, const std::vector<Point>& hull)
{
    std::vector<DeficiencyRegion> regions;
    forEachDeficiencyRegion(image, hull, [&](const DeficiencyRegion& region) {
        regions.push_back(region);
        return true;
    });
    return regions;
}

namespace {

// The flood fill behind the deficiency: groups the white pixels inside the
// hull 4-connected, iteratively, marking every pixel it takes in marks (one
// byte a pixel, zero to start with) as kLakePixel whatever its region turns
// out to be, and hands each region, with its first pixel, to done until
// done returns false.
template <typename Done>
void fillRegions(const Bitmap& image, const std::vector<Point>& hull,
    std::vector<std::uint8_t>& marks, std::vector<std::uint32_t>& pending, const Done& done)
{
    const int w = image.width, h = image.height;
    const std::vector<RowSpan> spans = rowSpans(hull, h);
    auto inside = [&](int x, int y) { return x >= spans[y].first && x <= spans[y].last; };
    auto white = [&](int x, int y) {
        return image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)
                   + static_cast<std::size_t>(x)]
            == 0;
    };

    for (int y = 0; y < h; ++y) {
        for (int x = spans[y].first; x <= spans[y].last; ++x) {
            const std::uint32_t seed = static_cast<std::uint32_t>(y) * static_cast<std::uint32_t>(w)
                + static_cast<std::uint32_t>(x);
            if (!white(x, y) || marks[seed])
                continue;
            DeficiencyRegion region;
            region.lake = true;
            region.box = { x, y, x, y };
            double sumX = 0, sumY = 0;
            marks[seed] = kLakePixel;
            pending.push_back(seed);
            while (!pending.empty()) {
                const std::uint32_t i = pending.back();
                pending.pop_back();
                const int px = static_cast<int>(i % static_cast<std::uint32_t>(w));
                const int py = static_cast<int>(i / static_cast<std::uint32_t>(w));
                ++region.area;
                sumX += px;
                sumY += py;
                region.box.left = std::min(region.box.left, px);
                region.box.right = std::max(region.box.right, px);
                region.box.top = std::min(region.box.top, py);
                region.box.bottom = std::max(region.box.bottom, py);
                for (int d = 0; d < 4; ++d) {
                    const int nx = px + kDx4[d], ny = py + kDy4[d];
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) {
                        region.lake = false; // white continues past the edge
                        continue;
                    }
                    if (!white(nx, ny))
                        continue;
                    if (!inside(nx, ny)) {
                        region.lake = false;
                        continue;
                    }
                    const std::uint32_t j
                        = static_cast<std::uint32_t>(ny) * static_cast<std::uint32_t>(w)
                        + static_cast<std::uint32_t>(nx);
                    if (!marks[j]) {
                        marks[j] = kLakePixel;
                        pending.push_back(j);
                    }
                }
            }
            region.centroidX = sumX / static_cast<double>(region.area);
            region.centroidY = sumY / static_cast<double>(region.area);
            if (!done(region, seed))
                return;
        }
    }
}

// The pixel count of an image the region search can index, or nothing.
std::uint64_t searchablePixels(const Bitmap& image, const std::vector<Point>& hull)
{
    if (hull.empty() || image.width <= 0 || image.height <= 0)
        return 0;
    const std::uint64_t count
        = static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height);
    if (count > UINT32_MAX)
        throw std::length_error("image too large for the region search");
    return count;
}

} // namespace

void forEachDeficiencyRegion(const Bitmap& image, const std::vector<Point>& hull,
    const std::function<bool(const DeficiencyRegion&)>& visit)
{
    const std::uint64_t count = searchablePixels(image, hull);
    if (count == 0)
        return;
    std::vector<std::uint8_t> marks(static_cast<std::size_t>(count), 0);
    std::vector<std::uint32_t> pending; // an explicit stack: no recursion
    fillRegions(image, hull, marks, pending,
        [&](const DeficiencyRegion& region, std::uint32_t) { return visit(region); });
}

DeficiencyMap deficiencyMap(const Bitmap& image, const std::vector<Point>& hull)
{
    DeficiencyMap map;
    const std::uint64_t count = searchablePixels(image, hull);
    if (count == 0)
        return map;
    map.pixels.assign(static_cast<std::size_t>(count), 0);
    const auto w = static_cast<std::uint32_t>(image.width);
    const auto h = static_cast<std::uint32_t>(image.height);
    std::vector<std::uint32_t> pending;
    fillRegions(
        image, hull, map.pixels, pending, [&](const DeficiencyRegion& region, std::uint32_t seed) {
            (region.lake ? map.lakes : map.bays) += 1;
            (region.lake ? map.lakeArea : map.bayArea) += region.area;
            if (region.lake)
                return true;
            // The region's pixels are exactly the 4-connected lake marks
            // around its seed (two regions never touch), so a second fill
            // turns them into bay marks.
            map.pixels[seed] = kBayPixel;
            pending.push_back(seed);
            while (!pending.empty()) {
                const std::uint32_t i = pending.back();
                pending.pop_back();
                const std::uint32_t px = i % w, py = i / w;
                for (int d = 0; d < 4; ++d) {
                    const std::uint32_t nx = px + static_cast<std::uint32_t>(kDx4[d]);
                    const std::uint32_t ny = py + static_cast<std::uint32_t>(kDy4[d]);
                    if (nx >= w || ny >= h || map.pixels[ny * w + nx] != kLakePixel)
                        continue;
                    map.pixels[ny * w + nx] = kBayPixel;
                    pending.push_back(ny * w + nx);
                }
            }
            return true;
        });
    return map;
}

} // namespace vanto

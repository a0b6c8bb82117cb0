#include "features.hpp"

#include "contours.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vanto::vecplan {

namespace {

constexpr int N = kNormalSize;

// Rounded a / b for a >= 0, b > 0, in integers.
int roundedRatio(std::int64_t a, std::int64_t b)
{
    return static_cast<int>((2 * a + b) / (2 * b));
}

std::int64_t isqrt(std::int64_t n)
{
    std::int64_t r = 0;
    for (std::int64_t bit = std::int64_t { 1 } << 62; bit > 0; bit >>= 2) {
        if (n >= r + bit) {
            n -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
    }
    return r;
}

// How the character is laid into the square: it fills columns ox..ox+nw-1
// and rows oy..oy+nh-1.
struct Placement {
    int ox, oy, nw, nh;
};

// The longer side fills the square; the shorter one is stretched to the
// square root of its share of the longer one, so a narrow letter keeps
// some of its narrowness and still has room for its shape.
Placement place(int width, int height)
{
    const int longer = std::max(width, height);
    const int shorter = std::min(width, height);
    const int stretched = static_cast<int>(
        std::clamp<std::int64_t>(isqrt(std::int64_t { N } * N * shorter / longer), 1, N));
    const int nw = width >= height ? N : stretched;
    const int nh = width >= height ? stretched : N;
    return { (N - nw) / 2, (N - nh) / 2, nw, nh };
}

// The square: kNormalSize x kNormalSize pixels, 1 = black.
struct Square {
    std::array<std::uint8_t, N * N> pixels {};

    bool black(int x, int y) const { return pixels[static_cast<std::size_t>(y * N + x)] != 0; }
};

// The pixels 0..length-1 of one side of the character spread over `parts`
// pixels of the square: pixel i covers [i*parts, (i+1)*parts) and square
// pixel k covers [k*length, (k+1)*length), so every overlap is a whole
// number of units. Worked out for one pixel at a time, so no table grows
// with the image.
template <typename Visit> void overlaps(int i, int length, int parts, Visit visit)
{
    const std::int64_t from = std::int64_t { i } * parts;
    const std::int64_t to = from + parts;
    for (std::int64_t k = from / length; k < parts && k * length < to; ++k) {
        const std::int64_t overlap = std::min(to, (k + 1) * length) - std::max(from, k * length);
        if (overlap > 0)
            visit(static_cast<int>(k), overlap);
    }
}

// Redraws the character in the square: every pixel of the square takes the
// area of black that falls on it, and is black when that is at least half
// of the fullest pixel's (half of a whole pixel, unless the character is so
// thin that no pixel is even half covered: a line one pixel high and
// millions long still shows).
Square redraw(const Bitmap& c, const Placement& p)
{
    std::array<std::int64_t, N * N> area {};
    std::vector<std::pair<int, std::int64_t>> rows;
    for (int y = 0; y < c.height; ++y) {
        rows.clear();
        overlaps(y, c.height, p.nh, [&](int k, std::int64_t units) {
            rows.push_back({ k, units });
        });
        const std::uint8_t* line
            = c.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width);
        // A run of black pixels x0..x1-1 covers [x0*nw, x1*nw) in units of
        // 1/width of a square pixel; square pixel k covers [k*width,
        // (k+1)*width).
        for (int x = 0; x < c.width;) {
            if (!line[x]) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < c.width && line[x])
                ++x;
            const std::int64_t from = std::int64_t { x0 } * p.nw;
            const std::int64_t to = std::int64_t { x } * p.nw;
            for (std::int64_t k = from / c.width; k * c.width < to; ++k) {
                const std::int64_t units
                    = std::min(to, (k + 1) * c.width) - std::max(from, k * c.width);
                for (const auto& [row, rowUnits] : rows)
                    area[static_cast<std::size_t>((p.oy + row) * N + p.ox + k)] += units * rowUnits;
            }
        }
    }
    const std::int64_t whole = std::int64_t { c.width } * c.height;
    const std::int64_t fullest = *std::max_element(area.begin(), area.end());
    const std::int64_t half = std::min(whole, fullest);
    Square s;
    for (std::size_t i = 0; i < area.size(); ++i)
        s.pixels[i] = area[i] > 0 && 2 * area[i] >= half ? 1 : 0;
    return s;
}

// How a square pixel's centre shares out between the two nearest zone
// centres (one at the square's edges): zone z0 takes w0 units, zone z0 + 1
// the rest of kZoneUnits.
struct ZoneShare {
    int z0;
    int w0;
};
constexpr int kZoneUnits = 2 * N;

constexpr std::array<ZoneShare, N> zoneShares()
{
    std::array<ZoneShare, N> shares {};
    for (int i = 0; i < N; ++i) {
        // Distance of the pixel's centre from zone 0's centre, in units of
        // 1/(2N) of a zone.
        const int t = (2 * i + 1) * kZones - N;
        if (t <= 0) {
            shares[static_cast<std::size_t>(i)] = { 0, kZoneUnits };
        } else if (t >= (kZones - 1) * kZoneUnits) {
            shares[static_cast<std::size_t>(i)] = { kZones - 1, kZoneUnits };
        } else {
            shares[static_cast<std::size_t>(i)] = { t / kZoneUnits, kZoneUnits - t % kZoneUnits };
        }
    }
    return shares;
}
constexpr std::array<ZoneShare, N> kShares = zoneShares();

// Hands add each zone that square pixel (x, y) shares in, with its share:
// the pixel's centre split between the nearest zone centres each way.
template <typename Add> void inZones(int x, int y, Add add)
{
    const ZoneShare& sx = kShares[static_cast<std::size_t>(x)];
    const ZoneShare& sy = kShares[static_cast<std::size_t>(y)];
    const int xs[2] = { sx.z0, sx.z0 + 1 };
    const int xw[2] = { sx.w0, kZoneUnits - sx.w0 };
    const int ys[2] = { sy.z0, sy.z0 + 1 };
    const int yw[2] = { sy.w0, kZoneUnits - sy.w0 };
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i)
            if (xw[i] > 0 && yw[j] > 0)
                add(ys[j] * kZones + xs[i], std::int64_t { xw[i] } * yw[j]);
}

void zoneDensities(const Square& s, int* out)
{
    // Each row's black shared out over the zone columns first, then the
    // rows over the zone rows.
    std::array<std::int64_t, kZones * kZones> mass {};
    std::int64_t total = 0;
    for (int y = 0; y < N; ++y) {
        std::array<std::int64_t, kZones> row {};
        for (int x = 0; x < N; ++x) {
            if (!s.black(x, y))
                continue;
            const ZoneShare& sx = kShares[static_cast<std::size_t>(x)];
            row[static_cast<std::size_t>(sx.z0)] += sx.w0;
            if (sx.w0 < kZoneUnits)
                row[static_cast<std::size_t>(sx.z0 + 1)] += kZoneUnits - sx.w0;
        }
        const ZoneShare& sy = kShares[static_cast<std::size_t>(y)];
        for (int z = 0; z < kZones; ++z) {
            const std::int64_t m = row[static_cast<std::size_t>(z)];
            mass[static_cast<std::size_t>(sy.z0 * kZones + z)] += m * sy.w0;
            if (sy.w0 < kZoneUnits)
                mass[static_cast<std::size_t>((sy.z0 + 1) * kZones + z)]
                    += m * (kZoneUnits - sy.w0);
            total += m * kZoneUnits;
        }
    }
    for (std::size_t z = 0; z < mass.size(); ++z)
        out[z] = total > 0 ? roundedRatio(1000 * mass[z], total) : 0;
}

// The direction from `from` to `to` split between the two nearest of the
// four directions: along the larger of the two steps by their difference,
// along the diagonal by the smaller one.
void splitDirection(Point from, Point to, std::int64_t (&weights)[kDirections])
{
    const int dx = to.x - from.x;
    const int dy = to.y - from.y;
    const int ax = dx < 0 ? -dx : dx;
    const int ay = dy < 0 ? -dy : dy;
    // y grows downwards: a step right and up (dx and dy of opposite signs)
    // rises.
    const int diagonal = (dx < 0) != (dy < 0) ? 1 : 3;
    if (ax >= ay) {
        weights[0] += ax - ay;
        weights[diagonal] += ay;
    } else {
        weights[2] += ay - ax;
        weights[diagonal] += ax;
    }
}

void contourDirections(const Square& s, int* out)
{
    Bitmap image;
    image.width = N;
    image.height = N;
    image.pixels.assign(s.pixels.begin(), s.pixels.end());
    std::array<std::int64_t, kZones * kZones * kDirections> bins {};
    std::int64_t total = 0;
    for (const Border& border : findBorders(image)) {
        const auto& p = border.points;
        const auto n = static_cast<std::ptrdiff_t>(p.size());
        const std::ptrdiff_t span = std::min<std::ptrdiff_t>(kDirectionSpan, (n - 1) / 2);
        if (span < 1)
            continue;
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            std::int64_t weights[kDirections] = {};
            splitDirection(p[static_cast<std::size_t>((i - span + n) % n)],
                p[static_cast<std::size_t>((i + span) % n)], weights);
            const Point& here = p[static_cast<std::size_t>(i)];
            inZones(here.x, here.y, [&](int zone, std::int64_t w) {
                for (int d = 0; d < kDirections; ++d) {
                    bins[static_cast<std::size_t>(zone * kDirections + d)] += w * weights[d];
                    total += w * weights[d];
                }
            });
        }
    }
    for (std::size_t b = 0; b < bins.size(); ++b)
        out[b] = total > 0 ? roundedRatio(1000 * bins[b], total) : 0;
}

// The character's part of the square, nw x nh.
struct Area {
    const Square& square;
    Placement p;

    bool black(int x, int y) const { return square.black(p.ox + x, p.oy + y); }
};

// Black runs along line i of the area: a row when `rows`, else a column.
int runsAlong(const Area& a, bool rows, int i)
{
    const int length = rows ? a.p.nw : a.p.nh;
    int runs = 0;
    bool inside = false;
    for (int j = 0; j < length; ++j) {
        const bool b = rows ? a.black(j, i) : a.black(i, j);
        if (b && !inside)
            ++runs;
        inside = b;
    }
    return runs;
}

// The mean of perLine over each of `bands` equal bands, every line
// weighed by how much of it falls into the band, times `scale` and divided
// by `unit`.
template <int bands>
void bandMeans(const std::vector<int>& perLine, std::int64_t scale, std::int64_t unit, int* out)
{
    const int length = static_cast<int>(perLine.size());
    std::int64_t sum[bands] = {};
    for (int i = 0; i < length; ++i)
        overlaps(i, length, bands, [&](int k, std::int64_t units) {
            sum[k] += std::int64_t { perLine[static_cast<std::size_t>(i)] } * units;
        });
    // Every band measures `length` units.
    for (int k = 0; k < bands; ++k)
        out[k] = roundedRatio(scale * sum[k], std::int64_t { length } * unit);
}

void crossingsAndMargins(const Area& a, int* v)
{
    const int w = a.p.nw;
    const int h = a.p.nh;
    std::vector<int> runsInRow(static_cast<std::size_t>(h)),
        runsInColumn(static_cast<std::size_t>(w));
    // A line with no black pixel counts as white all through.
    std::vector<int> leftMargin(static_cast<std::size_t>(h), w),
        rightMargin(static_cast<std::size_t>(h), w);
    std::vector<int> topMargin(static_cast<std::size_t>(w), h),
        bottomMargin(static_cast<std::size_t>(w), h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!a.black(x, y))
                continue;
            const auto ys = static_cast<std::size_t>(y);
            const auto xs = static_cast<std::size_t>(x);
            leftMargin[ys] = std::min(leftMargin[ys], x);
            rightMargin[ys] = std::min(rightMargin[ys], w - 1 - x);
            topMargin[xs] = std::min(topMargin[xs], y);
            bottomMargin[xs] = std::min(bottomMargin[xs], h - 1 - y);
        }
    }
    for (int y = 0; y < h; ++y)
        runsInRow[static_cast<std::size_t>(y)] = runsAlong(a, true, y);
    for (int x = 0; x < w; ++x)
        runsInColumn[static_cast<std::size_t>(x)] = runsAlong(a, false, x);
    bandMeans<kCrossingBands>(runsInRow, 10, 1, v + kGroups[2].offset);
    bandMeans<kCrossingBands>(runsInColumn, 10, 1, v + kGroups[3].offset);
    bandMeans<kEdgeBands>(leftMargin, 100, w, v + kGroups[4].offset);
    bandMeans<kEdgeBands>(rightMargin, 100, w, v + kGroups[5].offset);
    bandMeans<kEdgeBands>(topMargin, 100, h, v + kGroups[6].offset);
    bandMeans<kEdgeBands>(bottomMargin, 100, h, v + kGroups[7].offset);
}

} // namespace

std::optional<Features> computeFeatures(const Bitmap& image, Cleaning* cleaning)
{
    const std::optional<CleanCharacter> c = cleanCharacter(image, cleaning);
    if (!c)
        return std::nullopt;
    Features f;
    f.cleaning = c->cleaning;
    const int w = c->pixels.width;
    const int h = c->pixels.height;
    f.box = { c->left, c->top, w, h };

    const Placement p = place(w, h);
    const Square square = redraw(c->pixels, p);
    int* v = f.values.data();
    zoneDensities(square, v + kGroups[kZoneGroup].offset);
    contourDirections(square, v + kGroups[kDirectionGroup].offset);
    crossingsAndMargins({ square, p }, v);
    v[kGroups[8].offset] = roundedRatio(100 * std::int64_t { w }, std::int64_t { w } + h);

    int* frame = v + kGroups[kFrameGroup].offset;
    const std::int64_t above = f.box.top;
    const std::int64_t below = image.height - f.box.top - f.box.height;
    const std::int64_t H = image.height;
    const std::int64_t wider = std::max(above, below);
    if (wider >= kMinFramePixels && 100 * wider >= kMinFrameMargin * H
        && 100 * std::int64_t { h } >= kMinFrameFill * H) {
        frame[0] = 1;
        frame[1] = roundedRatio(100 * above, H);
        frame[2] = roundedRatio(100 * below, H);
        frame[3] = roundedRatio(100 * std::int64_t { h }, H);
    }
    return f;
}

std::optional<ZoneLayout> zoneLayout(const Bitmap& image)
{
    const std::optional<Features> features = computeFeatures(image);
    if (!features)
        return std::nullopt;
    ZoneLayout layout;
    const BoundingBox& b = features->box;
    layout.box = b;
    layout.columns = kZones;
    layout.rows = kZones;
    // Square pixel k of the character's nw lies at image column
    // left + (k - ox) * width / nw, and likewise down.
    const Placement p = place(b.width, b.height);
    for (int k = 0; k <= kZones; ++k) {
        const double along = double(k) * N / kZones;
        layout.columnEdges.push_back(b.left + (along - p.ox) * b.width / p.nw);
        layout.rowEdges.push_back(b.top + (along - p.oy) * b.height / p.nh);
    }
    const int* zones = features->values.data() + kGroups[kZoneGroup].offset;
    const int* directions = features->values.data() + kGroups[kDirectionGroup].offset;
    for (int i = 0; i < kZones * kZones; ++i) {
        const int* d = directions + i * kDirections;
        layout.measures.push_back({ zones[i], { d[0], d[1], d[2], d[3] } });
    }
    return layout;
}

} // namespace vanto::vecplan

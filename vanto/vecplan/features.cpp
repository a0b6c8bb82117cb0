#include "features.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vanto::vecplan {

namespace {

// Rounded a / b for a >= 0, b > 0, in integers.
int roundedRatio(std::int64_t a, std::int64_t b)
{
    return static_cast<int>((2 * a + b) / (2 * b));
}

// How the pixels 0..length-1 of one side of the box share out onto `parts`
// equal parts. Both are scaled to a common unit: pixel i covers
// [i*parts, (i+1)*parts) and part k covers [k*length, (k+1)*length), so
// every overlap is a whole number of units.
struct Share {
    int part;
    int units;
};

std::vector<std::vector<Share>> shareOut(int length, int parts)
{
    std::vector<std::vector<Share>> shares(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        const std::int64_t from = std::int64_t { i } * parts;
        const std::int64_t to = from + parts;
        for (int k = static_cast<int>(from / length); k < parts; ++k) {
            const std::int64_t partFrom = std::int64_t { k } * length;
            const std::int64_t partTo = partFrom + length;
            if (partFrom >= to)
                break;
            const std::int64_t overlap = std::min(to, partTo) - std::max(from, partFrom);
            if (overlap > 0)
                shares[static_cast<std::size_t>(i)].push_back({ k, static_cast<int>(overlap) });
        }
    }
    return shares;
}

// The character cut out of its image: black pixels of the bounding box
// only, row by row, 1 = black.
struct Box {
    int width;
    int height;
    std::vector<std::uint8_t> pixels;

    bool black(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)
                   + static_cast<std::size_t>(x)]
            != 0;
    }
};

std::optional<BoundingBox> findBox(const Bitmap& image)
{
    int left = image.width, right = -1, top = image.height, bottom = -1;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!image.black(x, y))
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return std::nullopt;
    return BoundingBox { left, top, right - left + 1, bottom - top + 1 };
}

Box cutOut(const Bitmap& image, const BoundingBox& b)
{
    Box box { b.width, b.height, {} };
    box.pixels.resize(static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height));
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            box.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(b.width)
                + static_cast<std::size_t>(x)]
                = image.black(b.left + x, b.top + y) ? 1 : 0;
    return box;
}

void zoning(const Box& box, int* out)
{
    const auto columns = shareOut(box.width, kZones);
    const auto rows = shareOut(box.height, kZones);
    std::int64_t area[kZones][kZones] = {};
    for (int y = 0; y < box.height; ++y)
        for (int x = 0; x < box.width; ++x)
            if (box.black(x, y))
                for (const Share& r : rows[static_cast<std::size_t>(y)])
                    for (const Share& c : columns[static_cast<std::size_t>(x)])
                        area[r.part][c.part] += std::int64_t { r.units } * c.units;
    // A zone measures width x height units.
    const std::int64_t zoneArea = std::int64_t { box.width } * box.height;
    for (int r = 0; r < kZones; ++r)
        for (int c = 0; c < kZones; ++c)
            out[r * kZones + c] = roundedRatio(100 * area[r][c], zoneArea);
}

// Black runs along line i of the box: a row when `rows`, else a column.
int runsAlong(const Box& box, bool rows, int i)
{
    const int length = rows ? box.width : box.height;
    int runs = 0;
    bool inside = false;
    for (int j = 0; j < length; ++j) {
        const bool b = rows ? box.black(j, i) : box.black(i, j);
        if (b && !inside)
            ++runs;
        inside = b;
    }
    return runs;
}

// The mean of perLine over each of `bands` equal bands, every line
// weighed by how much of it falls into the band, times `scale` and divided
// by `unit`. A band takes part of a line when the lines do not divide
// evenly, so the result does not change when every pixel is repeated.
template <int bands>
void bandMeans(const std::vector<int>& perLine, std::int64_t scale, std::int64_t unit, int* out)
{
    const int length = static_cast<int>(perLine.size());
    const auto lines = shareOut(length, bands);
    std::int64_t sum[bands] = {};
    for (int i = 0; i < length; ++i)
        for (const Share& s : lines[static_cast<std::size_t>(i)])
            sum[s.part] += std::int64_t { perLine[static_cast<std::size_t>(i)] } * s.units;
    // Every band measures `length` units.
    for (int k = 0; k < bands; ++k)
        out[k] = roundedRatio(scale * sum[k], std::int64_t { length } * unit);
}

} // namespace

std::optional<Features> computeFeatures(const Bitmap& image)
{
    const std::optional<BoundingBox> found = findBox(image);
    if (!found)
        return std::nullopt;
    Features f;
    f.box = *found;
    const Box box = cutOut(image, f.box);
    const int w = box.width;
    const int h = box.height;

    std::int64_t black = 0;
    std::vector<int> runsInRow(static_cast<std::size_t>(h)),
        runsInColumn(static_cast<std::size_t>(w));
    // A line of the box with no black pixel counts as white all through.
    std::vector<int> leftMargin(static_cast<std::size_t>(h), w),
        rightMargin(static_cast<std::size_t>(h), w);
    std::vector<int> topMargin(static_cast<std::size_t>(w), h),
        bottomMargin(static_cast<std::size_t>(w), h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!box.black(x, y))
                continue;
            const auto ys = static_cast<std::size_t>(y);
            const auto xs = static_cast<std::size_t>(x);
            ++black;
            leftMargin[ys] = std::min(leftMargin[ys], x);
            rightMargin[ys] = std::min(rightMargin[ys], w - 1 - x);
            topMargin[xs] = std::min(topMargin[xs], y);
            bottomMargin[xs] = std::min(bottomMargin[xs], h - 1 - y);
        }
    }
    for (int y = 0; y < h; ++y)
        runsInRow[static_cast<std::size_t>(y)] = runsAlong(box, true, y);
    for (int x = 0; x < w; ++x)
        runsInColumn[static_cast<std::size_t>(x)] = runsAlong(box, false, x);

    int* v = f.values.data();
    zoning(box, v + kGroups[0].offset);
    bandMeans<kCrossingBands>(runsInRow, 10, 1, v + kGroups[1].offset);
    bandMeans<kCrossingBands>(runsInColumn, 10, 1, v + kGroups[2].offset);
    bandMeans<kEdgeBands>(leftMargin, 100, w, v + kGroups[3].offset);
    bandMeans<kEdgeBands>(rightMargin, 100, w, v + kGroups[4].offset);
    bandMeans<kEdgeBands>(topMargin, 100, h, v + kGroups[5].offset);
    bandMeans<kEdgeBands>(bottomMargin, 100, h, v + kGroups[6].offset);

    // The box holds at least one black pixel, so there is at least one run
    // each way.
    std::int64_t rowRuns = 0, columnRuns = 0;
    for (const int runs : runsInRow)
        rowRuns += runs;
    for (const int runs : runsInColumn)
        columnRuns += runs;
    int* shape = v + kGroups[7].offset;
    shape[0] = roundedRatio(100 * std::int64_t { w }, std::int64_t { w } + h);
    // Mean run lengths against the box's height: thick strokes in a short box
    // (lower-case "o") against thin ones in a tall box (upper-case "O").
    shape[1] = roundedRatio(100 * black, rowRuns * h);
    shape[2] = roundedRatio(100 * black, columnRuns * h);

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
    layout.box = features->box;
    layout.columns = kZones;
    layout.rows = kZones;
    for (int k = 0; k <= kZones; ++k) {
        layout.columnEdges.push_back(layout.box.left + double(k) * layout.box.width / kZones);
        layout.rowEdges.push_back(layout.box.top + double(k) * layout.box.height / kZones);
    }
    const int* zones = features->values.data() + kGroups[0].offset;
    for (int i = 0; i < kZones * kZones; ++i)
        layout.values.push_back(std::to_string(zones[i]) + " % de negro");
    return layout;
}

long long squaredDistance(std::span<const int, kVectorSize> a, std::span<const int, kVectorSize> b)
{
    const auto frameFlag = static_cast<std::size_t>(kGroups[kFrameGroup].offset);
    const bool bothFramed = a[frameFlag] == 1 && b[frameFlag] == 1;
    long long total = 0;
    for (const FeatureGroup& g : kGroups) {
        if (&g == &kGroups[kFrameGroup] && !bothFramed)
            continue;
        long long sum = 0;
        for (int i = g.offset; i < g.offset + g.count; ++i) {
            const long long d = a[static_cast<std::size_t>(i)] - b[static_cast<std::size_t>(i)];
            sum += d * d;
        }
        total += sum * g.weight;
    }
    return total;
}

} // namespace vanto::vecplan

#include "scene.hpp"

#include "report_text.hpp"

#include <algorithm>
#include <cstdlib>

namespace vanto {
namespace {

// Gathers a border's turns as the follower hands over its points: a pixel
// is a turn when the step into it and the step out of it differ. The start
// is always kept, so the drawing begins where TRAZOC.EXE's chain code does.
class TurnCollector {
public:
    explicit TurnCollector(std::vector<Point>& turns)
        : turns_(turns)
    {
    }

    void add(const Point& p)
    {
        if (count_++ == 0) {
            turns_.push_back(p);
        } else {
            step(p);
        }
        last_ = p;
    }

    // The closing step, from the last pixel back to the start.
    void finish()
    {
        if (count_ > 1)
            step(turns_.front());
    }

private:
    void step(const Point& to)
    {
        const int code = stepCode(last_, to);
        if (lastCode_ >= 0 && code != lastCode_)
            turns_.push_back(last_);
        lastCode_ = code;
    }

    std::vector<Point>& turns_;
    std::uint64_t count_ = 0;
    Point last_;
    int lastCode_ = -1;
};

int sign(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

bool BorderShape::passes(Point p) const
{
    if (p.x < box.left || p.x > box.right || p.y < box.top || p.y > box.bottom)
        return false;
    for (std::size_t i = 0; i < turns.size(); ++i) {
        // Between two turns the walk goes straight, one pixel a step.
        const Point a = turns[i];
        const Point b = turns[(i + 1) % turns.size()];
        const int steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
        const int k = std::max(std::abs(p.x - a.x), std::abs(p.y - a.y));
        if (k <= steps && a.x + k * sign(b.x - a.x) == p.x && a.y + k * sign(b.y - a.y) == p.y)
            return true;
    }
    return false;
}

ViewerScene::ViewerScene(Bitmap bitmap)
    : bitmap_(std::move(bitmap))
{
}

const BorderAnalysis& ViewerScene::borders()
{
    if (borders_)
        return *borders_;
    BorderAnalysis analysis;
    BorderFollower follower(bitmap_);
    Border border;
    std::vector<Point> walk; // an outer border's pixels, for its defects
    std::size_t turnsKept = 0;
    for (std::uint64_t number = 1;; ++number) {
        if (analysis.borders.size() == kMaxBorders) {
            analysis.complete = !follower.next(border, [](const Point&) {});
            break;
        }
        BorderShape shape;
        TurnCollector turns(shape.turns);
        walk.clear();
        std::uint64_t length = 0;
        const bool found = follower.next(border, [&](const Point& p) {
            if (turnsKept + shape.turns.size() < kMaxTurns)
                turns.add(p);
            if (++length <= kMaxDefectPoints)
                walk.push_back(p);
        });
        if (!found)
            break;
        if (turnsKept + shape.turns.size() >= kMaxTurns) {
            analysis.complete = false;
            break;
        }
        turns.finish();
        turnsKept += shape.turns.size();
        shape.number = number;
        shape.hole = border.hole;
        shape.parent = border.parent;
        shape.box = boundingBox(shape.turns); // the walk runs straight between turns
        ++(shape.hole ? analysis.holes : analysis.outer);

        if (!shape.hole && length > kMaxDefectPoints) {
            ++analysis.tooLongForDefects;
        } else if (!shape.hole) {
            for (const Defect& d : convexityDefects(walk, hullIndices(walk)).defects) {
                analysis.defects.push_back(
                    { number, walk[d.start], walk[d.end], walk[d.farthest], d.depth });
                analysis.defectsBelowOnePixel += d.depth < 1.0;
            }
        }
        analysis.borders.push_back(std::move(shape));
    }
    std::stable_sort(analysis.defects.begin(), analysis.defects.end(),
        [](const DefectShape& a, const DefectShape& b) { return a.depth > b.depth; });
    borders_ = std::move(analysis);
    return *borders_;
}

const std::vector<Point>& ViewerScene::hull()
{
    if (!hull_)
        hull_ = pixelHull(bitmap_);
    return *hull_;
}

const DeficiencyAnalysis& ViewerScene::deficiency()
{
    if (deficiency_)
        return *deficiency_;
    DeficiencyMap map = deficiencyMap(bitmap_, hull());
    DeficiencyAnalysis analysis;
    analysis.lakes = map.lakes;
    analysis.bays = map.bays;
    analysis.lakeArea = map.lakeArea;
    analysis.bayArea = map.bayArea;
    // The map becomes the shades in place: one image-sized array at a time.
    analysis.shades = std::move(map.pixels);
    analysis.shades.resize(bitmap_.pixels.size(), 0);
    for (std::size_t i = 0; i < analysis.shades.size(); ++i) {
        const std::uint8_t c = analysis.shades[i];
        analysis.shades[i] = bitmap_.pixels[i] != 0 ? kShadeBlack
            : c == kLakePixel                       ? kShadeLake
            : c == kBayPixel                        ? kShadeBay
                                                    : 0;
    }
    deficiency_ = std::move(analysis);
    return *deficiency_;
}

const std::optional<vecplan::ZoneLayout>& ViewerScene::zones()
{
    if (!zones_)
        zones_ = vecplan::zoneLayout(bitmap_);
    return *zones_;
}

std::vector<const BorderShape*> ViewerScene::bordersAt(Point p)
{
    std::vector<const BorderShape*> found;
    for (const BorderShape& border : borders().borders) {
        if (border.passes(p))
            found.push_back(&border);
    }
    return found;
}

std::string borderName(const BorderShape& border)
{
    Border named;
    named.hole = border.hole;
    named.parent = border.parent;
    return borderName(border.number, named);
}

} // namespace vanto

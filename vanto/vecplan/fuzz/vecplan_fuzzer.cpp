// libFuzzer target for the recogniser. An input that starts with the
// reference set's signature is read as a reference set: a successful read
// must write back to text that reads the same, taught part included. Any
// other input that parses as a PBM of at most 2^16 pixels is cleaned and
// measured: every value lies between 0 and 1000, the shares of the zones
// and of the directions add up to about a thousand, the box lies inside the
// image, and the zone layout agrees with the vector. An input that starts
// with a space is a line's values: both readings of them agree.
#include "features.hpp"
#include "pbm.hpp"
#include "ranking.hpp"
#include "refset.hpp"
#include "values_text.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkRefset(std::string_view text)
{
    using namespace vanto::vecplan;
    const RefsetResult first = parseRefset(text, "fuzz");
    if (!first.ok()) {
        check(first.references.empty());
        check(first.error.find('\n') == std::string::npos);
        return;
    }
    std::string again = formatRefsetHeader();
    std::vector<Reference> taught;
    for (const Reference& r : first.references) {
        if (r.taught)
            taught.push_back(r);
        else
            again += formatReference(r);
    }
    again += formatTaughtPart(taught);
    const RefsetResult second = parseRefset(again, "fuzz");
    check(second.ok() && second.references.size() == first.references.size());
    for (std::size_t i = 0; i < first.references.size(); ++i) {
        check(second.references[i].label == first.references[i].label);
        check(second.references[i].origin == first.references[i].origin);
        check(second.references[i].values == first.references[i].values);
        check(second.references[i].taught == first.references[i].taught);
        check(second.references[i].image == first.references[i].image);
        check(second.references[i].taughtAt == first.references[i].taughtAt);
    }
    Ranker(first.references).rank(first.references.front().values, 5);
}

void checkValues(std::string_view text)
{
    using namespace vanto::vecplan;
    FeatureVector fast {}, careful {};
    const char* p = text.data();
    const bool fastRead = readValues(p, text.data() + text.size(), fast);
    check(!fastRead || p == text.data() + text.size());
    p = text.data();
    const bool carefulRead = readValuesOneByOne(p, text.data() + text.size(), careful);
    check(fastRead == carefulRead);
    check(!fastRead || fast == careful);
}

int sumOf(const vanto::vecplan::Features& f, int group)
{
    const auto& g = vanto::vecplan::kGroups[static_cast<std::size_t>(group)];
    int sum = 0;
    for (int i = g.offset; i < g.offset + g.count; ++i)
        sum += f.values[static_cast<std::size_t>(i)];
    return sum;
}

void checkFeatures(const vanto::Bitmap& image)
{
    using namespace vanto::vecplan;
    const auto f = computeFeatures(image);
    const auto layout = zoneLayout(image);
    check(f.has_value() == layout.has_value());
    if (!f)
        return;
    for (const int v : f->values)
        check(v >= 0 && v <= 1000);
    check(f->box.left >= 0 && f->box.top >= 0 && f->box.width > 0 && f->box.height > 0);
    check(f->box.left + f->box.width <= image.width);
    check(f->box.top + f->box.height <= image.height);
    // Rounding each share moves the sum by at most half a unit a value.
    check(std::abs(sumOf(*f, kZoneGroup) - 1000) <= 18);
    const int directions = sumOf(*f, kDirectionGroup);
    check(directions == 0 || std::abs(directions - 1000) <= 72);
    check(layout->measures.size() == static_cast<std::size_t>(kZones * kZones));
    check(layout->columnEdges.front() <= f->box.left + 1e-9);
    check(layout->columnEdges.back() >= f->box.left + f->box.width - 1e-9);
    check(layout->rowEdges.front() <= f->box.top + 1e-9);
    check(layout->rowEdges.back() >= f->box.top + f->box.height - 1e-9);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.starts_with("VECPLAN-REFSET")) {
        checkRefset(bytes);
        return 0;
    }
    if (bytes.starts_with(" ")) {
        checkValues(bytes);
        return 0;
    }
    const vanto::PbmResult result = vanto::parsePbm(bytes);
    if (result.ok() && result.bitmap.pixels.size() <= (1u << 16))
        checkFeatures(result.bitmap);
    return 0;
}

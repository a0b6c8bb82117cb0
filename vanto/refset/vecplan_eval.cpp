// vecplan_eval <refset.db> <evalset.db> [<minimum top-1 %, line> [<minimum, cropped>]]
//
// Recognises every vector of the evaluation set against the reference set
// and reports top-1 and top-5 accuracy, for digits with upper-case letters
// and for lower-case letters, for each framing (in the line's frame,
// cropped close) and each part of the held-out faces (test, validation,
// both), and the most frequent confusions. 0/O and 1/I count as one class
// each, since many faces draw them alike. With minimums, fails when the
// top-1 accuracy on digits and upper-case letters of all held-out faces is
// below them.
#include "refset.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

using vanto::vecplan::Candidate;

std::string folded(const std::string& label)
{
    if (label == "O")
        return "0";
    if (label == "I")
        return "1";
    return label;
}

// Also joins the letters whose two cases have one shape and differ only in
// size, which a single character cut out of its line cannot show.
std::string caseFolded(const std::string& label)
{
    static const std::string sameShape = "cosvwxz";
    if (label.size() == 1 && sameShape.find(label[0]) != std::string::npos)
        return std::string(1, static_cast<char>(label[0] - 'a' + 'A'));
    return folded(label);
}

bool isLower(const std::string& label)
{
    return label == "ñ" || (label.size() == 1 && label[0] >= 'a' && label[0] <= 'z');
}

struct Tally {
    int total = 0;
    int top1 = 0;
    int top5 = 0;
    int top1Exact = 0;
    int top1SameShape = 0;

    double percent(int n) const { return 100.0 * n / std::max(total, 1); }

    void print(const char* name) const
    {
        std::printf(
            "%-34s %5d  top-1 %6.2f %%  top-5 %6.2f %%  | top-1 sin unir 0/O, 1/I: %6.2f %%; "
            "uniendo además c o s v w x z: %6.2f %%\n",
            name, total, percent(top1), percent(top5), percent(top1Exact), percent(top1SameShape));
    }
};

// The fields of an evaluation origin: part/face/size/framing.
struct Origin {
    std::string part;
    std::string face;
    std::string framing;
};

Origin splitOrigin(const std::string& origin)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = origin.find('/', start);
        fields.push_back(origin.substr(start, slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    if (fields.size() != 4)
        return { "?", origin, "?" };
    return { fields[0], fields[1], fields[3] };
}

// The first word of a face's name in an origin: its capital and the small
// letters after it ("DejaVuSans-Bold/48px" is of the DejaVu family).
std::string familyOf(const std::string& origin)
{
    std::size_t end = 1;
    while (end < origin.size() && origin[end] >= 'a' && origin[end] <= 'z')
        ++end;
    return origin.substr(0, end);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5) {
        std::cerr << "Uso: vecplan_eval <refset.db> <evalset.db> [<top-1 mínimo en %, marco de "
                     "línea> [<top-1 mínimo en %, recortado>]]\n";
        return 2;
    }
    const auto refs = vanto::vecplan::readRefset(argv[1]);
    const auto evals = vanto::vecplan::readRefset(argv[2]);
    if (!refs.ok() || !evals.ok()) {
        std::cout << (refs.ok() ? evals.error : refs.error) << '\n';
        return 1;
    }

    // Keyed by framing, then part ("todas" for both), then class group.
    std::map<std::string, std::map<std::string, std::map<std::string, Tally>>> tallies;
    std::map<std::string, std::map<std::string, Tally>> byFace; // framing, face
    std::map<std::string, std::map<std::pair<std::string, std::string>, int>> confusions;
    for (const auto& sample : evals.references) {
        const std::vector<Candidate> ranked
            = vanto::vecplan::rankCandidates(sample.values, refs.references, 5);
        const std::string truth = folded(sample.label);
        const bool hit1 = !ranked.empty() && folded(ranked.front().label) == truth;
        const bool hit5 = std::any_of(ranked.begin(), ranked.end(),
            [&](const Candidate& c) { return folded(c.label) == truth; });
        const Origin origin = splitOrigin(sample.origin);
        const std::string group = isLower(sample.label) ? "Minúsculas" : "Dígitos y mayúsculas";
        auto& framing = tallies[origin.framing];
        for (Tally* tally : { &framing[origin.part][group], &framing["todas"][group],
                 &byFace[origin.framing][origin.face] }) {
            ++tally->total;
            tally->top1 += hit1;
            tally->top5 += hit5;
            tally->top1Exact += !ranked.empty() && ranked.front().label == sample.label;
            tally->top1SameShape
                += !ranked.empty() && caseFolded(ranked.front().label) == caseFolded(sample.label);
        }
        if (!hit1 && !ranked.empty())
            ++confusions[origin.framing][{ sample.label, ranked.front().label }];
    }

    std::printf("Referencias: %zu; muestras de evaluación: %zu\n", refs.references.size(),
        evals.references.size());
    for (const auto& [framing, parts] : tallies) {
        std::printf("\nMarco \"%s\":\n", framing.c_str());
        for (const char* part : { "prueba", "validacion", "todas" }) {
            const auto found = parts.find(part);
            if (found == parts.end())
                continue;
            for (const auto& [group, tally] : found->second)
                tally.print((std::string(part) + ": " + group).c_str());
        }
        std::printf("Por fuente (todas las clases):\n");
        for (const auto& [face, tally] : byFace[framing])
            tally.print(face.c_str());

        std::vector<std::pair<int, std::pair<std::string, std::string>>> ordered;
        for (const auto& [pair, count] : confusions[framing])
            ordered.push_back({ count, pair });
        std::stable_sort(ordered.begin(), ordered.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
        std::printf("Confusiones más frecuentes (verdadero -> reconocido: veces):\n ");
        for (std::size_t i = 0; i < ordered.size() && i < 16; ++i)
            std::printf(" %s->%s: %d;", ordered[i].second.first.c_str(),
                ordered[i].second.second.c_str(), ordered[i].first);
        std::printf("\n");
    }

    // Cross-validation by family inside the reference set: every reference
    // against the references of the other families (the first word of the
    // face's name: DejaVu, Liberation, Go...), in its frame and with the
    // frame taken away as a close crop would; more faces to tune on than
    // the validation part alone.
    std::map<std::string, std::map<std::string, Tally>> crossed; // framing, group
    for (const auto& sample : refs.references) {
        const std::string family = familyOf(sample.origin);
        std::vector<vanto::vecplan::Reference> others;
        for (const auto& r : refs.references)
            if (familyOf(r.origin) != family)
                others.push_back(r);
        vanto::vecplan::FeatureVector cropped = sample.values;
        const auto frame
            = static_cast<std::size_t>(vanto::vecplan::kGroups[vanto::vecplan::kFrameGroup].offset);
        std::fill(cropped.begin() + static_cast<std::ptrdiff_t>(frame), cropped.end(), 0);
        const std::string group = isLower(sample.label) ? "Minúsculas" : "Dígitos y mayúsculas";
        for (const auto& [framing, values] :
            { std::pair { "linea", sample.values }, std::pair { "recorte", cropped } }) {
            const auto ranked = vanto::vecplan::rankCandidates(values, others, 5);
            Tally& t = crossed[framing][group];
            ++t.total;
            t.top1 += !ranked.empty() && folded(ranked.front().label) == folded(sample.label);
            t.top5 += std::any_of(ranked.begin(), ranked.end(),
                [&](const Candidate& c) { return folded(c.label) == folded(sample.label); });
            t.top1Exact += !ranked.empty() && ranked.front().label == sample.label;
            t.top1SameShape
                += !ranked.empty() && caseFolded(ranked.front().label) == caseFolded(sample.label);
        }
    }
    std::printf("\nValidación cruzada por familia en las referencias:\n");
    for (const auto& [framing, groups] : crossed)
        for (const auto& [group, tally] : groups)
            tally.print((std::string("cruzada ") + framing + ": " + group).c_str());

    // The minimums apply to digits and upper-case letters of all the
    // held-out faces, in each framing.
    bool failed = false;
    for (int i = 3; i < argc; ++i) {
        const char* framing = i == 3 ? "linea" : "recorte";
        const double minimum = std::atof(argv[i]);
        const Tally& t = tallies[framing]["todas"]["Dígitos y mayúsculas"];
        if (t.total == 0 || t.percent(t.top1) < minimum) {
            std::printf("\nFALLO: top-1 de dígitos y mayúsculas (marco \"%s\") por debajo del "
                        "%.2f %%\n",
                framing, minimum);
            failed = true;
        }
    }
    return failed ? 1 : 0;
}

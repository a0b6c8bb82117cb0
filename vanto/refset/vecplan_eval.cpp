// vecplan_eval <refset.db> <evalset.db> [<minimum top-1 %>]
//
// Recognises every vector of the evaluation set against the reference set
// and reports top-1 and top-5 accuracy, for digits with upper-case letters
// and for lower-case letters, and the most frequent confusions. 0/O and 1/I
// count as one class each, since many faces draw them alike. With a minimum,
// fails when the top-1 accuracy on digits and upper-case letters is below it.
#include "refset.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>

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
            "%-24s %5d  top-1 %6.2f %%  top-5 %6.2f %%  | top-1 sin unir 0/O, 1/I: %6.2f %%; "
            "uniendo además c o s v w x z: %6.2f %%\n",
            name, total, percent(top1), percent(top5), percent(top1Exact), percent(top1SameShape));
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::cerr << "Uso: vecplan_eval <refset.db> <evalset.db> [<top-1 mínimo en %>]\n";
        return 2;
    }
    const auto refs = vanto::vecplan::readRefset(argv[1]);
    const auto evals = vanto::vecplan::readRefset(argv[2]);
    if (!refs.ok() || !evals.ok()) {
        std::cout << (refs.ok() ? evals.error : refs.error) << '\n';
        return 1;
    }

    Tally upper, lower;
    std::map<std::string, Tally> byFace;
    std::map<std::pair<std::string, std::string>, int> confusions;
    for (const auto& sample : evals.references) {
        const std::vector<Candidate> ranked
            = vanto::vecplan::rankCandidates(sample.values, refs.references, 5);
        const std::string truth = folded(sample.label);
        const bool hit1 = !ranked.empty() && folded(ranked.front().label) == truth;
        const bool hit5 = std::any_of(ranked.begin(), ranked.end(),
            [&](const Candidate& c) { return folded(c.label) == truth; });
        Tally& t = isLower(sample.label) ? lower : upper;
        Tally& f = byFace[sample.origin.substr(0, sample.origin.find('/'))];
        for (Tally* tally : { &t, &f }) {
            ++tally->total;
            tally->top1 += hit1;
            tally->top5 += hit5;
            tally->top1Exact += !ranked.empty() && ranked.front().label == sample.label;
            tally->top1SameShape
                += !ranked.empty() && caseFolded(ranked.front().label) == caseFolded(sample.label);
        }
        if (!hit1 && !ranked.empty())
            ++confusions[{ sample.label, ranked.front().label }];
    }

    std::printf("Referencias: %zu; muestras de evaluación: %zu\n", refs.references.size(),
        evals.references.size());
    upper.print("Dígitos y mayúsculas");
    lower.print("Minúsculas");
    std::printf("\nPor fuente (todas las clases):\n");
    for (const auto& [face, tally] : byFace)
        tally.print(face.c_str());

    std::vector<std::pair<int, std::pair<std::string, std::string>>> ordered;
    for (const auto& [pair, count] : confusions)
        ordered.push_back({ count, pair });
    std::stable_sort(ordered.begin(), ordered.end(),
        [](const auto& a, const auto& b) { return a.first > b.first; });
    std::printf("\nConfusiones más frecuentes (verdadero -> reconocido: veces):\n");
    for (std::size_t i = 0; i < ordered.size() && i < 20; ++i)
        std::printf("  %s -> %s: %d\n", ordered[i].second.first.c_str(),
            ordered[i].second.second.c_str(), ordered[i].first);
    if (argc == 4) {
        const double minimum = std::atof(argv[3]);
        if (upper.percent(upper.top1) < minimum) {
            std::printf("\nFALLO: top-1 de dígitos y mayúsculas por debajo del %.2f %%\n", minimum);
            return 1;
        }
    }
    return 0;
}

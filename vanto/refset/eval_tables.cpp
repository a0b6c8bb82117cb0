#include "eval_tables.hpp"

#include "ranking.hpp"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace vanto::refset::evaluation {

std::string folded(const std::string& label)
{
    if (label == "O" || label == "o")
        return "0";
    if (label == "I" || label == "l")
        return "1";
    static const std::string sameShape = "csvwxz";
    if (label.size() == 1 && sameShape.find(label[0]) != std::string::npos)
        return std::string(1, static_cast<char>(label[0] - 'a' + 'A'));
    return label;
}

const char* groupOf(const std::string& label)
{
    const bool lower = label == "ñ" || (label.size() == 1 && label[0] >= 'a' && label[0] <= 'z');
    return lower ? "minusculas" : "mayusculas";
}

void count(Table& table, const Entry& entry, bool hit)
{
    table[entry.condition][groupOf(entry.label)].add(hit);
    if (entry.condition == "limpio" && entry.style != "normal")
        table[entry.style + "-limpio"][groupOf(entry.label)].add(hit);
}

std::vector<std::string> tableRows()
{
    std::vector<std::string> rows;
    for (const Condition& c : conditions())
        rows.emplace_back(c.name);
    for (const char* style : { "negrita", "cursiva" })
        rows.push_back(std::string(style) + "-limpio");
    return rows;
}

void printTable(const std::string& title, const std::vector<std::string>& rows, const Table& ours,
    const Table* theirs)
{
    std::printf("\n%s\n", title.c_str());
    std::printf("%-28s %7s | %-22s | %-22s\n", "", "", "Dígitos y mayúsculas", "Minúsculas y ñ");
    std::printf("%-28s %7s | %10s %11s | %10s %11s\n", "condición", "imágenes", "VECPLAN",
        theirs ? "Tesseract" : "", "VECPLAN", theirs ? "Tesseract" : "");
    for (const std::string& row : rows) {
        const auto found = ours.find(row);
        if (found == ours.end())
            continue;
        const auto& groups = found->second;
        const Tally& upper = groups.count("mayusculas") ? groups.at("mayusculas") : Tally {};
        const Tally& lower = groups.count("minusculas") ? groups.at("minusculas") : Tally {};
        std::printf(
            "%-28s %7d |   %6.2f %%", row.c_str(), upper.total + lower.total, upper.percent());
        if (theirs)
            std::printf("    %6.2f %%", theirs->at(row).at("mayusculas").percent());
        else
            std::printf("%11s", "");
        std::printf(" |   %6.2f %%", lower.percent());
        if (theirs)
            std::printf("    %6.2f %%", theirs->at(row).at("minusculas").percent());
        std::printf("\n");
    }
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p / 100 * static_cast<double>(v.size() - 1))];
}

void printDoubt(const char* part, const Doubt& d, int noiseImages)
{
    std::printf("\nDudas, parte de %s (dudoso: más de %.1f veces la distancia habitual):\n", part,
        vanto::vecplan::kDoubtFactor);
    std::printf("  aciertos marcados como dudosos: %d de %d (%.2f %%); lejanía de los aciertos: "
                "mediana %.2f, percentil 98 %.2f\n",
        d.rightFlagged.right, d.rightFlagged.total, d.rightFlagged.percent(),
        percentile(d.rightFarness, 50), percentile(d.rightFarness, 98));
    std::printf("  ruido: %d imágenes, %d en blanco tras la limpieza; de las otras %d, dudosas %d "
                "(%.2f %%); la menor lejanía %.2f\n",
        noiseImages, d.noiseBlank, d.noiseFlagged.total, d.noiseFlagged.right,
        d.noiseFlagged.percent(), d.noiseNearest);
}

void printConfusions(const Confusions& confusions)
{
    std::vector<std::pair<int, std::pair<std::string, std::string>>> ordered;
    for (const auto& [pair, times] : confusions)
        ordered.push_back({ times, pair });
    std::stable_sort(ordered.begin(), ordered.end(),
        [](const auto& a, const auto& b) { return a.first > b.first; });
    std::printf("\nConfusiones más frecuentes en validación (verdadero -> reconocido: veces):\n ");
    for (std::size_t i = 0; i < ordered.size() && i < 24; ++i)
        std::printf(" %s->%s: %d;", ordered[i].second.first.c_str(),
            ordered[i].second.second.c_str(), ordered[i].first);
    std::printf("\n");
}

std::vector<std::string> belowMinimums(
    const Table& table, const std::string& minimums, const std::string& name)
{
    std::vector<std::string> faults;
    std::istringstream lines(minimums);
    int checked = 0;
    for (std::string text; std::getline(lines, text);) {
        std::istringstream fields(text);
        std::string row, group;
        double minimum = 0;
        if (text.empty() || text.front() == '#' || !(fields >> row >> group >> minimum))
            continue;
        ++checked;
        const auto found = table.find(row);
        const double got = found == table.end() || !found->second.count(group)
            ? -1
            : found->second.at(group).percent();
        if (got < minimum) {
            static constexpr const char* kFault
                = "FALLO (validación): %s, %s: %.2f %% por debajo del mínimo %.2f %%";
            std::string fault(
                std::snprintf(nullptr, 0, kFault, row.c_str(), group.c_str(), got, minimum), '\0');
            std::snprintf(
                fault.data(), fault.size() + 1, kFault, row.c_str(), group.c_str(), got, minimum);
            faults.push_back(std::move(fault));
        }
    }
    if (checked == 0)
        faults.push_back("FALLO: " + name + " no tiene ningún mínimo");
    return faults;
}

} // namespace vanto::refset::evaluation

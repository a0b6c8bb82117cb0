// vecplan_eval <refset.db> <evaluation folder> [--tesseract] [--minimos <file>]
// vecplan_eval <refset.db> --dibujar <parts and conditions> [--minimos <file>]
//
// Recognises every image of the evaluation folder (written by refset_gen),
// or draws the images of the parts and conditions named (as refset_gen's
// filter, "" for all) in memory and recognises them,
// with VECPLAN.EXE's library against the reference set and prints top-1
// accuracy for every condition (clean, rotated, thicker, thinner, specks,
// cropped), for digits with upper-case letters and for lower-case letters
// apart, on the test part (the figures reported) and on the validation
// part (the one tuning looks at), and the bold and italic faces' clean
// images. 0/O/o, 1/I/l and the same-shape case pairs c/C s/S v/V w/W x/X
// z/Z count as one class each: a character cut from its line cannot show
// its size. With --tesseract, Tesseract 5 (--psm 10, -l spa) reads the
// same test images and its figures stand beside ours; when it is not
// installed, its column is left out with a line saying so. With
// --minimos, fails when a test figure is below its minimum in the file
// (lines "<condition> <mayusculas|minusculas> <minimum %>").
#include "evaluation.hpp"
#include "ranking.hpp"
#include "refset.hpp"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace ev = vanto::refset::evaluation;

// One class for the characters that a character cut from its line cannot
// tell apart.
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

bool isLower(const std::string& label)
{
    return label == "ñ" || (label.size() == 1 && label[0] >= 'a' && label[0] <= 'z');
}

const char* groupOf(const std::string& label)
{
    return isLower(label) ? "minusculas" : "mayusculas";
}

struct Tally {
    int total = 0;
    int right = 0;

    void add(bool hit)
    {
        ++total;
        right += hit;
    }
    double percent() const { return 100.0 * right / std::max(total, 1); }
};

// Row (condition or face style), group ("mayusculas" or "minusculas").
using Table = std::map<std::string, std::map<std::string, Tally>>;

// The whole file at path, or nothing once it has said why not.
std::optional<std::string> readWhole(const std::string& path)
{
    vanto::FileBytes file = vanto::readRegularFile(path, 64u * 1024 * 1024);
    if (!file.ok()) {
        std::cout << "vecplan_eval: " << path << ": " << file.error << '\n';
        return std::nullopt;
    }
    return std::move(file.bytes);
}

// The first UTF-8 character of what a recogniser printed, spaces trimmed.
std::string firstCharacter(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    if (i == text.size())
        return {};
    std::size_t length = 1;
    const auto lead = static_cast<unsigned char>(text[i]);
    if ((lead & 0xE0) == 0xC0)
        length = 2;
    else if ((lead & 0xF0) == 0xE0)
        length = 3;
    else if ((lead & 0xF8) == 0xF0)
        length = 4;
    return text.substr(i, length);
}

std::string commandOutput(const std::string& command, bool& ok)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    ok = pipe != nullptr;
    if (!pipe)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ok = ::pclose(pipe) == 0;
    return out;
}

// Tesseract's answers for the images, in order, read by a few processes
// side by side, each given a list of images (one page each, its answers
// separated by form feeds), so the model loads once a process. Empty when
// Tesseract is missing or fails, with a message in `why`.
std::vector<std::string> tesseractAnswers(const std::string& folder,
    const std::vector<std::string>& files, std::string& version, std::string& why)
{
    bool ok = false;
    version = commandOutput("tesseract --version 2>&1", ok);
    version = version.substr(0, version.find('\n'));
    if (!ok) {
        why = "Tesseract no está instalado: se omite su columna (como root, el paso de "
              "instalación de vecplan_accuracy lo instala; a mano: apt-get install "
              "tesseract-ocr tesseract-ocr-spa).";
        return {};
    }
    constexpr std::size_t kProcesses = 2;
    const std::size_t chunk = (files.size() + kProcesses - 1) / kProcesses;
    std::vector<std::vector<std::string>> answers(kProcesses);
    std::vector<bool> good(kProcesses, false);
    std::vector<std::thread> workers;
    for (std::size_t p = 0; p < kProcesses; ++p) {
        workers.emplace_back([&, p] {
            const std::size_t from = std::min(files.size(), p * chunk);
            const std::size_t to = std::min(files.size(), from + chunk);
            if (from == to) {
                good[p] = true;
                return;
            }
            const std::string list = folder + "/tesseract-" + std::to_string(p) + ".txt";
            {
                std::ofstream out(list, std::ios::binary | std::ios::trunc);
                for (std::size_t i = from; i < to; ++i)
                    out << folder << "/" << files[i] << "\n";
            }
            bool ran = false;
            const std::string out
                = commandOutput("tesseract '" + list + "' stdout --psm 10 -l spa 2>/dev/null", ran);
            // Pages are separated by form feeds (none after the last).
            std::vector<std::string> pages;
            std::size_t start = 0;
            for (std::size_t f; (f = out.find('\f', start)) != std::string::npos; start = f + 1)
                pages.push_back(out.substr(start, f - start));
            pages.push_back(out.substr(start));
            good[p] = ran && pages.size() == to - from;
            answers[p] = std::move(pages);
        });
    }
    for (std::thread& t : workers)
        t.join();
    std::vector<std::string> all;
    for (std::size_t p = 0; p < kProcesses; ++p) {
        if (!good[p]) {
            why = "Tesseract falló o no leyó todas las imágenes: se omite su columna.";
            return {};
        }
        all.insert(all.end(), answers[p].begin(), answers[p].end());
    }
    return all;
}

void printTable(
    const char* title, const std::vector<std::string>& rows, const Table& ours, const Table* theirs)
{
    std::printf("\n%s\n", title);
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

} // namespace

int main(int argc, char** argv)
{
    const bool draw = argc >= 4 && std::string(argv[2]) == "--dibujar";
    if (argc < 3 || (draw && argc < 4)) {
        std::cerr << "Uso: vecplan_eval <refset.db> <carpeta de evaluación> [--tesseract] "
                     "[--minimos <archivo>]\n"
                     "     vecplan_eval <refset.db> --dibujar <partes y condiciones> "
                     "[--minimos <archivo>]\n";
        return 2;
    }
    bool withTesseract = false;
    std::string minimumsFile;
    for (int i = draw ? 4 : 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--tesseract") {
            withTesseract = true;
        } else if (a == "--minimos" && i + 1 < argc) {
            minimumsFile = argv[++i];
        } else {
            std::cerr << "vecplan_eval: argumento desconocido " << a << '\n';
            return 2;
        }
    }
    const std::string folder = draw ? std::string() : std::string(argv[2]);
    const auto refs = vanto::vecplan::readRefset(argv[1]);
    if (!refs.ok()) {
        std::cout << refs.error << '\n';
        return 1;
    }
    std::vector<ev::Entry> entries;
    std::vector<ev::Planned> planned;
    std::unique_ptr<QGuiApplication> app;
    if (draw) {
        // Only outlines are drawn, into images in memory: no display is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        planned = ev::plan(argv[3]);
        for (const ev::Planned& p : planned)
            entries.push_back(p.entry);
        if (withTesseract) {
            std::cerr << "vecplan_eval: Tesseract solo lee imágenes de una carpeta\n";
            return 2;
        }
    } else {
        const std::optional<std::string> index = readWhole(folder + "/" + std::string(ev::kIndexName));
        if (!index)
            return 1;
        std::string error;
        entries = ev::parseIndex(*index, error);
        if (!error.empty()) {
            std::cout << "vecplan_eval: " << folder << "/" << ev::kIndexName << ": " << error
                      << '\n';
            return 1;
        }
    }
    if (entries.empty()) {
        std::cout << "vecplan_eval: ninguna imagen que evaluar\n";
        return 1;
    }

    const vanto::vecplan::Ranker ranker(refs.references);
    std::map<std::string, Table> ours; // part, then row and group
    std::map<std::string, std::map<std::pair<std::string, std::string>, int>> confusions;
    std::vector<std::string> testFiles;
    std::vector<const ev::Entry*> testEntries;
    int cleaned = 0, cleanImages = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ev::Entry& e = entries[i];
        vanto::Bitmap bitmap;
        if (draw) {
            const ev::Planned& p = planned[i];
            auto glyph = ev::render(*p.face, e.size, e.label, *p.condition, p.serial);
            if (!glyph.error.empty()) {
                std::cout << "vecplan_eval: " << glyph.error << '\n';
                return 1;
            }
            bitmap = std::move(glyph.bitmap);
        } else {
            vanto::PbmResult image = vanto::readPbm(folder + "/" + e.file);
            if (!image.ok()) {
                std::cout << image.error << '\n';
                return 1;
            }
            bitmap = std::move(image.bitmap);
        }
        const auto features = vanto::vecplan::computeFeatures(bitmap);
        std::string answer;
        if (features) {
            const auto ranked = ranker.rank(features->values, 1);
            if (!ranked.empty())
                answer = ranked.front().label;
            if (e.condition == "limpio") {
                ++cleanImages;
                cleaned += features->cleaning.specks > 0 || features->cleaning.holes > 0;
            }
        }
        const bool hit = folded(answer) == folded(e.label);
        Table& table = ours[e.part];
        table[e.condition][groupOf(e.label)].add(hit);
        if (e.condition == "limpio" && e.style != "normal")
            table[e.style + "-limpio"][groupOf(e.label)].add(hit);
        if (!hit)
            ++confusions[e.part][{ e.label, answer.empty() ? "(nada)" : answer }];
        if (e.part == ev::kTest) {
            testFiles.push_back(e.file);
            testEntries.push_back(&e);
        }
    }

    std::vector<std::string> rows;
    for (const ev::Condition& c : ev::conditions())
        rows.emplace_back(c.name);
    for (const char* style : { "negrita", "cursiva" })
        rows.push_back(std::string(style) + "-limpio");

    std::printf("Evaluación de VECPLAN.EXE: %zu referencias; imágenes de fuentes que no están en "
                "ellas, a",
        refs.references.size());
    for (const int size : vanto::refset::kEvaluationSizes)
        std::printf(" %d", size);
    std::printf(" píxeles por eme.\nTop-1 en %%; 0/O/o, 1/I/l y c/C o/O s/S v/V w/W x/X z/Z "
                "cuentan como una clase cada uno.\nCondiciones:\n");
    for (const ev::Condition& c : ev::conditions())
        std::printf("  %-8s %s\n", std::string(c.name).c_str(), std::string(c.description).c_str());
    std::printf("  negrita-limpio, cursiva-limpio: las fuentes negritas y las cursivas, limpias\n");
    std::printf("La limpieza tocó %d de %d imágenes limpias.\n", cleaned, cleanImages);

    Table tesseract;
    bool haveTesseract = false;
    std::string tesseractVersion;
    if (withTesseract) {
        std::string why;
        const auto answers = tesseractAnswers(folder, testFiles, tesseractVersion, why);
        if (answers.empty()) {
            std::printf("%s\n", why.c_str());
        } else {
            haveTesseract = true;
            for (std::size_t i = 0; i < answers.size(); ++i) {
                const ev::Entry& e = *testEntries[i];
                const bool hit = folded(firstCharacter(answers[i])) == folded(e.label);
                tesseract[e.condition][groupOf(e.label)].add(hit);
                if (e.condition == "limpio" && e.style != "normal")
                    tesseract[e.style + "-limpio"][groupOf(e.label)].add(hit);
            }
        }
    } else {
        std::printf("Sin --tesseract: solo VECPLAN.EXE.\n");
    }

    const std::string testTitle = "Parte de PRUEBA (las cifras que se informan)"
        + (haveTesseract ? "; Tesseract: " + tesseractVersion + ", --psm 10 -l spa, mismas imágenes"
                         : std::string());
    printTable(testTitle.c_str(), rows, ours[std::string(ev::kTest)],
        haveTesseract ? &tesseract : nullptr);
    printTable("Parte de VALIDACIÓN (la única que mira el ajuste)", rows,
        ours[std::string(ev::kValidation)], nullptr);

    std::vector<std::pair<int, std::pair<std::string, std::string>>> ordered;
    for (const auto& [pair, count] : confusions[std::string(ev::kValidation)])
        ordered.push_back({ count, pair });
    std::stable_sort(ordered.begin(), ordered.end(),
        [](const auto& a, const auto& b) { return a.first > b.first; });
    std::printf("\nConfusiones más frecuentes en validación (verdadero -> reconocido: veces):\n ");
    for (std::size_t i = 0; i < ordered.size() && i < 24; ++i)
        std::printf(" %s->%s: %d;", ordered[i].second.first.c_str(),
            ordered[i].second.second.c_str(), ordered[i].first);
    std::printf("\n");

    bool failed = false;
    if (!minimumsFile.empty()) {
        const std::optional<std::string> minimums = readWhole(minimumsFile);
        if (!minimums)
            return 1;
        std::istringstream lines(*minimums);
        int checked = 0;
        const Table& test = ours[std::string(ev::kTest)];
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string condition, group;
            double minimum = 0;
            if (line.empty() || line.front() == '#' || !(fields >> condition >> group >> minimum))
                continue;
            ++checked;
            const auto row = test.find(condition);
            const double got = row == test.end() || !row->second.count(group)
                ? -1
                : row->second.at(group).percent();
            if (got < minimum) {
                std::printf("FALLO: %s, %s: %.2f %% por debajo del mínimo %.2f %%\n",
                    condition.c_str(), group.c_str(), got, minimum);
                failed = true;
            }
        }
        if (checked == 0) {
            std::printf("FALLO: %s no tiene ningún mínimo\n", minimumsFile.c_str());
            failed = true;
        }
    }
    return failed ? 1 : 0;
}

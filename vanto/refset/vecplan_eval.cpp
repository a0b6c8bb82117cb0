// vecplan_eval <refset.db> <evaluation folder> [options]
// vecplan_eval <refset.db> --dibujar <parts and conditions> [options]
//   options: --prueba, --tesseract, --ensena <list>, --minimos <file>
//
// Recognises every image of the evaluation folder (written by refset_gen),
// or draws the images of the parts and conditions named (as refset_gen's
// filter, "" for all) in memory and recognises them, with VECPLAN.EXE's
// library against the reference set, and prints top-1 accuracy for every
// condition (clean, rotated, thicker, thinner, specks, cropped), for digits
// with upper-case letters and for lower-case letters apart, and the bold
// and italic faces' clean images. 0/O/o, 1/I/l and the same-shape case
// pairs c/C s/S v/V w/W x/X z/Z count as one class each: a character cut
// from its line cannot show its size. It also reads images of random
// specks, which should all be flagged as doubtful, and counts the right
// answers flagged.
//
// Every choice made while tuning looks at the validation part only: it is
// the part printed and the part --minimos holds to its minimums (lines
// "<row> <group> <minimum %>"). The test part's figures, the ones
// reported, are printed only with --prueba; with --tesseract too,
// Tesseract 5 (--psm 10, -l spa) reads the same test images and its
// figures stand beside ours (when it is not installed, its column is left
// out with a line saying so). --ensena adds taught references, one per
// line "<character> <image.pbm>" of the list, measured as VECPLAN.EXE
// measures an image, to the reference set.
#include "evaluation.hpp"
#include "file_failure.hpp"
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
#include <random>
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
        std::cout << "vecplan_eval: " << path << ": " << glifora::wording::whyNotRead(file.failure)
                  << '\n';
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

// The taught references of a list ("<character> <image.pbm>" a line,
// "#" comments), measured as VECPLAN.EXE measures an image; nothing when a
// line or an image is not right, once it has said why.
std::optional<std::vector<vanto::vecplan::Reference>> taughtReferences(const std::string& list)
{
    const std::optional<std::string> text = readWhole(list);
    if (!text)
        return std::nullopt;
    std::vector<vanto::vecplan::Reference> taught;
    std::istringstream lines(*text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t space = line.find(' ');
        if (space == std::string::npos || space == 0 || space + 1 == line.size()) {
            std::cout << "vecplan_eval: " << list << ": línea " << number << " no válida\n";
            return std::nullopt;
        }
        const std::string path = line.substr(space + 1);
        const vanto::PbmResult image = vanto::readPbm(path);
        if (!image.ok()) {
            std::cout << image.error << '\n';
            return std::nullopt;
        }
        const auto features = vanto::vecplan::computeFeatures(image.bitmap);
        if (!features) {
            std::cout << "vecplan_eval: " << path << " está en blanco: no se enseña\n";
            return std::nullopt;
        }
        taught.push_back({ line.substr(0, space), path, features->values, true });
    }
    return taught;
}

// Images of nothing but random specks, of random sizes and densities, the
// same on every machine for each part (the two parts draw apart).
constexpr int kNoiseImages = 200;

vanto::Bitmap noiseImage(const std::string& part, int serial)
{
    std::mt19937 random(
        (part == ev::kTest ? 0x7e570000u : 0x5a110000u) + static_cast<unsigned>(serial));
    vanto::Bitmap b;
    b.width = 12 + static_cast<int>(random() % 88);
    b.height = 12 + static_cast<int>(random() % 88);
    const int perMille = 30 + static_cast<int>(random() % 571);
    b.pixels.resize(static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height));
    for (std::uint8_t& p : b.pixels)
        p = static_cast<int>(random() % 1000) < perMille ? 1 : 0;
    return b;
}

// What the doubt says, per part: right answers flagged, and noise flagged
// (noise that the cleaning leaves blank has no character at all).
struct Doubt {
    Tally rightFlagged; // among right answers: flagged
    Tally noiseFlagged; // among noise images with a character: flagged
    int noiseBlank = 0;
    std::vector<double> rightFarness; // of the right answers, to show the margin
    double noiseNearest = 1e300; // the least farness of any noise image
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p / 100 * static_cast<double>(v.size() - 1))];
}

void printDoubt(const char* part, const Doubt& d)
{
    std::printf("\nDudas, parte de %s (dudoso: más de %.1f veces la distancia habitual):\n", part,
        vanto::vecplan::kDoubtFactor);
    std::printf("  aciertos marcados como dudosos: %d de %d (%.2f %%); lejanía de los aciertos: "
                "mediana %.2f, percentil 98 %.2f\n",
        d.rightFlagged.right, d.rightFlagged.total, d.rightFlagged.percent(),
        percentile(d.rightFarness, 50), percentile(d.rightFarness, 98));
    std::printf("  ruido: %d imágenes, %d en blanco tras la limpieza; de las otras %d, dudosas %d "
                "(%.2f %%); la menor lejanía %.2f\n",
        kNoiseImages, d.noiseBlank, d.noiseFlagged.total, d.noiseFlagged.right,
        d.noiseFlagged.percent(), d.noiseNearest);
}

} // namespace

int main(int argc, char** argv)
{
    const bool draw = argc >= 4 && std::string(argv[2]) == "--dibujar";
    if (argc < 3 || (draw && argc < 4)) {
        std::cerr << "Uso: vecplan_eval <refset.db> <carpeta de evaluación> [--prueba] "
                     "[--tesseract] [--ensena <lista>] [--minimos <archivo>]\n"
                     "     vecplan_eval <refset.db> --dibujar <partes y condiciones> [--prueba] "
                     "[--ensena <lista>] [--minimos <archivo>]\n";
        return 2;
    }
    bool withTest = false, withTesseract = false;
    std::string minimumsFile, taughtList;
    for (int i = draw ? 4 : 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--prueba") {
            withTest = true;
        } else if (a == "--tesseract") {
            withTesseract = true;
        } else if (a == "--minimos" && i + 1 < argc) {
            minimumsFile = argv[++i];
        } else if (a == "--ensena" && i + 1 < argc) {
            taughtList = argv[++i];
        } else {
            std::cerr << "vecplan_eval: argumento desconocido " << a << '\n';
            return 2;
        }
    }
    if (withTesseract && (draw || !withTest)) {
        std::cerr << "vecplan_eval: Tesseract solo lee las imágenes de prueba de una carpeta "
                     "(--prueba)\n";
        return 2;
    }
    const std::string folder = draw ? std::string() : std::string(argv[2]);
    const auto refs = vanto::vecplan::readRefset(argv[1]);
    if (!refs.ok()) {
        std::cout << refs.error << '\n';
        return 1;
    }
    vanto::vecplan::Ranker ranker(refs.references);
    std::size_t taughtCount = 0;
    if (!taughtList.empty()) {
        const auto taught = taughtReferences(taughtList);
        if (!taught)
            return 1;
        for (const vanto::vecplan::Reference& r : *taught)
            ranker.add(r);
        taughtCount = taught->size();
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
        // The test part is not even drawn unless asked for.
        if (!withTest)
            std::erase_if(planned, [](const ev::Planned& p) { return p.entry.part == ev::kTest; });
        for (const ev::Planned& p : planned)
            entries.push_back(p.entry);
    } else {
        const std::optional<std::string> index
            = readWhole(folder + "/" + std::string(ev::kIndexName));
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
    // Nor read.
    if (!withTest)
        std::erase_if(entries, [](const ev::Entry& e) { return e.part == ev::kTest; });
    if (entries.empty()) {
        std::cout << "vecplan_eval: ninguna imagen que evaluar\n";
        return 1;
    }

    std::map<std::string, Table> ours; // part, then row and group
    std::map<std::string, Doubt> doubts; // per part
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
        vanto::vecplan::Ranking recognition;
        if (features) {
            recognition = ranker.rank(features->values, 1);
            if (!recognition.candidates.empty())
                answer = recognition.candidates.front().label;
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
        if (hit) {
            Doubt& d = doubts[e.part];
            d.rightFlagged.add(recognition.doubtful);
            d.rightFarness.push_back(recognition.farness());
        } else {
            ++confusions[e.part][{ e.label, answer.empty() ? "(nada)" : answer }];
        }
        if (e.part == ev::kTest) {
            testFiles.push_back(e.file);
            testEntries.push_back(&e);
        }
    }
    for (auto& [part, d] : doubts) {
        for (int n = 0; n < kNoiseImages; ++n) {
            const auto features = vanto::vecplan::computeFeatures(noiseImage(part, n));
            if (!features) {
                ++d.noiseBlank;
                continue;
            }
            const auto recognition = ranker.rank(features->values, 1);
            d.noiseFlagged.add(recognition.doubtful);
            d.noiseNearest = std::min(d.noiseNearest, recognition.farness());
        }
        Table& table = ours[part];
        table["ruido"]["dudosas"] = d.noiseFlagged;
        Tally notFlagged;
        notFlagged.total = d.rightFlagged.total;
        notFlagged.right = d.rightFlagged.total - d.rightFlagged.right;
        table["aciertos"]["no-dudosos"] = notFlagged;
    }

    std::vector<std::string> rows;
    for (const ev::Condition& c : ev::conditions())
        rows.emplace_back(c.name);
    for (const char* style : { "negrita", "cursiva" })
        rows.push_back(std::string(style) + "-limpio");

    std::printf("Evaluación de VECPLAN.EXE: %zu referencias de serie", refs.references.size());
    if (!taughtList.empty())
        std::printf(" y %zu enseñadas (%s)", taughtCount, taughtList.c_str());
    std::printf("; imágenes de fuentes que no están en ellas, a");
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
    } else if (withTest) {
        std::printf("Sin --tesseract: solo VECPLAN.EXE.\n");
    }

    const std::string validation(ev::kValidation), test(ev::kTest);
    if (ours.count(validation)) {
        printTable(
            "Parte de VALIDACIÓN (la única que mira el ajuste)", rows, ours[validation], nullptr);
        printDoubt("validación", doubts[validation]);
    }
    if (withTest && ours.count(test)) {
        const std::string testTitle = "Parte de PRUEBA (las cifras que se informan)"
            + (haveTesseract
                    ? "; Tesseract: " + tesseractVersion + ", --psm 10 -l spa, mismas imágenes"
                    : std::string());
        printTable(testTitle.c_str(), rows, ours[test], haveTesseract ? &tesseract : nullptr);
        printDoubt("prueba", doubts[test]);
    }

    std::vector<std::pair<int, std::pair<std::string, std::string>>> ordered;
    for (const auto& [pair, count] : confusions[validation])
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
        const Table& checkedPart = ours[validation];
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string row, group;
            double minimum = 0;
            if (line.empty() || line.front() == '#' || !(fields >> row >> group >> minimum))
                continue;
            ++checked;
            const auto found = checkedPart.find(row);
            const double got = found == checkedPart.end() || !found->second.count(group)
                ? -1
                : found->second.at(group).percent();
            if (got < minimum) {
                std::printf("FALLO (validación): %s, %s: %.2f %% por debajo del mínimo %.2f %%\n",
                    row.c_str(), group.c_str(), got, minimum);
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

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
//
// This file holds the run itself: the references, the images, the scoring
// and the verdict; the command line is read in eval_options, the tables
// are counted and printed by eval_tables, and Tesseract runs in
// tesseract_batch.
#include "eval_options.hpp"
#include "eval_tables.hpp"
#include "evaluation.hpp"
#include "file_failure.hpp"
#include "ranking.hpp"
#include "refset.hpp"
#include "tesseract_batch.hpp"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace ev = vanto::refset::evaluation;

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

// The reference set the images are recognised against: the built-in
// references and, with --ensena, the taught ones.
struct References {
    std::size_t builtIn = 0;
    std::size_t taught = 0;
    std::unique_ptr<vanto::vecplan::Ranker> ranker;
};

// Nothing once it has said why not.
std::optional<References> loadReferences(const ev::Options& options)
{
    const auto refs = vanto::vecplan::readRefset(options.refset);
    if (!refs.ok()) {
        std::cout << refs.error << '\n';
        return std::nullopt;
    }
    References loaded;
    loaded.builtIn = refs.references.size();
    loaded.ranker = std::make_unique<vanto::vecplan::Ranker>(refs.references);
    if (!options.taughtList.empty()) {
        const auto taught = taughtReferences(options.taughtList);
        if (!taught)
            return std::nullopt;
        for (const vanto::vecplan::Reference& r : *taught)
            loaded.ranker->add(r);
        loaded.taught = taught->size();
    }
    return loaded;
}

// The images evaluated: what each shows and, when drawn, how to draw it
// (planned[i] draws entries[i]).
struct Images {
    std::vector<ev::Entry> entries;
    std::vector<ev::Planned> planned;
};

// The images of the parts asked for, planned or read from the folder's
// index; nothing once it has said why not. The test part is neither drawn
// nor read unless asked for.
std::optional<Images> gatherImages(const ev::Options& options)
{
    Images images;
    if (options.draw) {
        images.planned = ev::plan(options.drawn);
        if (!options.withTest)
            std::erase_if(
                images.planned, [](const ev::Planned& p) { return p.entry.part == ev::kTest; });
        for (const ev::Planned& p : images.planned)
            images.entries.push_back(p.entry);
    } else {
        const std::string indexPath = options.folder + "/" + std::string(ev::kIndexName);
        const std::optional<std::string> index = readWhole(indexPath);
        if (!index)
            return std::nullopt;
        std::string error;
        images.entries = ev::parseIndex(*index, error);
        if (!error.empty()) {
            std::cout << "vecplan_eval: " << indexPath << ": " << error << '\n';
            return std::nullopt;
        }
        if (!options.withTest)
            std::erase_if(images.entries, [](const ev::Entry& e) { return e.part == ev::kTest; });
    }
    if (images.entries.empty()) {
        std::cout << "vecplan_eval: ninguna imagen que evaluar\n";
        return std::nullopt;
    }
    return images;
}

// Image i, drawn or read; nothing once it has said why not.
std::optional<vanto::Bitmap> imageOf(
    const ev::Options& options, const Images& images, std::size_t i)
{
    const ev::Entry& e = images.entries[i];
    if (options.draw) {
        const ev::Planned& p = images.planned[i];
        auto glyph = ev::render(*p.face, e.size, e.label, *p.condition, p.serial);
        if (!glyph.error.empty()) {
            std::cout << "vecplan_eval: " << glyph.error << '\n';
            return std::nullopt;
        }
        return std::move(glyph.bitmap);
    }
    vanto::PbmResult image = vanto::readPbm(options.folder + "/" + e.file);
    if (!image.ok()) {
        std::cout << image.error << '\n';
        return std::nullopt;
    }
    return std::move(image.bitmap);
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

// What the recogniser made of the images, per part.
struct Scores {
    std::map<std::string, ev::Table> tables; // part, then row and group
    std::map<std::string, ev::Doubt> doubts;
    std::map<std::string, ev::Confusions> confusions;
    std::vector<std::string> testFiles; // for Tesseract, in order
    std::vector<const ev::Entry*> testEntries; // what each of them shows
    int cleaned = 0; // clean images that the cleaning touched
    int cleanImages = 0;
};

// Recognises every image and counts the answers; nothing once it has said
// why an image could not be had.
std::optional<Scores> score(
    const ev::Options& options, const Images& images, const vanto::vecplan::Ranker& ranker)
{
    Scores s;
    for (std::size_t i = 0; i < images.entries.size(); ++i) {
        const ev::Entry& e = images.entries[i];
        const std::optional<vanto::Bitmap> bitmap = imageOf(options, images, i);
        if (!bitmap)
            return std::nullopt;
        const auto features = vanto::vecplan::computeFeatures(*bitmap);
        std::string answer;
        vanto::vecplan::Ranking recognition;
        if (features) {
            recognition = ranker.rank(features->values, 1);
            if (!recognition.candidates.empty())
                answer = recognition.candidates.front().label;
            if (e.condition == "limpio") {
                ++s.cleanImages;
                s.cleaned += features->cleaning.specks > 0 || features->cleaning.holes > 0;
            }
        }
        const bool hit = ev::folded(answer) == ev::folded(e.label);
        ev::count(s.tables[e.part], e, hit);
        if (hit) {
            ev::Doubt& d = s.doubts[e.part];
            d.rightFlagged.add(recognition.doubtful);
            d.rightFarness.push_back(recognition.farness());
        } else {
            ++s.confusions[e.part][{ e.label, answer.empty() ? "(nada)" : answer }];
        }
        if (e.part == ev::kTest) {
            s.testFiles.push_back(e.file);
            s.testEntries.push_back(&e);
        }
    }
    return s;
}

// The doubt on images of noise, for every part with right answers, and
// the rows of the doubt in that part's table.
void scoreNoise(Scores& s, const vanto::vecplan::Ranker& ranker)
{
    for (auto& [part, d] : s.doubts) {
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
        ev::Table& table = s.tables[part];
        table["ruido"]["dudosas"] = d.noiseFlagged;
        ev::Tally notFlagged;
        notFlagged.total = d.rightFlagged.total;
        notFlagged.right = d.rightFlagged.total - d.rightFlagged.right;
        table["aciertos"]["no-dudosos"] = notFlagged;
    }
}

// What was evaluated and how the tables read.
void printIntroduction(const ev::Options& options, const References& references, const Scores& s)
{
    std::printf("Evaluación de VECPLAN.EXE: %zu referencias de serie", references.builtIn);
    if (!options.taughtList.empty())
        std::printf(" y %zu enseñadas (%s)", references.taught, options.taughtList.c_str());
    std::printf("; imágenes de fuentes que no están en ellas, a");
    for (const int size : vanto::refset::kEvaluationSizes)
        std::printf(" %d", size);
    std::printf(" píxeles por eme.\nTop-1 en %%; 0/O/o, 1/I/l y c/C o/O s/S v/V w/W x/X z/Z "
                "cuentan como una clase cada uno.\nCondiciones:\n");
    for (const ev::Condition& c : ev::conditions())
        std::printf("  %-8s %s\n", std::string(c.name).c_str(), std::string(c.description).c_str());
    std::printf("  negrita-limpio, cursiva-limpio: las fuentes negritas y las cursivas, limpias\n");
    std::printf("La limpieza tocó %d de %d imágenes limpias.\n", s.cleaned, s.cleanImages);
}

// Tesseract's table of the test images, with its version; nothing, once
// it has said why, when it is missing or fails.
std::optional<std::pair<ev::Table, std::string>> tesseractTable(
    const ev::Options& options, const Scores& s)
{
    const ev::TesseractAnswers read = ev::readWithTesseract(options.folder, s.testFiles);
    if (read.answers.empty()) {
        std::printf("%s\n", read.why.c_str());
        return std::nullopt;
    }
    ev::Table table;
    for (std::size_t i = 0; i < read.answers.size(); ++i) {
        const ev::Entry& e = *s.testEntries[i];
        ev::count(table, e, ev::folded(ev::firstCharacter(read.answers[i])) == ev::folded(e.label));
    }
    return std::pair { std::move(table), read.version };
}

// True when the validation part reaches every minimum of the file (or no
// file was given); false, having said why, when not.
bool meetsMinimums(const std::string& minimumsFile, const ev::Table& validation)
{
    if (minimumsFile.empty())
        return true;
    const std::optional<std::string> minimums = readWhole(minimumsFile);
    if (!minimums)
        return false;
    const std::vector<std::string> faults = ev::belowMinimums(validation, *minimums, minimumsFile);
    for (const std::string& fault : faults)
        std::printf("%s\n", fault.c_str());
    return faults.empty();
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<ev::Options> options = ev::parseOptions(argc, argv, std::cerr);
    if (!options)
        return 2;
    const std::optional<References> references = loadReferences(*options);
    if (!references)
        return 1;
    std::unique_ptr<QGuiApplication> app;
    if (options->draw) {
        // Only outlines are drawn, into images in memory: no display is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    const std::optional<Images> images = gatherImages(*options);
    if (!images)
        return 1;
    std::optional<Scores> scores = score(*options, *images, *references->ranker);
    if (!scores)
        return 1;
    scoreNoise(*scores, *references->ranker);

    printIntroduction(*options, *references, *scores);
    std::optional<std::pair<ev::Table, std::string>> tesseract;
    if (options->withTesseract)
        tesseract = tesseractTable(*options, *scores);
    else if (options->withTest)
        std::printf("Sin --tesseract: solo VECPLAN.EXE.\n");

    const std::vector<std::string> rows = ev::tableRows();
    const std::string validation(ev::kValidation), test(ev::kTest);
    if (scores->tables.count(validation)) {
        ev::printTable("Parte de VALIDACIÓN (la única que mira el ajuste)", rows,
            scores->tables[validation], nullptr);
        ev::printDoubt("validación", scores->doubts[validation], kNoiseImages);
    }
    if (options->withTest && scores->tables.count(test)) {
        const std::string title = "Parte de PRUEBA (las cifras que se informan)"
            + (tesseract
                    ? "; Tesseract: " + tesseract->second + ", --psm 10 -l spa, mismas imágenes"
                    : std::string());
        ev::printTable(title, rows, scores->tables[test], tesseract ? &tesseract->first : nullptr);
        ev::printDoubt("prueba", scores->doubts[test], kNoiseImages);
    }
    ev::printConfusions(scores->confusions[validation]);

    return meetsMinimums(options->minimumsFile, scores->tables[validation]) ? 0 : 1;
}

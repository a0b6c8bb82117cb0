#include "tesseract_batch.hpp"

#include "text_encoding.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <thread>

namespace vanto::refset::evaluation {

namespace {

// What a shell command printed; `ok` when it ran and ended with status 0.
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

} // namespace

std::vector<std::string> splitPages(const std::string& printed)
{
    std::vector<std::string> pages;
    std::size_t start = 0;
    for (std::size_t f; (f = printed.find('\f', start)) != std::string::npos; start = f + 1)
        pages.push_back(printed.substr(start, f - start));
    pages.push_back(printed.substr(start));
    return pages;
}

TesseractAnswers readWithTesseract(const std::string& folder, const std::vector<std::string>& files)
{
    TesseractAnswers result;
    bool ok = false;
    const std::string version = commandOutput("tesseract --version 2>&1", ok);
    result.version = version.substr(0, version.find('\n'));
    if (!ok) {
        result.why = "Tesseract no está instalado: se omite su columna (como root, el paso de "
                     "instalación de vecplan_accuracy lo instala; a mano: apt-get install "
                     "tesseract-ocr tesseract-ocr-spa).";
        return result;
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
            std::vector<std::string> pages = splitPages(
                commandOutput("tesseract '" + list + "' stdout --psm 10 -l spa 2>/dev/null", ran));
            good[p] = ran && pages.size() == to - from;
            answers[p] = std::move(pages);
        });
    }
    for (std::thread& t : workers)
        t.join();
    for (std::size_t p = 0; p < kProcesses; ++p) {
        if (!good[p]) {
            result.why = "Tesseract falló o no leyó todas las imágenes: se omite su columna.";
            result.answers.clear();
            return result;
        }
        result.answers.insert(result.answers.end(), answers[p].begin(), answers[p].end());
    }
    return result;
}

std::string firstCharacter(const std::string& printed)
{
    std::size_t i = 0;
    while (i < printed.size() && (printed[i] == ' ' || printed[i] == '\n' || printed[i] == '\r'))
        ++i;
    if (i == printed.size())
        return {};
    const std::string_view rest = std::string_view(printed).substr(i);
    const auto first = glifora::support::firstUtf8Character(rest);
    return std::string(rest.substr(0, first ? first->length : 1));
}

} // namespace vanto::refset::evaluation

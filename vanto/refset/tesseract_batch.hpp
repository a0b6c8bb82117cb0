// Tesseract 5 reading the test images of an evaluation folder, so that its
// figures stand beside VECPLAN.EXE's on the same images. Tesseract is this
// table's anchor only: nothing else needs it.
#pragma once

#include <string>
#include <vector>

namespace vanto::refset::evaluation {

struct TesseractAnswers {
    std::vector<std::string> answers; // one per image, in order; empty when it failed
    std::string version; // the first line of `tesseract --version`
    std::string why; // when there are no answers, why not (in Spanish)
};

// Tesseract's answers (--psm 10 -l spa) for the images of the folder, read
// by a few processes side by side, each given a list of images, so that the
// model loads once a process.
TesseractAnswers readWithTesseract(
    const std::string& folder, const std::vector<std::string>& files);

// The pages of what Tesseract printed for a list of images: one page an
// image, separated by form feeds (none after the last).
std::vector<std::string> splitPages(const std::string& printed);

// The first UTF-8 character of what a recogniser printed, spaces and line
// ends before it skipped; empty when it printed nothing else. A byte that
// does not start a well-formed character is taken alone.
std::string firstCharacter(const std::string& printed);

} // namespace vanto::refset::evaluation

// Recognising the character of one image against the reference set of a
// tool directory: the one step that VECPLAN.EXE and the viewer share, so
// that the two name the same character for the same image.
#pragma once

#include "pbm.hpp"
#include "ranking.hpp"
#include "teaching.hpp"

#include <string>

namespace vanto::vecplan {

struct Recognition {
    // The image measured as teaching measures it; nothing is ranked when
    // it holds no character.
    Measurement measurement;
    // The reader's one-line Spanish message when the reference set could
    // not be read.
    std::string refsetError;
    // The nearest characters, best first, as many as VECPLAN.EXE lists, and
    // whether the best of them is only a guess.
    Ranking ranking;

    bool ok() const { return measurement.ok() && refsetError.empty(); }
};

// Measures image and ranks it against toolDir's refset.db, read under the
// folder's shared lock (teaching changes it under the exclusive one). The
// reference set is not read when the image holds no character.
Recognition recognise(const Bitmap& image, const std::string& toolDir);

} // namespace vanto::vecplan

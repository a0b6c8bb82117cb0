// The Spanish sentences for what the recogniser's library reports about
// measuring and teaching, in one place, for VECPLAN.EXE and the viewer: each
// one line, ending in a full stop.
#pragma once

#include "characters.hpp"
#include "recognition.hpp"
#include "teaching.hpp"

#include "replace_file.hpp"

#include <string>
#include <string_view>

namespace vanto::vecplan {

// Why `given` cannot be the label of a taught reference.
std::string describeLabelFault(const LabelCheck& check, std::string_view given);

// Why the image at imagePath holds no character, to recognise or to teach.
enum class Purpose { Recognise, Teach };
std::string describeMeasureFault(
    const Measurement& measurement, const std::string& imagePath, Purpose purpose);

// Why the image at imagePath was not recognised: it holds no character, or
// the reference set could not be read.
std::string describeRecognitionFault(const Recognition& recognition, const std::string& imagePath);

// Why a change of toolDir's reference set was not made.
std::string describeStoreFailure(const StoreResult& result, const std::string& toolDir);

// Why dir/name could not be replaced: "No se puede guardar dir/name: " and
// the failure in the words that the windows use too.
std::string describeReplaceFailure(
    const glifora::support::ReplaceResult& result, const std::string& dir, std::string_view name);

// A path as it can be shown on one line (see escapeText).
std::string shownPath(std::string_view path);

} // namespace vanto::vecplan

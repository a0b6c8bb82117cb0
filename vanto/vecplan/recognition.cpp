#include "recognition.hpp"

#include "vecplan.hpp"

namespace vanto::vecplan {

Recognition recognise(const Bitmap& image, const std::string& toolDir)
{
    Recognition recognition;
    recognition.measurement = measureImage(image);
    if (!recognition.measurement.ok())
        return recognition;

    // Each reference is ranked as it is read: a large set is never held
    // whole.
    NearestReferences nearest(recognition.measurement.features.values);
    recognition.refsetError = readReferencesShared(
        toolDir, [&](const Reference& reference) { nearest.offer(reference); });
    if (recognition.refsetError.empty())
        recognition.candidates = nearest.ranked(kCandidateCount);
    return recognition;
}

} // namespace vanto::vecplan

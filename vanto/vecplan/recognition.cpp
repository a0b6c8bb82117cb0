#include "recognition.hpp"

#include "vecplan.hpp"

namespace vanto::vecplan {

Recognition recognise(const Bitmap& image, const std::string& toolDir)
{
    Recognition recognition;
    recognition.measurement = measureImage(image);
    if (!recognition.measurement.ok())
        return recognition;

    // Each reference is laid out for ranking as it is read: the text is
    // never held as references too.
    Ranker ranker;
    recognition.refsetError = readReferencesShared(
        toolDir, [&](const Reference& reference) { ranker.add(reference); });
    if (recognition.refsetError.empty())
        recognition.ranking = ranker.rank(recognition.measurement.features.values, kCandidateCount);
    return recognition;
}

} // namespace vanto::vecplan

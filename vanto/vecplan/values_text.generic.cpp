// Processors without the vector reading: one character at a time.
#include "values_text.hpp"

namespace vanto::vecplan {

bool readValues(const char*& p, const char* end, FeatureVector& values)
{
    return readValuesOneByOne(p, end, values);
}

} // namespace vanto::vecplan

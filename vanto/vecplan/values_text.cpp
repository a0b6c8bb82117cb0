#include "values_text.hpp"

namespace vanto::vecplan {

bool readValuesOneByOne(const char*& p, const char* end, FeatureVector& values)
{
    for (int& value : values) {
        if (p == end || *p != ' ')
            return false;
        ++p;
        unsigned digit = p < end ? static_cast<unsigned>(*p - '0') : 10u;
        if (digit > 9)
            return false;
        unsigned v = 0;
        int digits = 0;
        do {
            v = v * 10 + digit;
            ++p;
            ++digits;
            digit = p < end ? static_cast<unsigned>(*p - '0') : 10u;
        } while (digit <= 9 && digits < 4);
        if (digit <= 9 || v > static_cast<unsigned>(kMaxValue))
            return false;
        value = static_cast<int>(v);
    }
    return p == end;
}

} // namespace vanto::vecplan

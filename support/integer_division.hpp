// Whole-number division that rounds towards minus or plus infinity, where
// C++'s own division rounds towards zero. The picture's line drawing and the
// convexity analysis both step along lines with exact integer arithmetic and
// need the same rounding on either side of zero.
#pragma once

#include <cstdint>

namespace glifora::support {

// The largest whole number not above num / den; den must be positive. Exact
// for every num, the most negative too.
constexpr std::int64_t floorDiv(std::int64_t num, std::int64_t den)
{
    const std::int64_t quotient = num / den;
    return num % den < 0 ? quotient - 1 : quotient;
}

// The smallest whole number not below num / den; den must be positive.
constexpr std::int64_t ceilDiv(std::int64_t num, std::int64_t den)
{
    const std::int64_t quotient = num / den;
    return num % den > 0 ? quotient + 1 : quotient;
}

} // namespace glifora::support

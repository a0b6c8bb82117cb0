// Rounding of whole-number division on both sides of zero.
#include "integer_division.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace glifora::support {
namespace {

TEST(IntegerDivision, RoundsDownAndUpOnBothSidesOfZero)
{
    EXPECT_EQ(floorDiv(7, 2), 3);
    EXPECT_EQ(floorDiv(-7, 2), -4);
    EXPECT_EQ(floorDiv(-8, 2), -4);
    EXPECT_EQ(ceilDiv(7, 2), 4);
    EXPECT_EQ(ceilDiv(-7, 2), -3);
    EXPECT_EQ(ceilDiv(-8, 2), -4);
    // Every quotient is the one whole number that brackets num / den.
    for (std::int64_t den = 1; den <= 13; ++den) {
        for (std::int64_t num = -60; num <= 60; ++num) {
            const std::int64_t down = floorDiv(num, den);
            EXPECT_LE(down * den, num) << num << "/" << den;
            EXPECT_GT((down + 1) * den, num) << num << "/" << den;
            const std::int64_t up = ceilDiv(num, den);
            EXPECT_GE(up * den, num) << num << "/" << den;
            EXPECT_LT((up - 1) * den, num) << num << "/" << den;
        }
    }
}

TEST(IntegerDivision, HoldsAtTheEndsOfTheRange)
{
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(floorDiv(lowest, 1), lowest);
    EXPECT_EQ(floorDiv(lowest + 1, 2), lowest / 2);
    EXPECT_EQ(ceilDiv(lowest + 1, 2), lowest / 2 + 1);
    EXPECT_EQ(floorDiv(highest, 2), highest / 2);
    EXPECT_EQ(ceilDiv(highest, 2), highest / 2 + 1);
    EXPECT_EQ(floorDiv(lowest, highest), -2);
    EXPECT_EQ(ceilDiv(lowest, highest), -1);
}

} // namespace
} // namespace glifora::support

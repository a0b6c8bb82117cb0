// x86 processors: the values read sixteen characters at a time with the
// SSSE3 instructions, which nearly every x86-64 processor has; on one that
// lacks them, one character at a time.
#include "values_text.hpp"

#include <tmmintrin.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace vanto::vecplan {

namespace {

// The longest and the shortest text that can hold the values: one space
// and one to four digits each.
constexpr std::size_t kLongest = kVectorSize * 5;
constexpr std::size_t kShortest = kVectorSize * 2;

// For each choice of the eight 16-bit lanes of a register (a bit per
// lane): the byte shuffle that moves the chosen lanes to the front, in
// their order, zeros after them, and how many were chosen.
struct Gathering {
    alignas(16) std::array<std::array<std::uint8_t, 16>, 256> shuffle {};
    std::array<std::uint8_t, 256> count {};
};

constexpr Gathering gathering()
{
    Gathering g;
    for (std::size_t mask = 0; mask < 256; ++mask) {
        std::size_t n = 0;
        for (std::uint8_t lane = 0; lane < 8; ++lane) {
            if ((mask >> lane & 1) == 0)
                continue;
            g.shuffle[mask][2 * n] = static_cast<std::uint8_t>(2 * lane);
            g.shuffle[mask][2 * n + 1] = static_cast<std::uint8_t>(2 * lane + 1);
            ++n;
        }
        g.count[mask] = static_cast<std::uint8_t>(n);
        for (std::size_t rest = 2 * n; rest < 16; ++rest)
            g.shuffle[mask][rest] = 0x80; // a zero
    }
    return g;
}
constexpr Gathering kGathering = gathering();

// Sixteen characters of the text, by kind.
struct Block {
    __m128i digits; // each digit's value, 0 at any other character
    __m128i isDigit; // all ones at a digit
    __m128i isSpace; // all ones at a space
};

__attribute__((target("ssse3"))) Block classify(const char* text)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    // A digit becomes 0 to 9; every other byte, 10 or more (unsigned).
    const __m128i less = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(less, _mm_set1_epi8(9)), less);
    return { _mm_and_si128(less, isDigit), isDigit, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')) };
}

// What the blocks read so far have found.
struct Found {
    // Room for a whole register's lanes after the last value.
    std::array<std::int16_t, kVectorSize + 8> values;
    std::size_t count = 0;
    __m128i wrong; // not all zeros once anything is unlike the writers' text
};

// Ten times each byte of d, which is at most 9 in every byte (so no bit
// leaves its byte).
__attribute__((target("ssse3"))) __m128i timesTen(__m128i d)
{
    return _mm_add_epi8(_mm_slli_epi16(d, 3), _mm_add_epi8(d, d));
}

// Stores the chosen lanes of numbers after the values found so far.
__attribute__((target("ssse3"))) void gather(__m128i numbers, unsigned lanes, Found& found)
{
    const __m128i order
        = _mm_load_si128(reinterpret_cast<const __m128i*>(kGathering.shuffle[lanes].data()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(found.values.data() + found.count),
        _mm_shuffle_epi8(numbers, order));
    found.count += kGathering.count[lanes];
}

// Reads the numbers that end in `here`, the block between `before` and
// `after`: each is worked out at the position of its last digit from the
// four positions up to it, then the numbers are gathered to the front of
// their register and stored after those found so far. Only the characters
// that `inside` marks belong to the text. False when the numbers are more
// than a vector holds.
__attribute__((target("ssse3"), always_inline)) inline bool readBlock(
    const Block& before, const Block& here, const Block& after, __m128i inside, Found& found)
{
    // The same, moved by one to four positions: at each position, what
    // lies that many before it (or one after it).
    const __m128i digits1 = _mm_alignr_epi8(here.digits, before.digits, 15);
    const __m128i digits2 = _mm_alignr_epi8(here.digits, before.digits, 14);
    const __m128i digits3 = _mm_alignr_epi8(here.digits, before.digits, 13);
    const __m128i isDigit1 = _mm_alignr_epi8(here.isDigit, before.isDigit, 15);
    const __m128i isDigit2 = _mm_alignr_epi8(here.isDigit, before.isDigit, 14);
    const __m128i isDigit3 = _mm_alignr_epi8(here.isDigit, before.isDigit, 13);
    const __m128i isDigit4 = _mm_alignr_epi8(here.isDigit, before.isDigit, 12);
    const __m128i isSpace1 = _mm_alignr_epi8(here.isSpace, before.isSpace, 15);
    const __m128i nextIsDigit = _mm_alignr_epi8(after.isDigit, here.isDigit, 1);

    // Anything but digits and single spaces, and five digits in a row.
    const __m128i other = _mm_andnot_si128(_mm_or_si128(here.isDigit, here.isSpace), inside);
    const __m128i twoSpaces = _mm_and_si128(here.isSpace, isSpace1);
    const __m128i fiveDigits = _mm_and_si128(
        _mm_and_si128(_mm_and_si128(here.isDigit, isDigit1), _mm_and_si128(isDigit2, isDigit3)),
        isDigit4);

    // The number that ends at each position: ones and tens from the two
    // positions up to it, hundreds and thousands from the two before them
    // while the digits run on; each pair fits in a byte, and one
    // multiply-add per pair of bytes makes the whole.
    const __m128i hundreds = _mm_and_si128(digits2, isDigit1);
    const __m128i thousands = _mm_and_si128(_mm_and_si128(digits3, isDigit1), isDigit2);
    const __m128i low = _mm_add_epi8(here.digits, timesTen(digits1));
    const __m128i high = _mm_add_epi8(hundreds, timesTen(thousands));
    const __m128i weights = _mm_set1_epi16(100 << 8 | 1);
    const __m128i first = _mm_maddubs_epi16(_mm_unpacklo_epi8(low, high), weights);
    const __m128i second = _mm_maddubs_epi16(_mm_unpackhi_epi8(low, high), weights);

    const __m128i ends = _mm_andnot_si128(nextIsDigit, here.isDigit);
    const __m128i largest = _mm_set1_epi16(kMaxValue);
    const __m128i tooLarge = _mm_and_si128(
        ends, _mm_packs_epi16(_mm_cmpgt_epi16(first, largest), _mm_cmpgt_epi16(second, largest)));
    found.wrong = _mm_or_si128(found.wrong,
        _mm_or_si128(_mm_or_si128(other, twoSpaces), _mm_or_si128(fiveDigits, tooLarge)));

    // A bit per position: the first eight are the lanes of `first`, the
    // others those of `second`.
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(ends));
    const unsigned inFirst = mask & 0xFF, inSecond = mask >> 8;
    if (found.count + kGathering.count[inFirst] + kGathering.count[inSecond] > kVectorSize)
        return false;
    gather(first, inFirst, found);
    gather(second, inSecond, found);
    return true;
}

// The positions of a block that lie before `length`.
__attribute__((target("ssse3"))) __m128i firstPositions(std::size_t length)
{
    const __m128i positions = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(length < 16 ? length : 16)), positions);
}

__attribute__((target("ssse3"))) bool readValuesInVectors(
    const char*& p, const char* end, FeatureVector& values)
{
    const auto length = static_cast<std::size_t>(end - p);
    if (length < kShortest || length > kLongest || *p != ' '
        || static_cast<unsigned>(end[-1] - '0') > 9)
        return false;

    // Blocks are read in place while the block after them lies inside the
    // text too; the last one or two, from a copy with zeros after the text.
    const std::size_t inPlace = (length - 16) / 16;
    const char* const restStart = p + 16 * inPlace;
    const auto restLength = static_cast<std::size_t>(end - restStart);
    alignas(16) char rest[48] {};
    std::memcpy(rest, restStart, restLength);

    Found found;
    found.wrong = _mm_setzero_si128();
    const __m128i all = _mm_set1_epi8(-1);
    // Before the text: no digit that a number could run on from.
    Block before { _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128() };
    Block here = classify(inPlace > 0 ? p : rest);
    for (std::size_t i = 0; i < inPlace; ++i) {
        const Block after = classify(i + 1 < inPlace ? p + 16 * (i + 1) : rest);
        if (!readBlock(before, here, after, all, found))
            return false;
        before = here;
        here = after;
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const Block after = classify(rest + 16 * (i + 1));
        const __m128i inside = firstPositions(restLength > 16 * i ? restLength - 16 * i : 0);
        if (!readBlock(before, here, after, inside, found))
            return false;
        before = here;
        here = after;
    }
    if (_mm_movemask_epi8(found.wrong) != 0 || found.count != kVectorSize)
        return false;
    // Whole registers first, a count the compiler widens in vector
    // instructions, then the few left.
    constexpr std::size_t kWhole = kVectorSize / 8 * 8;
    for (std::size_t i = 0; i < kWhole; ++i)
        values[i] = found.values[i];
    for (std::size_t i = kWhole; i < kVectorSize; ++i)
        values[i] = found.values[i];
    p = end;
    return true;
}

} // namespace

bool readValues(const char*& p, const char* end, FeatureVector& values)
{
    static const bool vectors = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return vectors ? readValuesInVectors(p, end, values) : readValuesOneByOne(p, end, values);
}

} // namespace vanto::vecplan

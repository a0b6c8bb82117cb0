// The bytes that "child bytes N" writes, shared with the tests that check them.
#pragma once

#include <cstddef>

namespace glifora::test {

// Printable ASCII with a period (23) that does not divide the capture size,
// so that a result cut in the wrong place does not match.
inline char patternByte(std::size_t i)
{
    return static_cast<char>('a' + i % 23);
}

} // namespace glifora::test

// A block of memory for the ranking's rows of small integers: 2 MiB,
// aligned to its size, and where the system can, backed by one large page
// rather than by 512 small ones. Laying out thousands of references then
// costs a few page faults instead of thousands (in a run with 5000 taught
// references they took more time than ranking).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vanto::vecplan {

class RowBlock {
public:
    static constexpr std::size_t kBytes = std::size_t { 2 } * 1024 * 1024;
    static constexpr std::size_t kValues = kBytes / sizeof(std::int16_t);

    // The memory is left as the system gives it: rows are written before
    // they are read.
    RowBlock();
    ~RowBlock();
    RowBlock(const RowBlock& other);
    RowBlock& operator=(const RowBlock& other);
    RowBlock(RowBlock&& other) noexcept;
    RowBlock& operator=(RowBlock&& other) noexcept;

    std::int16_t* data() { return values_; }
    const std::int16_t* data() const { return values_; }

private:
    std::int16_t* values_ = nullptr;
};

} // namespace vanto::vecplan

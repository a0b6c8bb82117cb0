#include "row_block.hpp"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <utility>

namespace vanto::vecplan {

namespace {

constexpr std::align_val_t kAlignment { RowBlock::kBytes };

// Asks for large pages where the system has them. Only a hint: a system
// without them, or that refuses, gives small pages, and nothing else
// changes.
#ifdef MADV_HUGEPAGE
void preferLargePages(void* memory)
{
    ::madvise(memory, RowBlock::kBytes, MADV_HUGEPAGE);
}
#else
void preferLargePages(void*)
{
}
#endif

std::int16_t* allocate()
{
    void* memory = ::operator new(RowBlock::kBytes, kAlignment);
    preferLargePages(memory);
    return static_cast<std::int16_t*>(memory);
}

} // namespace

RowBlock::RowBlock()
    : values_(allocate())
{
}

RowBlock::~RowBlock()
{
    if (values_)
        ::operator delete(values_, kAlignment);
}

RowBlock::RowBlock(const RowBlock& other)
    : values_(allocate())
{
    if (other.values_)
        std::memcpy(values_, other.values_, kBytes);
}

RowBlock& RowBlock::operator=(const RowBlock& other)
{
    if (this == &other)
        return *this;
    if (!values_)
        values_ = allocate();
    if (other.values_)
        std::memcpy(values_, other.values_, kBytes);
    return *this;
}

RowBlock::RowBlock(RowBlock&& other) noexcept
    : values_(std::exchange(other.values_, nullptr))
{
}

RowBlock& RowBlock::operator=(RowBlock&& other) noexcept
{
    std::swap(values_, other.values_);
    return *this;
}

} // namespace vanto::vecplan

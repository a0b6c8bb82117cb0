// The pieces that the TRAZOC.EXE and CONVEXD.EXE reports are written with:
// numbers, points and border names as both print them, and the budget that
// cuts a list a reader could never keep.
#pragma once

#include "contours.hpp"
#include "pbm.hpp"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace vanto {

// Each list of a report stops once it has taken more than this many bytes:
// the front end keeps far less, and a pathological image (millions of
// borders, or one border of millions of points) must not keep a tool writing
// for minutes.
inline constexpr std::size_t kListBudget = 1 << 20;

// "3.14": two decimals, a point as the separator, whatever the locale.
std::string fixed2(double value);

// "(3, 4)".
std::string pointText(const Point& p);

// "1 lago", "3 lagos".
std::string counted(std::uint64_t n, const char* one, const char* many);

// "Borde 2: hueco del borde 1", "Borde 1: exterior": a border named by its
// number in order of discovery (from 1) and, for a hole, the number of the
// outer border around it.
std::string borderName(std::uint64_t number, const Border& border);

std::uint64_t blackPixelCount(const Bitmap& image);

// One list of a report: what is written through it is counted against
// kListBudget, so the writer can stop at the first entry past it and say
// what was left out.
class ReportList {
public:
    explicit ReportList(std::ostream& out)
        : out_(out)
    {
    }

    bool full() const { return written_ > kListBudget; }

    void write(const std::string& text)
    {
        out_ << text;
        written_ += text.size();
    }

    // "  ... y <what>: cada lista se corta al pasar de 1048576 bytes".
    void writeLeftOut(const std::string& what);

private:
    std::ostream& out_;
    std::size_t written_ = 0;
};

} // namespace vanto

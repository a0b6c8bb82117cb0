#include "report_text.hpp"

#include <cstdio>

namespace vanto {

std::string fixed2(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string pointText(const Point& p)
{
    // Built piece by piece: GCC 12 at -O2 warns (-Wrestrict) on a literal
    // added to a temporary string, a false alarm (its bug 105651).
    std::string text = "(";
    text += std::to_string(p.x);
    text += ", ";
    text += std::to_string(p.y);
    text += ')';
    return text;
}

std::string counted(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string borderName(std::uint64_t number, const Border& border)
{
    return "Borde " + std::to_string(number) + ": "
        + (border.hole ? "hueco del borde " + std::to_string(border.parent + 1)
                       : std::string("exterior"));
}

std::uint64_t blackPixelCount(const Bitmap& image)
{
    std::uint64_t count = 0;
    for (std::uint8_t p : image.pixels)
        count += p != 0;
    return count;
}

void ReportList::writeLeftOut(const std::string& what)
{
    write("  ... y " + what + ": cada lista se corta al pasar de " + std::to_string(kListBudget)
        + " bytes\n");
}

} // namespace vanto

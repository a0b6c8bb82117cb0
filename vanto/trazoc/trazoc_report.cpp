#include "trazoc_report.hpp"

#include "contours.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace vanto {

namespace {

constexpr std::size_t kCodesPerLine = 80;
// Each of the two lists stops at the border that takes it past this many
// bytes: a reader keeps far less, and a pathological image (millions of
// borders) must not keep the tool writing for minutes.
constexpr std::size_t kListBudget = 1 << 20;

void writeOmitted(std::ostream& out, std::uint64_t omitted)
{
    out << "  ... y " << omitted << (omitted == 1 ? " borde más" : " bordes más")
        << ": cada lista se corta al pasar de " << kListBudget << " bytes\n";
}

std::string fixed2(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string pointText(const Point& p)
{
    return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}

// What the table says of a border, gathered as its points go by.
struct BorderFigures {
    std::uint64_t points = 0;
    std::uint64_t diagonal = 0; // steps
    Point first;
    Point last;
    Box box;

    void add(const Point& p)
    {
        if (points == 0) {
            first = p;
            box = { p.x, p.y, p.x, p.y };
        } else {
            diagonal += (p.x != last.x) && (p.y != last.y);
            box.left = std::min(box.left, p.x);
            box.right = std::max(box.right, p.x);
            box.top = std::min(box.top, p.y);
            box.bottom = std::max(box.bottom, p.y);
        }
        last = p;
        ++points;
    }

    double perimeter() const
    {
        if (points < 2)
            return 0;
        // The closing step, from the last point back to the first.
        const std::uint64_t diagonalSteps = diagonal + ((first.x != last.x) && (first.y != last.y));
        return static_cast<double>(points - diagonalSteps)
            + static_cast<double>(diagonalSteps) * std::sqrt(2.0);
    }
};

// Writes a border's chain code as its points go by, kCodesPerLine a line,
// and counts the bytes it writes.
class ChainWriter {
public:
    ChainWriter(std::ostream& out, std::uint64_t number)
        : out_(out)
    {
        line_ = "  Borde " + std::to_string(number) + ":";
    }

    void add(const Point& p)
    {
        if (count_ == 0)
            first_ = p;
        else
            step(p);
        last_ = p;
        ++count_;
    }

    // Ends the border; returns the bytes written for it.
    std::size_t finish()
    {
        if (count_ < 2)
            line_ += " ninguno, es un píxel aislado";
        else
            step(first_);
        line_ += '\n';
        flush();
        return written_;
    }

private:
    void step(const Point& to)
    {
        if (steps_++ % kCodesPerLine == 0) {
            line_ += '\n';
            flush();
            line_ = "    ";
        }
        line_ += static_cast<char>('0' + stepCode(last_, to));
    }

    void flush()
    {
        out_ << line_;
        written_ += line_.size();
        line_.clear();
    }

    std::ostream& out_;
    std::string line_;
    Point first_;
    Point last_;
    std::uint64_t count_ = 0;
    std::uint64_t steps_ = 0;
    std::size_t written_ = 0;
};

} // namespace

std::uint64_t blackPixelCount(const Bitmap& image)
{
    std::uint64_t count = 0;
    for (std::uint8_t p : image.pixels)
        count += p != 0;
    return count;
}

void writeTrazocReport(const Bitmap& image, std::ostream& out)
{
    // The borders are walked three times (counts, table, chain codes) and
    // their points handed over one by one, never stored, so that memory
    // stays flat whatever the image.
    std::uint64_t outer = 0;
    std::uint64_t holes = 0;
    {
        BorderFollower follower(image);
        Border border;
        while (follower.next(border, [](const Point&) {}))
            ++(border.hole ? holes : outer);
    }

    out << "TRAZOC - contornos del carácter\n"
           "Seguimiento de bordes de Suzuki y Abe sobre los píxeles negros, con vecindad de 8.\n"
           "Coordenadas en píxeles: x hacia la derecha, y hacia abajo, (0, 0) arriba a la "
           "izquierda.\n"
           "Código de cadena de Freeman: 0 = este, contado en sentido antihorario con la y "
           "creciendo hacia abajo: 1 = noreste, 2 = norte, 3 = noroeste, 4 = oeste, "
           "5 = suroeste, 6 = sur, 7 = sureste.\n\n";

    out << "Imagen: " << image.width << " x " << image.height << " píxeles\n"
        << "Píxeles negros: " << blackPixelCount(image) << '\n'
        << "Componentes: " << outer << '\n'
        << "Huecos: " << holes << '\n'
        << "Bordes: " << outer + holes << "\n\n";

    if (outer + holes == 0) {
        out << "La imagen no tiene píxeles negros: no hay bordes.\n";
        return;
    }

    out << "Bordes, en el orden en que el barrido por filas los encuentra (perímetro: 1 por "
           "paso recto, raíz de 2 por paso diagonal; caja: esquinas superior izquierda e "
           "inferior derecha, incluidas):\n";
    {
        BorderFollower follower(image);
        Border border;
        std::size_t written = 0;
        BorderFigures figures;
        for (std::uint64_t n = 1; follower.next(border, [&](const Point& p) { figures.add(p); });
             ++n) {
            if (written > kListBudget) {
                writeOmitted(out, outer + holes - n + 1);
                break;
            }
            const Box& box = figures.box;
            const std::string line = "  Borde " + std::to_string(n) + ": "
                + (border.hole ? "hueco del borde " + std::to_string(border.parent + 1)
                               : std::string("exterior"))
                + ", inicio " + pointText(figures.first) + ", " + std::to_string(figures.points)
                + (figures.points == 1 ? " punto" : " puntos") + ", perímetro "
                + fixed2(figures.perimeter()) + ", caja " + pointText({ box.left, box.top }) + "-"
                + pointText({ box.right, box.bottom }) + "\n";
            figures = {};
            out << line;
            written += line.size();
        }
    }

    out << "\nCódigos de cadena, desde el punto de inicio de cada borde; el último paso "
           "vuelve al inicio:\n";
    BorderFollower follower(image);
    Border border;
    std::size_t written = 0;
    for (std::uint64_t n = 1; n <= outer + holes; ++n) {
        if (written > kListBudget) {
            writeOmitted(out, outer + holes - n + 1);
            break;
        }
        ChainWriter chain(out, n);
        follower.next(border, [&](const Point& p) { chain.add(p); });
        written += chain.finish();
    }
}

} // namespace vanto

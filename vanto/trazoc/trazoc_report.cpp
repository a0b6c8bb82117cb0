#include "trazoc_report.hpp"

#include "contours.hpp"
#include "report_text.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

namespace vanto {

namespace {

constexpr std::size_t kCodesPerLine = 80;

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
// until the list is full: a single border can be millions of steps long, so
// the budget is checked at every line, and the steps past it are counted.
class ChainWriter {
public:
    ChainWriter(ReportList& list, std::uint64_t number)
        : list_(list)
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

    // Ends the border; false when the list was cut inside it.
    bool finish()
    {
        if (count_ < 2)
            line_ += " ninguno, es un píxel aislado";
        else
            step(first_);
        if (leftOut_ > 0)
            return false;
        line_ += '\n';
        list_.write(line_);
        return true;
    }

    // The steps of a cut border that were not written.
    std::uint64_t leftOut() const { return leftOut_; }

private:
    void step(const Point& to)
    {
        if (leftOut_ > 0 || (steps_ % kCodesPerLine == 0 && startLine())) {
            ++leftOut_;
            return;
        }
        ++steps_;
        line_ += static_cast<char>('0' + stepCode(last_, to));
    }

    // Ends the line so far and starts the next; true when the list is full
    // and the border is cut here instead.
    bool startLine()
    {
        line_ += '\n';
        list_.write(line_);
        line_ = "    ";
        return list_.full();
    }

    ReportList& list_;
    std::string line_;
    Point first_;
    Point last_;
    std::uint64_t count_ = 0;
    std::uint64_t steps_ = 0;
    std::uint64_t leftOut_ = 0;
};

} // namespace

void writeTrazocReport(const Bitmap& image, std::ostream& out)
{
    // The borders are walked twice, for the counts with the table and for
    // the chain codes, their points handed over one by one, never stored,
    // so that memory stays flat whatever the image. The table is kept
    // aside (it stops at the budget) until the counts above it are known.
    std::uint64_t outer = 0;
    std::uint64_t holes = 0;
    std::ostringstream table;
    {
        BorderFollower follower(image);
        Border border;
        ReportList list(table);
        BorderFigures figures;
        std::uint64_t listed = 0;
        while (follower.next(border, [&](const Point& p) {
            if (!list.full())
                figures.add(p);
        })) {
            ++(border.hole ? holes : outer);
            if (list.full())
                continue;
            const Box& box = figures.box;
            list.write("  " + borderName(++listed, border) + ", inicio " + pointText(figures.first)
                + ", " + counted(figures.points, "punto", "puntos") + ", perímetro "
                + fixed2(figures.perimeter()) + ", caja " + pointText({ box.left, box.top }) + "-"
                + pointText({ box.right, box.bottom }) + "\n");
            figures = {};
        }
        if (listed < outer + holes)
            list.writeLeftOut(counted(outer + holes - listed, "borde más", "bordes más"));
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
           "inferior derecha, incluidas):\n"
        << table.view();
    const std::uint64_t borders = outer + holes;

    out << "\nCódigos de cadena, desde el punto de inicio de cada borde; el último paso "
           "vuelve al inicio:\n";
    BorderFollower follower(image);
    Border border;
    ReportList list(out);
    for (std::uint64_t n = 1; n <= borders; ++n) {
        if (list.full()) {
            list.writeLeftOut(counted(borders - n + 1, "borde más", "bordes más"));
            break;
        }
        ChainWriter chain(list, n);
        follower.next(border, [&](const Point& p) { chain.add(p); });
        if (!chain.finish()) {
            // Cut inside this border: the rest of it and every later border.
            std::string leftOut
                = counted(chain.leftOut(), "código más", "códigos más") + " de este borde";
            if (n < borders)
                leftOut += " y " + counted(borders - n, "borde más", "bordes más");
            list.writeLeftOut(leftOut);
            break;
        }
    }
}

} // namespace vanto

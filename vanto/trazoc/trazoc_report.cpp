#include "trazoc_report.hpp"

#include "contours.hpp"

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
    // The borders are streamed three times (counts, table, chain codes) so
    // that no more than one of them is held at a time, whatever the image.
    std::uint64_t outer = 0;
    std::uint64_t holes = 0;
    {
        BorderFollower follower(image);
        Border border;
        while (follower.next(border))
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
        for (std::uint64_t n = 1; follower.next(border); ++n) {
            if (written > kListBudget) {
                writeOmitted(out, outer + holes - n + 1);
                break;
            }
            const Box box = boundingBox(border.points);
            const std::string line = "  Borde " + std::to_string(n) + ": "
                + (border.hole ? "hueco del borde " + std::to_string(border.parent + 1)
                               : std::string("exterior"))
                + ", inicio " + pointText(border.points.front()) + ", "
                + std::to_string(border.points.size())
                + (border.points.size() == 1 ? " punto" : " puntos") + ", perímetro "
                + fixed2(perimeter(chainCode(border.points))) + ", caja "
                + pointText({ box.left, box.top }) + "-" + pointText({ box.right, box.bottom })
                + "\n";
            out << line;
            written += line.size();
        }
    }

    out << "\nCódigos de cadena, desde el punto de inicio de cada borde; el último paso "
           "vuelve al inicio:\n";
    BorderFollower follower(image);
    Border border;
    std::size_t written = 0;
    for (std::uint64_t n = 1; follower.next(border); ++n) {
        if (written > kListBudget) {
            writeOmitted(out, outer + holes - n + 1);
            break;
        }
        const std::vector<std::uint8_t> code = chainCode(border.points);
        std::string text
            = "  Borde " + std::to_string(n) + " (" + std::to_string(code.size()) + " pasos):";
        if (code.empty())
            text += " ninguno, es un píxel aislado";
        for (std::size_t i = 0; i < code.size(); ++i) {
            if (i % kCodesPerLine == 0)
                text += "\n    ";
            text += static_cast<char>('0' + code[i]);
        }
        text += '\n';
        out << text;
        written += text.size();
    }
}

} // namespace vanto

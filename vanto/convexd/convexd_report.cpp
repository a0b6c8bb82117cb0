#include "convexd_report.hpp"

#include "convexity.hpp"
#include "report_text.hpp"

#include <string>

namespace vanto {

namespace {

// The next border, with its points only when it is short enough for the
// defect search; length and first tell its length and start in any case.
bool nextBorder(BorderFollower& follower, Border& border, std::uint64_t& length, Point& first)
{
    length = 0;
    const bool found = follower.next(border, [&](const Point& p) {
        if (length++ == 0)
            first = p;
        if (length <= kMaxDefectPoints)
            border.points.push_back(p);
    });
    if (length > kMaxDefectPoints)
        border.points.clear();
    return found;
}

// Twice the area of the polygon (shoelace), which is a whole number.
std::int64_t doubledArea(const std::vector<Point>& polygon)
{
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        sum += static_cast<std::int64_t>(a.x) * b.y - static_cast<std::int64_t>(b.x) * a.y;
    }
    return sum < 0 ? -sum : sum;
}

} // namespace

void writeConvexdReport(const Bitmap& image, std::ostream& out)
{
    const std::vector<Point> hull = pixelHull(image);
    std::uint64_t insidePixels = 0;
    for (const RowSpan& span : rowSpans(hull, image.height))
        insidePixels += static_cast<std::uint64_t>(std::max(0, span.last - span.first + 1));
    // The regions are streamed twice too, to total them and to list them.
    std::uint64_t regionCount = 0, lakes = 0, lakeArea = 0, bayArea = 0;
    forEachDeficiencyRegion(image, hull, [&](const DeficiencyRegion& r) {
        ++regionCount;
        lakes += r.lake;
        (r.lake ? lakeArea : bayArea) += r.area;
        return true;
    });

    // The borders are streamed twice, to count the defects and to list
    // them, so that only one border is held at a time.
    std::uint64_t outerBorders = 0, defects = 0, deepDefects = 0, tooLong = 0;
    {
        BorderFollower follower(image);
        Border border;
        std::uint64_t length = 0;
        Point first;
        while (nextBorder(follower, border, length, first)) {
            if (border.hole)
                continue;
            ++outerBorders;
            tooLong += length > kMaxDefectPoints;
            for (const Defect& d :
                convexityDefects(border.points, hullIndices(border.points)).defects) {
                ++defects;
                deepDefects += d.depth >= 1.0;
            }
        }
    }

    out << "CONVEXD - deficiencias convexas del carácter\n"
           "Coordenadas en píxeles: x hacia la derecha, y hacia abajo, (0, 0) arriba a la "
           "izquierda. El casco convexo une los centros de los píxeles negros.\n"
           "Deficiencia convexa: píxeles blancos dentro del casco (bordes incluidos), unidos "
           "por sus 4 vecinos; un lago queda encerrado por el carácter, una bahía se abre al "
           "exterior.\n"
           "Defecto de convexidad de un borde exterior: entre dos vértices de su casco, el "
           "punto del borde más alejado de la arista que los une, y esa distancia "
           "(profundidad).\n\n";

    out << "Imagen: " << image.width << " x " << image.height << " píxeles\n"
        << "Píxeles negros: " << blackPixelCount(image) << '\n';
    if (hull.empty()) {
        out << "La imagen no tiene píxeles negros: no hay casco ni deficiencias.\n";
        return;
    }
    out << "Casco convexo: " << hull.size() << (hull.size() == 1 ? " vértice" : " vértices")
        << ", área " << fixed2(static_cast<double>(doubledArea(hull)) / 2) << ", " << insidePixels
        << " píxeles dentro\n"
        << "Deficiencia convexa: " << lakeArea + bayArea << " píxeles en "
        << counted(regionCount, "región", "regiones") << " (" << counted(lakes, "lago", "lagos")
        << ", " << counted(regionCount - lakes, "bahía", "bahías") << "; " << lakeArea
        << " píxeles de lago, " << bayArea << " de bahía)\n"
        << "Defectos de convexidad: " << defects << " en "
        << counted(outerBorders, "borde exterior", "bordes exteriores") << ", " << deepDefects
        << " de profundidad de un píxel o más";
    if (tooLong > 0)
        out << " (sin buscar en "
            << counted(tooLong, "borde demasiado largo", "bordes demasiado largos") << ")";
    out << '\n';

    if (regionCount > 0) {
        out << "\nRegiones de la deficiencia, en el orden del barrido por filas (caja: esquinas "
               "superior izquierda e inferior derecha, incluidas):\n";
        std::uint64_t n = 0;
        ReportList list(out);
        forEachDeficiencyRegion(image, hull, [&](const DeficiencyRegion& r) {
            if (list.full()) {
                list.writeLeftOut(counted(regionCount - n, "región más", "regiones más"));
                return false;
            }
            list.write("  Región " + std::to_string(++n) + ": " + (r.lake ? "lago" : "bahía")
                + ", área " + counted(r.area, "píxel", "píxeles") + ", caja "
                + pointText({ r.box.left, r.box.top }) + "-"
                + pointText({ r.box.right, r.box.bottom }) + ", centroide (" + fixed2(r.centroidX)
                + ", " + fixed2(r.centroidY) + ")\n");
            return true;
        });
    }

    out << "\nDefectos de convexidad por borde exterior (numerados como los bordes de "
           "TRAZOC):\n";
    {
        BorderFollower follower(image);
        Border border;
        std::uint64_t listed = 0;
        ReportList list(out);
        std::uint64_t length = 0;
        Point first;
        for (std::uint64_t n = 1; nextBorder(follower, border, length, first); ++n) {
            if (border.hole)
                continue;
            if (list.full()) {
                list.writeLeftOut(
                    counted(outerBorders - listed, "borde exterior más", "bordes exteriores más"));
                break;
            }
            ++listed;
            std::string text = "  Borde " + std::to_string(n) + " (inicio " + pointText(first)
                + ", " + counted(length, "punto", "puntos") + "): ";
            if (length > kMaxDefectPoints) {
                list.write(text + "demasiado largo para buscar sus defectos\n");
                continue;
            }
            const Defects found = convexityDefects(border.points, hullIndices(border.points));
            text += counted(found.defects.size(), "defecto", "defectos");
            if (found.reordered)
                text += " (el borde repasa píxeles: vértices del casco tomados en el orden del "
                        "borde)";
            text += '\n';
            for (const Defect& d : found.defects) {
                text += "    inicio " + pointText(border.points[d.start]) + ", fin "
                    + pointText(border.points[d.end]) + ", punto más lejano "
                    + pointText(border.points[d.farthest]) + ", profundidad " + fixed2(d.depth)
                    + '\n';
            }
            list.write(text);
        }
    }

    out << "\nVértices del casco convexo, en sentido antihorario en la pantalla:\n ";
    for (std::size_t i = 0; i < hull.size(); ++i) {
        out << ' ' << pointText(hull[i]);
        if (i % 8 == 7 && i + 1 < hull.size())
            out << "\n ";
    }
    out << '\n';
}

} // namespace vanto

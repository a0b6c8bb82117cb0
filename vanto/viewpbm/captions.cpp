#include "captions.hpp"

#include "scene.hpp"

#include <QCoreApplication>
#include <QLocale>

#include <cstdint>

namespace vanto {
namespace {

QString captionsTr(const char* text)
{
    return QCoreApplication::translate("vanto::Captions", text);
}

// Numbers as the reader writes them (the program's locale is Spanish):
// "16.383", "4,62". The text tools keep their own format.
QString number(std::uint64_t n)
{
    return QLocale().toString(static_cast<qulonglong>(n));
}

QString decimal(double value)
{
    return QLocale().toString(value, 'f', 2);
}

} // namespace

QString depthCaption(double depth)
{
    return decimal(depth);
}

QStringList zoneCaptions(const vecplan::ZoneLayout::Measures& m)
{
    const auto& d = m.directions;
    return { captionsTr("negro %1 ‰\n— %2  / %3\n| %4  \\ %5")
                 .arg(number(m.black), number(d[0]), number(d[1]), number(d[2]), number(d[3])),
        captionsTr("negro %1 ‰").arg(number(m.black)), captionsTr("%1 ‰").arg(number(m.black)) };
}

QString zoneDescription(const vecplan::ZoneLayout::Measures& m)
{
    // Plain figures whatever the locale: the line reads as a row of them.
    const auto& d = m.directions;
    return captionsTr("negro %1 ‰; contorno ‰: — %2, / %3, | %4, \\ %5")
        .arg(QString::number(m.black), QString::number(d[0]), QString::number(d[1]),
            QString::number(d[2]), QString::number(d[3]));
}

QList<LegendEntry> legendEntries(ViewerScene& scene, Layers layers)
{
    QList<LegendEntry> entries;
    auto add = [&](QRgb colour, const QString& text) {
        entries.append({ QColor::fromRgba(colour), text });
    };
    auto note = [&](const QString& text) { entries.append({ QColor(), text }); };
    // Each line asks only for the analysis its own layer has: with a layer
    // off nothing is computed for it.
    const QString noBlack = captionsTr("la imagen no tiene píxeles negros");

    if (!layers.testFlag(BordersLayer)) {
        note(captionsTr("Bordes: capa apagada"));
    } else if (scene.borders().borders.empty()) {
        note(captionsTr("Bordes: ninguno, %1").arg(noBlack));
    } else {
        const BorderAnalysis& borders = scene.borders();
        add(colours::kOuterBorder, captionsTr("Bordes exteriores: %1").arg(number(borders.outer)));
        add(colours::kHoleBorder,
            borders.holes > 0 ? captionsTr("Bordes de hueco: %1").arg(number(borders.holes))
                              : captionsTr("Bordes de hueco: ninguno, la imagen no tiene huecos"));
        add(colours::kOuterBorder, captionsTr("Cuadro: inicio de cada borde"));
        if (!borders.complete)
            note(captionsTr("Solo se dibujan los primeros %1 bordes: la imagen tiene más")
                     .arg(number(borders.borders.size())));
    }

    if (!layers.testFlag(HullLayer))
        note(captionsTr("Casco convexo: capa apagada"));
    else if (scene.hull().empty())
        note(captionsTr("Casco convexo: ninguno, %1").arg(noBlack));
    else
        add(colours::kHull,
            captionsTr("Casco convexo: %1 vértices").arg(number(scene.hull().size())));

    if (!layers.testFlag(DefectsLayer)) {
        note(captionsTr("Defectos: capa apagada"));
    } else {
        const BorderAnalysis& borders = scene.borders();
        const std::uint64_t deep = borders.defects.size() - borders.defectsBelowOnePixel;
        if (borders.defects.empty())
            note(captionsTr("Defectos de convexidad: ninguno"));
        if (deep > 0)
            add(colours::kDefect,
                captionsTr("Defectos de un píxel o más: %1; el más hondo, %2 píxeles")
                    .arg(number(deep))
                    .arg(decimal(borders.defects.front().depth)));
        if (borders.defectsBelowOnePixel > 0)
            add(colours::kFaintDefect,
                captionsTr("Defectos de menos de un píxel: %1")
                    .arg(number(borders.defectsBelowOnePixel)));
        if (borders.tooLongForDefects > 0)
            note(captionsTr("Sin buscar defectos en %1 bordes demasiado largos")
                     .arg(number(borders.tooLongForDefects)));
    }

    if (!layers.testFlag(DeficiencyLayer)) {
        note(captionsTr("Deficiencia: capa apagada"));
    } else {
        const DeficiencyAnalysis& deficiency = scene.deficiency();
        add(colours::kLake,
            deficiency.lakes > 0 ? captionsTr("Lagos: %1 (%2 píxeles)")
                                       .arg(number(deficiency.lakes))
                                       .arg(number(deficiency.lakeArea))
                                 : captionsTr("Lagos: ninguno"));
        add(colours::kBay,
            deficiency.bays > 0 ? captionsTr("Bahías: %1 (%2 píxeles)")
                                      .arg(number(deficiency.bays))
                                      .arg(number(deficiency.bayArea))
                                : captionsTr("Bahías: ninguna"));
    }

    if (!layers.testFlag(ZonesLayer)) {
        note(captionsTr("Zonas: capa apagada"));
    } else if (!scene.zones()) {
        note(captionsTr("Zonas: ninguna, %1").arg(noBlack));
    } else {
        add(colours::kZoneBox, captionsTr("Caja del carácter"));
        add(colours::kZoneGrid,
            captionsTr("Zonas del reconocedor: %1 x %2; el puntero da el valor de cada una")
                .arg(scene.zones()->columns)
                .arg(scene.zones()->rows));
    }
    return entries;
}

} // namespace vanto

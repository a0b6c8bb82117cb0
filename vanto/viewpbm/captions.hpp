// The viewer's words for what its layers show: the labels written into the
// picture (a defect's depth, a zone's values), the zone's values as the
// status bar says them, and the legend. The analyses give numbers; this is
// the one place that puts them into Spanish.
#pragma once

#include "features.hpp"
#include "layers.hpp"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

namespace vanto {

class ViewerScene;

// A defect's depth in pixels as its label shows it: "4,62".
QString depthCaption(double depth);

// What a zone can show of its values in the picture, from the most to the
// least: every value on three short lines, the share of black with its
// name, the share of black alone. The picture writes the first that fits.
QStringList zoneCaptions(const vecplan::ZoneLayout::Measures& measures);

// A zone's values on one line, for the pointer: "negro 33 ‰; contorno ‰:
// — 120, / 4, | 0, \ 15".
QString zoneDescription(const vecplan::ZoneLayout::Measures& measures);

// One line of the legend: a colour (invalid for a line without one) and
// what it stands for, or what a layer has not got to show.
struct LegendEntry {
    QColor colour;
    QString text;
};
// The legend of the layers, those switched off included. Each line asks the
// scene only for the analysis its own layer has.
QList<LegendEntry> legendEntries(ViewerScene& scene, Layers layers);

} // namespace vanto

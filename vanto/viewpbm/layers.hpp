// The layers the viewer can draw over the image, and their colours, which
// the picture paints and the legend shows.
#pragma once

#include <QColor>
#include <QFlags>

namespace vanto {

enum Layer {
    BordersLayer = 0x01,
    HullLayer = 0x02,
    DefectsLayer = 0x04,
    DeficiencyLayer = 0x08,
    ZonesLayer = 0x10,
    ZoneValuesLayer = 0x20, // the zones' values written in them, with ZonesLayer
};
Q_DECLARE_FLAGS(Layers, Layer)

// The colours of the layers, also shown in the legend. All are opaque: the
// layers are written straight into the picture's pixels.
namespace colours {
inline constexpr QRgb kWhite = 0xffffffff;
inline constexpr QRgb kBlack = 0xff000000;
inline constexpr QRgb kOuterBorder = 0xff1e90ff;
inline constexpr QRgb kHoleBorder = 0xffff8c00;
inline constexpr QRgb kHull = 0xff00b33c;
inline constexpr QRgb kDefect = 0xffe000e0;
inline constexpr QRgb kFaintDefect = 0xfff0a0f0; // below one pixel deep: pale
inline constexpr QRgb kLake = 0xff9ccfff;
inline constexpr QRgb kBay = 0xffffe680;
inline constexpr QRgb kZoneBox = 0xffd01010;
inline constexpr QRgb kZoneGrid = 0xfff08080;
} // namespace colours

} // namespace vanto

Q_DECLARE_OPERATORS_FOR_FLAGS(vanto::Layers)

// Window geometry is given in twips, 1/1440 inch: 15 twips make one
// device-independent pixel, and Qt's high-DPI scaling does the rest.
#pragma once

#include <QRect>
#include <QSize>

namespace glifora {

inline constexpr int kTwipsPerPixel = 15;

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

constexpr QRect toPixels(const Twips& t)
{
    return QRect(t.left / kTwipsPerPixel, t.top / kTwipsPerPixel, t.width / kTwipsPerPixel,
                 t.height / kTwipsPerPixel);
}

constexpr QSize toPixels(int widthTwips, int heightTwips)
{
    return QSize(widthTwips / kTwipsPerPixel, heightTwips / kTwipsPerPixel);
}

}  // namespace glifora

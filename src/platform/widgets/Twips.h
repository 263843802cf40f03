#pragma once

#include <QRect>

// Layout is given in twips (1440 to the inch); at 96 dots per inch a pixel is 15 twips and Qt
// scales logical pixels on high-DPI screens.
namespace Twips {
constexpr int toPixels(int twips)
{
    return (twips + 7) / 15;
}
inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
} // namespace Twips

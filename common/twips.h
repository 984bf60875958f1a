// Positions and sizes of the design are in twips, 1440 to the inch: 15 to a pixel at 96 DPI.
#pragma once

#include <QRect>
#include <QSize>
#include <QtMath>

namespace dalil {

constexpr int twipsPerPixel = 15;

constexpr int twips(int value)
{
    return (value + (value >= 0 ? twipsPerPixel / 2 : -twipsPerPixel / 2)) / twipsPerPixel;
}

constexpr int toTwips(int pixels)
{
    return pixels * twipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

inline QSize twipsSize(int width, int height)
{
    return QSize(twips(width), twips(height));
}

} // namespace dalil

// Positions and sizes of the design are in twips, 1440 to the logical inch: 15 to a pixel at
// 96 DPI. Every twip of the program becomes a pixel here, and only here.
#pragma once

#include <QRect>
#include <QSize>

namespace dalil {

constexpr int twipsPerInch = 1440;

// The screen's logical dots per inch; 96 before there is a screen.
qreal logicalDpi();

// Twips to pixels at the screen's logical DPI, rounded to the nearest pixel.
int twipsToPixels(int twips);
// Pixels to twips at the screen's logical DPI: the inverse for reading a size back.
int pixelsToTwips(int pixels);

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

inline QSize twipsSize(int width, int height)
{
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

} // namespace dalil

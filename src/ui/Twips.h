#pragma once

#include <QRect>
#include <QtMath>

// Layout is designed in twips (1/1440 inch); 15 twips make one pixel at 96 dpi.
constexpr int TwipsPerPixel = 15;

inline int twips(int t)
{
    return qRound(t / double(TwipsPerPixel));
}

inline QRect twips(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

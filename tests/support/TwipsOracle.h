#pragma once

#include <QRect>
#include <QtMath>

namespace telvor::test {

// A layout's twips turned into pixels here, apart from the code under test: 15 twips to a pixel
// at 96 dpi, to the nearest pixel.
inline int pxOf(int twips)
{
    return qRound(twips / 15.0);
}

inline QRect fromTwips(int left, int top, int width, int height)
{
    return {pxOf(left), pxOf(top), pxOf(width), pxOf(height)};
}

} // namespace telvor::test

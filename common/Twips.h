#pragma once

#include <QRect>

namespace telvor {

/** Layouts are drawn in twips: 1440 to the inch, so 15 make one pixel at 96 dpi; Qt scales for other densities. */
inline constexpr int kTwipsPerPixel = 15;

/** Twips to pixels, to the nearest pixel. */
constexpr int px(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

/** A control's place given in twips as left, top, width, height. */
constexpr QRect twips(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

} // namespace telvor

#pragma once

#include <array>

namespace trimora {

// The arrow gauge's arrow pointing down in its 27 x 28 box: a shaft 11 px wide in the upper 14
// rows over a head in the lower 14 that narrows by one pixel per side and row to a one-pixel tip.
namespace ArrowShape {

inline constexpr int Width = 27;
inline constexpr int Height = 28;
inline constexpr int ShaftLeft = 8, ShaftRight = 18, HeadTop = 14;

struct TPoint {
    int X = 0, Y = 0;
};

// Whether a pixel of the box belongs to the arrow.
constexpr bool Contains(int X, int Y) {
    if (X < 0 || Y < 0 || X >= Width || Y >= Height) return false;
    if (Y < HeadTop) return X >= ShaftLeft && X <= ShaftRight;
    const int inset = Y - HeadTop;
    return X >= inset && X <= Width - 1 - inset;
}

// The outline through the centres of the arrow's edge pixels, for toolkits that draw polygons.
constexpr std::array<TPoint, 7> Outline() {
    return {{{ShaftLeft, 0},
             {ShaftRight, 0},
             {ShaftRight, HeadTop},
             {Width - 1, HeadTop},
             {Width / 2, Height - 1},
             {0, HeadTop},
             {ShaftLeft, HeadTop}}};
}

// The arrow's top-left corner in a box of the given size: centred, with an odd spare pixel to the
// left and top, so that a down arrow's tip sits on the middle column of a 50 px box (x = 25).
// Sideways arrows swap the arrow's width and height.
constexpr TPoint OriginIn(int BoxWidth, int BoxHeight, int ArrowWidth = Width,
                          int ArrowHeight = Height) {
    return {(BoxWidth - ArrowWidth + 1) / 2, (BoxHeight - ArrowHeight + 1) / 2};
}

}  // namespace ArrowShape

}  // namespace trimora

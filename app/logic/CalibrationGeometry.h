#pragma once

#include <cmath>

namespace trimora {

// Where the calibration window's parts lie, in pixels of its client area at 96 dpi: one home for
// every view that draws the window.
struct TControlRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    constexpr int Right() const { return Left + Width; }
    constexpr int Bottom() const { return Top + Height; }
};

namespace CalibrationGeometry {

// The client area as laid out; the window itself is sized by its outer height.
inline constexpr int ClientWidth = 319;
inline constexpr int DesignClientHeight = 373;
// With the frame: the small height leaves the text pane out of view, "d" brings it in.
inline constexpr int SmallOuterHeight = 164;
inline constexpr int LargeOuterHeight = 400;

inline constexpr TControlRect Btn_P1{16, 16, 75, 25};
inline constexpr TControlRect Btn_P2{120, 16, 75, 25};
inline constexpr TControlRect Btn_P3{224, 16, 75, 25};
inline constexpr TControlRect Label1{8, 56, 34, 13};
// Right-aligned: it grows to the left of this edge.
inline constexpr TControlRect Label2{309, 56, 3, 13};
inline constexpr TControlRect Indicatore{88, 43, 50, 45};
inline constexpr TControlRect Zona{8, 80, 300, 17};
inline constexpr TControlRect ZonaObbiettivo{136, 80, 20, 17};
inline constexpr TControlRect Label3{8, 112, 40, 12};
inline constexpr TControlRect CheckBox1{264, 104, 49, 17};
inline constexpr TControlRect Memo1{16, 136, 281, 220};
// The text pane keeps these margins to the client area's right and bottom edges.
inline constexpr int MemoRightMargin = ClientWidth - Memo1.Right();
inline constexpr int MemoBottomMargin = DesignClientHeight - Memo1.Bottom();
// The strip below the version text and above the text pane, across the window.
inline constexpr TControlRect StatusLine{8, 124, 303, 12};
// The small window never gets lower than this, whatever the frame takes of its outer height.
inline constexpr int MinimumClientHeight = StatusLine.Bottom();

// Character heights: the window's font ("MS Sans Serif") and the version text's ("Terminal").
inline constexpr int FontPixelHeight = 11;
inline constexpr int VersionFontPixelHeight = 8;

// The scale starts at Zona's left edge.
inline constexpr double PixelsPerKmh = 5.0;

// Km/h as pixels along the scale, halves rounded to even.
inline int ScalePixels(double Kmh) {
    return static_cast<int>(std::nearbyint(Kmh * PixelsPerKmh));
}
// The target zone: Width km/h around Centre.
inline TControlRect TargetZoneAt(double Centre, double Width) {
    return {ScalePixels(Centre - Width / 2) + Zona.Left, ZonaObbiettivo.Top, ScalePixels(Width),
            ZonaObbiettivo.Height};
}
// The arrow's left edge: its middle lands on Speed's place on the scale.
inline int ArrowLeftAt(double Speed) {
    return ScalePixels(Speed) + Zona.Left - Indicatore.Width / 2;
}

}  // namespace CalibrationGeometry

}  // namespace trimora

#pragma once

#include <windows.h>

#include "app/logic/CalibrationGeometry.h"

namespace trimora {

// The window's dots per inch (96 at 100 %). The program declares itself per-monitor aware, so it
// scales its own client areas; where the system cannot say per window (before Windows 10), the
// desktop's setting holds.
int DpiOfWindow(HWND Window);

// A length laid out at 96 dpi, at Dpi.
inline int ScaleToDpi(int Pixels, int Dpi) {
    return MulDiv(Pixels, Dpi, USER_DEFAULT_SCREEN_DPI);
}

inline RECT ScaleToDpi(const TControlRect& Rect, int Dpi) {
    const int left = ScaleToDpi(Rect.Left, Dpi), top = ScaleToDpi(Rect.Top, Dpi);
    return {left, top, left + ScaleToDpi(Rect.Width, Dpi), top + ScaleToDpi(Rect.Height, Dpi)};
}

}  // namespace trimora

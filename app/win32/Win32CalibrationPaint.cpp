#include <array>
#include <string>

#include "app/logic/ArrowShape.h"
#include "app/win32/Win32CalibrationWindow.h"
#include "app/win32/Win32Dpi.h"
#include "app/win32/Win32Fonts.h"

namespace trimora {

namespace {

using namespace CalibrationGeometry;

constexpr COLORREF Black = RGB(0, 0, 0), White = RGB(255, 255, 255), Aqua = RGB(0, 255, 255);
constexpr COLORREF Lime = RGB(0, 255, 0);

// A filled rectangle with its outline inside its bounds.
void DrawShape(HDC Target, const RECT& Rect, COLORREF Fill, int PenWidth) {
    HPEN pen = CreatePen(PS_INSIDEFRAME, PenWidth, Black);
    HBRUSH brush = CreateSolidBrush(Fill);
    HGDIOBJ oldPen = SelectObject(Target, pen);
    HGDIOBJ oldBrush = SelectObject(Target, brush);
    Rectangle(Target, Rect.left, Rect.top, Rect.right, Rect.bottom);
    SelectObject(Target, oldBrush);
    SelectObject(Target, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void DrawText(HDC Target, HFONT Font, const std::string& Text, RECT Rect, UINT Format) {
    HGDIOBJ old = SelectObject(Target, Font);
    ::DrawTextA(Target, Text.c_str(), static_cast<int>(Text.size()), &Rect,
                Format | DT_NOPREFIX | DT_SINGLELINE | DT_TOP);
    SelectObject(Target, old);
}

int TextWidth(HDC Target, const std::string& Text) {
    SIZE size{};
    GetTextExtentPoint32A(Target, Text.c_str(), static_cast<int>(Text.size()), &size);
    return size.cx;
}

// Text shortened in the middle to fit Width, as the Linux window shortens its status line: the
// beginning and the end (where the port's name often stands) stay in view.
std::string MiddleElided(HDC Target, HFONT Font, const std::string& Text, int Width) {
    HGDIOBJ old = SelectObject(Target, Font);
    std::string shown = Text;
    for (std::size_t keep = Text.size(); keep > 0 && TextWidth(Target, shown) > Width; --keep) {
        const std::size_t head = (keep + 1) / 2, tail = keep - head;
        shown = Text.substr(0, head) + "..." + Text.substr(Text.size() - tail);
    }
    SelectObject(Target, old);
    return shown;
}

// The arrow pointing down, centred in its box, lime with a dark outline.
void DrawArrow(HDC Target, const RECT& Box, int Dpi) {
    const ArrowShape::TPoint origin = ArrowShape::OriginIn(Indicatore.Width, Indicatore.Height);
    std::array<POINT, ArrowShape::Outline().size()> points{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ArrowShape::TPoint p = ArrowShape::Outline()[i];
        points[i] = {Box.left + ScaleToDpi(origin.X + p.X, Dpi),
                     Box.top + ScaleToDpi(origin.Y + p.Y, Dpi)};
    }
    HPEN pen = CreatePen(PS_SOLID, ScaleToDpi(1, Dpi), Black);
    HBRUSH brush = CreateSolidBrush(Lime);
    HGDIOBJ oldPen = SelectObject(Target, pen);
    HGDIOBJ oldBrush = SelectObject(Target, brush);
    Polygon(Target, points.data(), static_cast<int>(points.size()));
    SelectObject(Target, oldBrush);
    SelectObject(Target, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

}  // namespace

void TWin32CalibrationWindow::Paint(HDC Target, const RECT& Client) {
    // Drawn off screen first: measures arrive ten times a second.
    const int width = Client.right - Client.left, height = Client.bottom - Client.top;
    HDC canvas = CreateCompatibleDC(Target);
    HBITMAP bitmap = CreateCompatibleBitmap(Target, width, height);
    HGDIOBJ oldBitmap = SelectObject(canvas, bitmap);
    FillRect(canvas, &Client, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(canvas, TRANSPARENT);
    SetTextColor(canvas, GetSysColor(COLOR_BTNTEXT));
    const int pen = ScaleToDpi(1, FDpi);

    // Later ones on top: the scale, the target zone, the two labels, the arrow, the version.
    DrawShape(canvas, Scaled(Zona), White, pen);
    if (FZoneVisible) DrawShape(canvas, Scaled(FZone), Aqua, pen);
    DrawText(canvas, FSpeedBold ? FFonts->Bold() : FFonts->Regular(), FSpeedText,
             {Scaled(Label1).left, Scaled(Label1).top, width, Scaled(Label1).bottom}, DT_LEFT);
    DrawText(canvas, FFonts->Regular(), FTargetText,
             {0, Scaled(Label2).top, Scaled(Label2).right, Scaled(Label2).bottom}, DT_RIGHT);
    if (FArrowVisible)
        DrawArrow(canvas, Scaled({FArrowLeft, Indicatore.Top, Indicatore.Width, Indicatore.Height}),
                  FDpi);
    DrawText(canvas, FFonts->Version(), "Ver. 2.0", Scaled(Label3), DT_LEFT);
    const RECT status = Scaled(StatusLine);
    DrawText(canvas, FFonts->Regular(),
             MiddleElided(canvas, FFonts->Regular(), FStatusText, status.right - status.left),
             status, DT_LEFT);

    BitBlt(Target, 0, 0, width, height, canvas, 0, 0, SRCCOPY);
    SelectObject(canvas, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(canvas);
}

}  // namespace trimora

#include "app/win32/Win32ProgressWindow.h"

#include <commctrl.h>

#include "app/logic/CalibrationGeometry.h"

namespace trimora {

namespace {

constexpr const char* WindowClass = "TrimoraProgressWindow";

void RegisterWindowClass(HINSTANCE Instance) {
    WNDCLASSEXA windowClass{};
    if (GetClassInfoExA(Instance, WindowClass, &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.hInstance = Instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_WAIT);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    RegisterClassExA(&windowClass);
}

// Window styles for the look: no frame at all, or a plain caption; above the others or not.
DWORD StyleFor(const ProgressWindowLook& Look) {
    return WS_POPUP | WS_CLIPCHILDREN | (Look.Borderless ? 0 : WS_CAPTION);
}

}  // namespace

TWin32ProgressWindow::TWin32ProgressWindow(HINSTANCE Instance, MainWindowFinder MainWindow)
    : FMainWindow(std::move(MainWindow)) {
    RegisterWindowClass(Instance);
    // A tool window: no task-bar button of its own.
    FWindow = CreateWindowExA(WS_EX_TOOLWINDOW, WindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, Instance, nullptr);
    FBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, FWindow,
                           nullptr, Instance, nullptr);
    FLabel = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, FWindow,
                             nullptr, Instance, nullptr);
    // The label's font is the calibration window's, unscaled as this window is.
    LOGFONTA font{};
    font.lfHeight = -CalibrationGeometry::FontPixelHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, "MS Sans Serif", LF_FACESIZE);
    FFont = CreateFontIndirectA(&font);
    SendMessageA(FLabel, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
}

TWin32ProgressWindow::~TWin32ProgressWindow() {
    if (FWindow != nullptr) DestroyWindow(FWindow);
    if (FFont != nullptr) DeleteObject(FFont);
}

void TWin32ProgressWindow::Apply(const ProgressWindowLook& Look) {
    if (FWindow == nullptr) return;
    const bool wasVisible = IsWindowVisible(FWindow);
    SetWindowLongPtrA(FWindow, GWL_STYLE, StyleFor(Look) | (wasVisible ? WS_VISIBLE : 0));
    SetWindowTextA(FWindow, Look.Caption.c_str());
    // Its sizes are pixels whatever the resolution: the window is not scaled.
    SetWindowPos(FWindow, Look.StayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, Look.Width,
                 Look.Height, SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    SetWindowTextA(FBar, Look.BarName.c_str());
    SetWindowPos(FBar, nullptr, Look.BarLeft, Look.BarTop, Look.BarWidth, Look.BarHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(FBar, PBM_SETRANGE32, static_cast<WPARAM>(Look.Min),
                 static_cast<LPARAM>(Look.Max));
    SendMessageA(FBar, PBM_SETSTEP, static_cast<WPARAM>(Look.Step), 0);
    SendMessageA(FBar, PBM_SETPOS, static_cast<WPARAM>(Look.Position), 0);

    SetWindowTextA(FLabel, Look.LabelText.c_str());
    // Sized to its text, as a label is.
    HDC dc = GetDC(FLabel);
    HGDIOBJ old = SelectObject(dc, FFont);
    SIZE text{};
    GetTextExtentPoint32A(dc, Look.LabelText.c_str(), static_cast<int>(Look.LabelText.size()),
                          &text);
    SelectObject(dc, old);
    ReleaseDC(FLabel, dc);
    SetWindowPos(FLabel, nullptr, Look.LabelLeft, Look.LabelTop, text.cx, text.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(FLabel, Look.LabelVisible ? SW_SHOWNA : SW_HIDE);

    if (!Look.Visible) {
        ShowWindow(FWindow, SW_HIDE);
        return;
    }
    if (!wasVisible) Centre(Look.CentredOnMainWindow);
    // To the front without taking the focus from the operator's window.
    SetWindowPos(FWindow, Look.StayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(FWindow);
}

void TWin32ProgressWindow::Centre(bool OverMainWindow) {
    RECT own;
    GetWindowRect(FWindow, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    HWND main = OverMainWindow && FMainWindow ? FMainWindow() : nullptr;
    RECT over;
    if (main != nullptr && IsWindowVisible(main)) {
        GetWindowRect(main, &over);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoA(MonitorFromWindow(main, MONITOR_DEFAULTTOPRIMARY), &monitor);
        over = monitor.rcWork;
    }
    SetWindowPos(FWindow, nullptr, over.left + (over.right - over.left - width) / 2,
                 over.top + (over.bottom - over.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace trimora

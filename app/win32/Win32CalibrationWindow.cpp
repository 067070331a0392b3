#include "app/win32/Win32CalibrationWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>

#include "app/win32/Win32Dpi.h"
#include "app/win32/Win32Fonts.h"
#include "app/win32/Win32ShowRequest.h"

namespace trimora {

namespace {

using namespace CalibrationGeometry;

constexpr const char* WindowClass = TWin32CalibrationWindow::WindowClassName;
constexpr int PointButtonId = 101;  // + 0, 1, 2
constexpr int CheckBoxId = 104, MemoId = 105;
constexpr UINT_PTR KeyPreviewId = 1;

// Fixed dialog frame: a caption with a close box, no minimise or maximise box, no sizing.
constexpr DWORD WindowStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

constexpr TControlRect PointButtonRects[3] = {Btn_P1, Btn_P2, Btn_P3};

int Height(const RECT& Rect) {
    return Rect.bottom - Rect.top;
}
int Width(const RECT& Rect) {
    return Rect.right - Rect.left;
}

void RegisterWindowClass(HINSTANCE Instance, WNDPROC Procedure) {
    WNDCLASSEXA windowClass{};
    if (GetClassInfoExA(Instance, WindowClass, &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = Instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    // The program's icon, from its resources (id 1), for the task bar and Alt+Tab.
    windowClass.hIcon = LoadIconA(Instance, MAKEINTRESOURCEA(1));
    windowClass.hIconSm = windowClass.hIcon;
    RegisterClassExA(&windowClass);
}

}  // namespace

TWin32CalibrationWindow::TWin32CalibrationWindow(HINSTANCE Instance, TInput Input)
    : FInstance(Instance), FInput(std::move(Input)) {
    RegisterWindowClass(FInstance, &WindowProc);
    // Created at the design size; the monitor's resolution is known once the window exists.
    FWindow = CreateWindowExA(WindowExStyle, WindowClass, "Trimora: not connected!", WindowStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, ClientWidth, DesignClientHeight,
                              nullptr, nullptr, FInstance, this);
    if (FWindow == nullptr) return;
    CreateControls();
    ApplyDpi(DpiOfWindow(FWindow));
}

TWin32CalibrationWindow::~TWin32CalibrationWindow() {
    Destroy();
}

void TWin32CalibrationWindow::Destroy() {
    if (FWindow == nullptr) return;
    HWND window = FWindow;
    FWindow = nullptr;  // no more input reaches the owner
    DestroyWindow(window);
}

void TWin32CalibrationWindow::CreateControls() {
    // Created in tab order: P1, P2, P3, the check box, the text pane.
    static const char* const captions[3] = {"P1", "P2", "P3"};
    for (int i = 0; i < 3; ++i)
        FButtons[i] = CreateWindowExA(
            0, "BUTTON", captions[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0,
            0, FWindow, reinterpret_cast<HMENU>(PointButtonId + i), FInstance, nullptr);
    FCheckBox =
        CreateWindowExA(0, "BUTTON", "mph", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                        0, 0, 0, FWindow, reinterpret_cast<HMENU>(CheckBoxId), FInstance, nullptr);
    FMemo =
        CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "Memo1",
                        WS_CHILD | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 0,
                        0, 0, FWindow, reinterpret_cast<HMENU>(MemoId), FInstance, nullptr);
    CreateStatusTip();
    // Key preview: the window sees each key before the control that has the focus.
    for (HWND control : {FButtons[0], FButtons[1], FButtons[2], FCheckBox, FMemo})
        SetWindowSubclass(control, &ControlProc, KeyPreviewId, reinterpret_cast<DWORD_PTR>(this));
}

void TWin32CalibrationWindow::CreateStatusTip() {
    FStatusTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 FWindow, nullptr, FInstance, nullptr);
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = FWindow;
    tool.uId = 1;
    tool.lpszText = const_cast<char*>("");
    SendMessageA(FStatusTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void TWin32CalibrationWindow::UpdateStatusTip() {
    if (FStatusTip == nullptr) return;
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = FWindow;
    tool.uId = 1;
    tool.rect = Scaled(StatusLine);
    tool.lpszText = const_cast<char*>(FStatusText.c_str());
    SendMessageA(FStatusTip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(FStatusTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

RECT TWin32CalibrationWindow::Scaled(const TControlRect& Rect) const {
    return ScaleToDpi(Rect, FDpi);
}

void TWin32CalibrationWindow::ApplyDpi(int Dpi) {
    FDpi = Dpi;
    FFonts = std::make_unique<TWin32Fonts>(Dpi);
    for (HWND control : {FButtons[0], FButtons[1], FButtons[2], FCheckBox, FMemo})
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFonts->Regular()), FALSE);
    ApplyOuterHeight();
    UpdateStatusTip();
    InvalidateRect(FWindow, nullptr, TRUE);
}

void TWin32CalibrationWindow::ApplyOuterHeight() {
    if (FWindow == nullptr) return;
    RECT window, client;
    GetWindowRect(FWindow, &window);
    GetClientRect(FWindow, &client);
    // The frame as this system draws it: a caption taller than the one laid out for must not
    // push the status line out of view.
    const int frameWidth = Width(window) - Width(client);
    const int frameHeight = Height(window) - Height(client);
    const int clientHeight = std::max(ScaleToDpi(MinimumClientHeight, FDpi),
                                      ScaleToDpi(FOuterHeight, FDpi) - frameHeight);
    const int width = ScaleToDpi(ClientWidth, FDpi) + frameWidth;
    const int height = clientHeight + frameHeight;
    if (width != Width(window) || height != Height(window))
        SetWindowPos(FWindow, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutControls();
}

void TWin32CalibrationWindow::LayoutControls() {
    auto place = [](HWND Control, const RECT& Rect) {
        SetWindowPos(Control, nullptr, Rect.left, Rect.top, Width(Rect), Height(Rect),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    for (int i = 0; i < 3; ++i) place(FButtons[i], Scaled(PointButtonRects[i]));
    place(FCheckBox, Scaled(CheckBox1));

    // The text pane is anchored to all four sides of the client area; too short for one line
    // (the small height) it is hidden rather than shown as a clipped strip.
    RECT client;
    GetClientRect(FWindow, &client);
    RECT memo = Scaled(Memo1);
    memo.right = std::max(memo.left, client.right - ScaleToDpi(MemoRightMargin, FDpi));
    memo.bottom = std::max(memo.top, client.bottom - ScaleToDpi(MemoBottomMargin, FDpi));
    place(FMemo, memo);
    const int oneLine = ScaleToDpi(FontPixelHeight + 8, FDpi);
    ShowWindow(FMemo, Height(memo) >= oneLine ? SW_SHOWNA : SW_HIDE);
}

void TWin32CalibrationWindow::Show() {
    if (FWindow == nullptr) return;
    if (!FShownOnce) {
        FShownOnce = true;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoA(MonitorFromWindow(FWindow, MONITOR_DEFAULTTOPRIMARY), &monitor);
        RECT window;
        GetWindowRect(FWindow, &window);
        const RECT& area = monitor.rcWork;
        SetWindowPos(FWindow, nullptr, area.left + (Width(area) - Width(window)) / 2,
                     area.top + (Height(area) - Height(window)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // Centred on another monitor the resolution may differ.
        const int dpi = DpiOfWindow(FWindow);
        if (dpi != FDpi) ApplyDpi(dpi);
    }
    ShowWindow(FWindow, SW_SHOW);
    UpdateWindow(FWindow);
    ApplyOuterHeight();
    SetFocus(FButtons[0]);
}

bool TWin32CalibrationWindow::Visible() const {
    return FWindow != nullptr && IsWindowVisible(FWindow);
}

void TWin32CalibrationWindow::BringToFront() {
    if (FWindow == nullptr) return;
    if (IsIconic(FWindow)) ShowWindow(FWindow, SW_RESTORE);
    SetForegroundWindow(FWindow);
}

void TWin32CalibrationWindow::SetCaption(const std::string& Text) {
    if (FWindow != nullptr) SetWindowTextA(FWindow, Text.c_str());
}

void TWin32CalibrationWindow::Invalidate(const TControlRect& Area) {
    if (FWindow == nullptr) return;
    const RECT rect = Scaled(Area);
    InvalidateRect(FWindow, &rect, FALSE);
}

void TWin32CalibrationWindow::SetSpeedText(const std::string& Text, bool Bold) {
    if (Text == FSpeedText && Bold == FSpeedBold) return;
    FSpeedText = Text;
    FSpeedBold = Bold;
    // The label grows to the right with its text; the whole row is redrawn.
    Invalidate({0, Label1.Top, ClientWidth, Label1.Height});
}

void TWin32CalibrationWindow::SetTargetText(const std::string& Text) {
    if (Text == FTargetText) return;
    FTargetText = Text;
    Invalidate({0, Label2.Top, ClientWidth, Label2.Height});
}

void TWin32CalibrationWindow::SetZone(bool Visible, int Left, int ZoneWidth) {
    if (Visible == FZoneVisible && Left == FZone.Left && ZoneWidth == FZone.Width) return;
    Invalidate(FZone);
    FZoneVisible = Visible;
    FZone.Left = Left;
    FZone.Width = ZoneWidth;
    Invalidate(FZone);
}

void TWin32CalibrationWindow::SetArrow(bool Visible, int Left) {
    if (Visible == FArrowVisible && Left == FArrowLeft) return;
    Invalidate({FArrowLeft, Indicatore.Top, Indicatore.Width, Indicatore.Height});
    FArrowVisible = Visible;
    FArrowLeft = Left;
    Invalidate({FArrowLeft, Indicatore.Top, Indicatore.Width, Indicatore.Height});
}

void TWin32CalibrationWindow::SetStatusText(const std::string& Text) {
    if (Text == FStatusText) return;
    FStatusText = Text;
    UpdateStatusTip();
    Invalidate(StatusLine);
}

void TWin32CalibrationWindow::SetOuterHeight(int Value) {
    FOuterHeight = Value;
    ApplyOuterHeight();
}

HWND TWin32CalibrationWindow::PointButton(int Point) const {
    return Point >= 1 && Point <= 3 ? FButtons[Point - 1] : nullptr;
}

bool TWin32CalibrationWindow::CanTakeFocus() const {
    return Visible() && IsWindowEnabled(FWindow);
}

void TWin32CalibrationWindow::FocusPointButton(int Point) {
    if (HWND button = PointButton(Point); button != nullptr && CanTakeFocus()) SetFocus(button);
}

bool TWin32CalibrationWindow::MphChecked() const {
    return FCheckBox != nullptr && SendMessageA(FCheckBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool TWin32CalibrationWindow::TranslateDialogMessage(MSG& Message) {
    return FWindow != nullptr && IsDialogMessageA(FWindow, &Message);
}

LRESULT CALLBACK TWin32CalibrationWindow::ControlProc(HWND Control, UINT Message, WPARAM W,
                                                      LPARAM L, UINT_PTR, DWORD_PTR Data) {
    auto* self = reinterpret_cast<TWin32CalibrationWindow*>(Data);
    if (Message == WM_CHAR && self->FWindow != nullptr && self->FInput.KeyPressed)
        self->FInput.KeyPressed(static_cast<char>(W));  // the key goes on to the control
    if (Message == WM_NCDESTROY) RemoveWindowSubclass(Control, &ControlProc, KeyPreviewId);
    return DefSubclassProc(Control, Message, W, L);
}

LRESULT CALLBACK TWin32CalibrationWindow::WindowProc(HWND Window, UINT Message, WPARAM W,
                                                     LPARAM L) {
    if (Message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(L);
        SetWindowLongPtrA(Window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self =
        reinterpret_cast<TWin32CalibrationWindow*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
    if (self == nullptr || self->FWindow != Window) return DefWindowProcA(Window, Message, W, L);
    return self->Handle(Message, W, L);
}

LRESULT TWin32CalibrationWindow::Handle(UINT Message, WPARAM W, LPARAM L) {
    switch (Message) {
        case WM_COMMAND: {
            const int id = LOWORD(W);
            if (HIWORD(W) == BN_CLICKED && id >= PointButtonId && id < PointButtonId + 3 &&
                FInput.PointClicked)
                FInput.PointClicked(id - PointButtonId + 1);
            return 0;
        }
        case WM_CHAR:
            if (FInput.KeyPressed) FInput.KeyPressed(static_cast<char>(W));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // The check box on the window's own button-face background.
            SetBkColor(reinterpret_cast<HDC>(W), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT, without flicker
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC target = BeginPaint(FWindow, &paint);
            RECT client;
            GetClientRect(FWindow, &client);
            Paint(target, client);
            EndPaint(FWindow, &paint);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(FWindow, &client);
            Paint(reinterpret_cast<HDC>(W), client);
            return 0;
        }
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(L);
            SetWindowPos(FWindow, nullptr, suggested->left, suggested->top, Width(*suggested),
                         Height(*suggested), SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyDpi(HIWORD(W));
            return 0;
        }
        case WM_CLOSE:
            if (FInput.CloseRequested) FInput.CloseRequested();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (W != FALSE && FInput.SessionEnding) FInput.SessionEnding();
            return 0;
        default:
            if (Message == ShowRequestMessage()) {
                // Still searching for the dongle, the window shows itself when that ends.
                if (Visible()) BringToFront();
                return 1;
            }
            return DefWindowProcA(FWindow, Message, W, L);
    }
}

}  // namespace trimora

#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/logic/CalibrationGeometry.h"

namespace trimora {

class TWin32Fonts;

// The calibration window drawn with the Win32 API: push buttons, the check box and the text pane
// are native controls; the scale, the target zone, the labels, the status line and the arrow are
// painted by the window itself beneath them, in that order. Positions are those of the layout at
// 96 dpi, scaled to the monitor's resolution. It only draws and forwards what the operator does.
class TWin32CalibrationWindow {
  public:
    // The window class, by which a second start finds the running instance's window.
    static constexpr const char* WindowClassName = "TrimoraCalibrationWindow";

    struct TInput {
        std::function<void(int Point)> PointClicked;  // 1, 2 or 3
        // Every key press while the window is active, before the focused control gets it.
        std::function<void(char Key)> KeyPressed;
        // The operator closes the window (or the system asks it to): run the shut-down.
        std::function<void()> CloseRequested;
        // The session ends (log-off, shut-down): the process may end right after this returns.
        std::function<void()> SessionEnding;
    };

    TWin32CalibrationWindow(HINSTANCE Instance, TInput Input);
    ~TWin32CalibrationWindow();
    TWin32CalibrationWindow(const TWin32CalibrationWindow&) = delete;
    TWin32CalibrationWindow& operator=(const TWin32CalibrationWindow&) = delete;

    HWND Handle() const { return FWindow; }
    // Shows the window, centred on its monitor's work area the first time.
    void Show();
    bool Visible() const;
    // Brings the window to the front, restored if minimised.
    void BringToFront();
    // Destroys the window now (after the shut-down has run).
    void Destroy();

    void SetCaption(const std::string& Text);
    void SetSpeedText(const std::string& Text, bool Bold);
    void SetTargetText(const std::string& Text);
    // Left edge and width on the client area at 96 dpi.
    void SetZone(bool Visible, int Left, int Width);
    void SetArrow(bool Visible, int Left);
    void SetStatusText(const std::string& Text);
    // The window's height with its frame, at 96 dpi.
    void SetOuterHeight(int Height);
    int OuterHeight() const { return FOuterHeight; }
    void FocusPointButton(int Point);
    bool CanTakeFocus() const;
    bool MphChecked() const;

    // What tests look at.
    HWND PointButton(int Point) const;
    HWND CheckBox() const { return FCheckBox; }
    HWND Memo() const { return FMemo; }
    int Dpi() const { return FDpi; }

    // For the message loop: the dialog keys (Tab between the controls, space on a button).
    bool TranslateDialogMessage(MSG& Message);

  private:
    static LRESULT CALLBACK WindowProc(HWND Window, UINT Message, WPARAM W, LPARAM L);
    static LRESULT CALLBACK ControlProc(HWND Control, UINT Message, WPARAM W, LPARAM L, UINT_PTR Id,
                                        DWORD_PTR Data);
    LRESULT Handle(UINT Message, WPARAM W, LPARAM L);
    void CreateControls();
    void CreateStatusTip();
    void UpdateStatusTip();
    void ApplyDpi(int Dpi);
    void LayoutControls();
    void ApplyOuterHeight();
    void Paint(HDC Target, const RECT& Client);
    void Invalidate(const TControlRect& Area);
    RECT Scaled(const TControlRect& Rect) const;

    HINSTANCE FInstance;
    TInput FInput;
    HWND FWindow = nullptr;
    HWND FButtons[3] = {nullptr, nullptr, nullptr};
    HWND FCheckBox = nullptr;
    HWND FMemo = nullptr;
    // Shows the status line's whole text where the line is too short for it.
    HWND FStatusTip = nullptr;
    int FDpi = USER_DEFAULT_SCREEN_DPI;
    std::unique_ptr<TWin32Fonts> FFonts;

    int FOuterHeight = CalibrationGeometry::SmallOuterHeight;
    bool FShownOnce = false;
    std::string FSpeedText = "Speed:";
    bool FSpeedBold = false;
    std::string FTargetText;
    std::string FStatusText;
    bool FZoneVisible = false;
    TControlRect FZone = CalibrationGeometry::ZonaObbiettivo;
    bool FArrowVisible = true;
    int FArrowLeft = CalibrationGeometry::Indicatore.Left;
};

}  // namespace trimora

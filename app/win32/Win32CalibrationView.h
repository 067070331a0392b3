#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/logic/CalibrationView.h"
#include "app/logic/Form1.h"
#include "app/win32/Win32CalibrationWindow.h"

namespace trimora {

// The calibration window on Windows: the Win32 window shows what TForm1 asks for, and the
// operator's clicks, keys and closing go to TForm1's handlers.
class TWin32CalibrationView : public TCalibrationView {
  public:
    // Creates TForm1, which searches for the dongle: the window is not shown before that ends.
    explicit TWin32CalibrationView(TForm1::ProtocolSetup Setup = {},
                                   HINSTANCE Instance = GetModuleHandleA(nullptr));
    // TForm1 ends first, while the window it shows on is whole.
    ~TWin32CalibrationView() override;
    TWin32CalibrationView(const TWin32CalibrationView&) = delete;
    TWin32CalibrationView& operator=(const TWin32CalibrationView&) = delete;

    TForm1& Form() { return *FForm; }
    TWin32CalibrationWindow& Window() { return FWindow; }
    void Show() { FWindow.Show(); }
    // A second start asks for the window; while still searching it shows when done.
    void BringToFront();
    // As the operator closes it, once it is shown; before that there is nothing to close.
    void CloseIfShown();

    void SetCaption(const std::string& Text) override;
    void ShowSpeed(const std::string& Text, bool OnTarget) override;
    void ShowTarget(const std::string& Text) override;
    void ShowArrowAt(double Speed) override;
    void SetArrowVisible(bool Visible) override;
    void ShowTargetZone(double Centre, double Width) override;
    void ShowStatus(const std::string& Text) override;
    void SetOuterHeight(int Value) override;
    void FocusPointButton(int Point) override;
    bool MphChecked() const override;
    std::string FormatOneDecimal(double Value) const override;

  private:
    // The window's end: the shut-down, then the window goes and the loop ends.
    void Close();

    TWin32CalibrationWindow FWindow;
    bool FArrowVisible = true;
    int FArrowLeft = CalibrationGeometry::Indicatore.Left;
    std::unique_ptr<TForm1> FForm;
};

}  // namespace trimora

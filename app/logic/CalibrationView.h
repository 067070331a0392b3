#pragma once

#include <string>

namespace trimora {

// What the calibration window shows, as its logic (TForm1) asks for it; each toolkit's window
// implements it and forwards the operator's actions to TForm1's handlers. Speeds are in km/h:
// each view places them on its own scale.
class TCalibrationView {
  public:
    virtual ~TCalibrationView() = default;

    virtual void SetCaption(const std::string& Text) = 0;
    // The speed text; bold while the speed is on target.
    virtual void ShowSpeed(const std::string& Text, bool OnTarget) = 0;
    virtual void ShowTarget(const std::string& Text) = 0;
    // The arrow over the scale at Speed; hidden while no speed is known.
    virtual void ShowArrowAt(double Speed) = 0;
    virtual void SetArrowVisible(bool Visible) = 0;
    // The target zone on the scale, shown from the first point on.
    virtual void ShowTargetZone(double Centre, double Width) = 0;
    // The status line's whole text (a view may shorten what fits).
    virtual void ShowStatus(const std::string& Text) = 0;
    // The window's height with its frame; the small one keeps the text pane out of view.
    virtual void SetOuterHeight(int Value) = 0;
    // Point 0..2's button takes the focus, where the window can give it now.
    virtual void FocusPointButton(int Point) = 0;

    virtual bool MphChecked() const = 0;
    // A number with one decimal in the user's format, without group separators.
    virtual std::string FormatOneDecimal(double Value) const = 0;
};

}  // namespace trimora

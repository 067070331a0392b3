#pragma once

#include <QString>
#include <memory>

#include "app/logic/CalibrationView.h"
#include "app/logic/Form1.h"
#include "app/qt/CalibrationLayout.h"

namespace trimora {

// The calibration window in Qt: the laid-out controls show what TForm1 asks for, and the
// operator's clicks and keys go to TForm1's handlers.
class TQtCalibrationWindow : public TCalibrationLayout, public TCalibrationView {
    Q_OBJECT
  public:
    // Creates TForm1, which searches for the dongle: the window is not shown before that ends.
    explicit TQtCalibrationWindow(TForm1::ProtocolSetup Setup = {}, QWidget* Parent = nullptr);
    // TForm1 ends first, while the controls it shows on are whole.
    ~TQtCalibrationWindow() override;

    TForm1& Form() { return *FForm; }
    // A second start asks for the window; while still searching it shows when done.
    void BringToFront();
    // As the operator closes it, once it is shown; before that there is nothing to close.
    void CloseIfShown();
    const TForm1& Form() const { return *FForm; }

    // One line at the bottom, in space no control uses: what the program is doing and waits for.
    TLabel* StatusLine = nullptr;
    // Its whole text (the line shows it shortened to its width).
    QString StatusText() const { return StatusLine->toolTip(); }

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
    QPushButton* PointButton(int Point) const;

    std::unique_ptr<TForm1> FForm;
};

}  // namespace trimora

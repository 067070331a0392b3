#pragma once

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <cstdint>

#include "app/Label.h"
#include "app/Shape.h"
#include "app/VrArrow.h"

namespace trimora {

// The calibration window: three calibration points, the speed as text and as an arrow over the
// scale with the selected point's target zone.
class TForm1 : public QWidget {
    Q_OBJECT
  public:
    // The client area as laid out; the window itself is resized by outer height.
    static constexpr int ClientWidth = 319;
    static constexpr int DesignClientHeight = 373;
    static constexpr int SmallOuterHeight = 164;
    static constexpr int LargeOuterHeight = 400;

    explicit TForm1(QWidget* Parent = nullptr);
    ~TForm1() override;

    // Controls, in the order they are drawn (later ones on top).
    TShape* Zona = nullptr;
    TShape* ZonaObbiettivo = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TVrArrow* Indicatore = nullptr;
    TLabel* Label3 = nullptr;
    QPushButton* Btn_P1 = nullptr;
    QPushButton* Btn_P2 = nullptr;
    QPushButton* Btn_P3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

    void FormKeyPress(QObject* Sender, char Key);
    void Btn_P1Click(QObject* Sender);
    void Btn_P2Click(QObject* Sender);
    void Btn_P3Click(QObject* Sender);
    void MuoviZonaObbiettivo(double Centre, double Width);
    void MuoviIndicatore(double Speed);

    // The window's height with its frame, as the operator sees it.
    int OuterHeight() const { return FOuterHeight; }
    void SetOuterHeight(int Value);

    int CurrentPoint() const { return FCurrentPoint; }
    double TargetSpeed() const { return FTargetSpeed; }

    // A number with one decimal in the user's format, without group separators.
    static QString FormatOneDecimal(double Value);

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

  private:
    void CreateControls();
    void ApplyPoint(int Point);
    void ApplyOuterHeight();
    void CentreOnDesktop();
    bool IsKeyPreviewTarget(QObject* Watched) const;

    std::array<double, 3> FPointSpeeds{};
    std::array<std::int32_t, 3> FPointLevels{};
    std::int32_t FCurrentPoint = 0;
    double FTargetSpeed = 0.0;
    std::int32_t FConsoleId = 0;

    int FOuterHeight = SmallOuterHeight;
    bool FShownOnce = false;
};

}  // namespace trimora

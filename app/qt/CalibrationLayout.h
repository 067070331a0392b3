#pragma once

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "app/logic/CalibrationGeometry.h"
#include "app/qt/Label.h"
#include "app/qt/Shape.h"
#include "app/qt/VrArrow.h"

namespace trimora {

// The calibration window's look and the parts of it that need no dongle: its controls where they
// are laid out, the scale with its target zone and arrow, the outer height, and the key preview.
class TCalibrationLayout : public QWidget {
    Q_OBJECT
  public:
    // The client area as laid out; the window itself is resized by outer height.
    static constexpr int ClientWidth = CalibrationGeometry::ClientWidth;
    static constexpr int DesignClientHeight = CalibrationGeometry::DesignClientHeight;
    static constexpr int SmallOuterHeight = CalibrationGeometry::SmallOuterHeight;
    static constexpr int LargeOuterHeight = CalibrationGeometry::LargeOuterHeight;

    // The font the layout was drawn for (see FontSubstitute.h for where it is missing).
    static QFont WindowFont();

    explicit TCalibrationLayout(QWidget* Parent = nullptr);
    ~TCalibrationLayout() override;

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

    // Sees every key press while the window is active, before the focused control gets it.
    std::function<void(char Key)> OnKeyPreview;
    // Zone and arrow on the scale, which starts at Zona's left edge at 5 px per km/h.
    void MuoviZonaObbiettivo(double Centre, double Width);
    void MuoviIndicatore(double Speed);

    // The window's height with its frame, as the operator sees it.
    int OuterHeight() const { return FOuterHeight; }
    void SetOuterHeight(int Value);
    // The client area never gets lower than this, whatever the frame takes of the outer height.
    void SetMinimumClientHeight(int Value);

    // A number with one decimal in the user's format, without group separators.
    static QString FormatOneDecimal(double Value);

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    bool nativeEvent(const QByteArray& EventType, void* Message, qintptr* Result) override;

  private:
    void CreateControls();
    void ApplyOuterHeight();
    int FrameHeight() const;
    void CentreOnDesktop();
    bool IsKeyPreviewTarget(QObject* Watched) const;

    int FOuterHeight = SmallOuterHeight;
    int FMinimumClientHeight = 1;
    bool FShownOnce = false;
    bool FFrameLookPending = false;
};

}  // namespace trimora

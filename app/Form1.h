#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/CalibrationLayout.h"
#include "protocol/WirelessProtocol.h"

namespace trimora {

// The calibration window: three calibration points, the speed as text and as an arrow over the
// scale with the selected point's target zone. It creates the protocol component, has the dongle
// found before it is first shown, opens registration, follows the console that joins, and ends
// the connection when it is destroyed.
class TForm1 : public TCalibrationLayout {
    Q_OBJECT
  public:
    // Called with the new protocol component before the dongle is searched for (the command
    // line's port goes in here).
    using ProtocolSetup = std::function<void(TVelnWirelessProtocol&)>;

    // Runs FormCreate, which searches for the dongle: the window is not shown before that ends.
    explicit TForm1(ProtocolSetup Setup = {}, QWidget* Parent = nullptr);
    // Runs FormDestroy, then releases the protocol component.
    ~TForm1() override;

    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void Btn_P1Click(QObject* Sender);
    void Btn_P2Click(QObject* Sender);
    void Btn_P3Click(QObject* Sender);
    void tmpMeasureRecieved(TVelnWirelessConsoleMeasures& val, std::uint8_t id_console);
    void TmpConsoleAdd(std::int32_t id);

    int CurrentPoint() const { return FCurrentPoint; }
    double TargetSpeed() const { return FTargetSpeed; }
    std::int32_t ConsoleId() const { return FConsoleId; }
    TVelnWirelessProtocol* Protocol() const { return FProtocol.get(); }

  private:
    void ApplyPoint(int Point);
    QPushButton* PointButton(int Point) const;
    bool CanTakeFocus() const;

    std::array<double, 3> FPointSpeeds{};
    std::array<std::int32_t, 3> FPointLevels{};
    std::int32_t FCurrentPoint = 0;
    double FTargetSpeed = 0.0;
    // Created without an owner; lives as long as the window.
    std::unique_ptr<TVelnWirelessProtocol> FProtocol;
    std::int32_t FConsoleId = 0;

    ProtocolSetup FSetup;
};

}  // namespace trimora

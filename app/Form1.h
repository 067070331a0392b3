#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/CalibrationLayout.h"
#include "protocol/DongleSearch.h"
#include "protocol/WirelessProtocol.h"

class QTimer;

namespace trimora {

// The calibration window: three calibration points, the speed as text and as an arrow over the
// scale with the selected point's target zone. It creates the protocol component, has the dongle
// found before it is first shown, opens registration, follows the console that joins, and ends
// the connection when it is destroyed. While the dongle is away it has it looked for and takes
// the console back when it returns; the caption, a status line at the bottom and a stale speed
// display say what is true meanwhile.
class TForm1 : public TCalibrationLayout {
    Q_OBJECT
  public:
    // Called with the new protocol component before the dongle is searched for (the command
    // line's port goes in here).
    using ProtocolSetup = std::function<void(TVelnWirelessProtocol&)>;

    // Runs FormCreate, which searches for the dongle: the window is not shown before that ends.
    explicit TForm1(ProtocolSetup Setup = {}, QWidget* Parent = nullptr);
    // Runs FormDestroy unless ShutDown did, then releases the protocol component.
    ~TForm1() override;

    // The window's end while it is still whole: stops following the dongle and runs
    // FormDestroy, once. The program calls it before destroying the window, so that nothing
    // waits (and serves the loop) inside the destructor.
    void ShutDown();

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
    TDongleSearch* Search() const { return FSearch.get(); }
    // Called when the dongle is found again after a loss or a failed start-up search (the
    // program remembers the port for its next start).
    std::function<void()> OnDongleFound;

    // One line at the bottom, in space no control uses: what the program is doing and waits for.
    TLabel* StatusLine = nullptr;
    // Its whole text (the line shows it shortened to its width).
    const QString& StatusText() const { return FStatusText; }
    // The speed shown is older than StaleAfterMs, or the dongle is gone: no speed is shown.
    bool MeasuresStale() const { return FStale; }
    static constexpr int StaleAfterMs = 2000;

  private:
    void ApplyPoint(int Point);
    QPushButton* PointButton(int Point) const;
    bool CanTakeFocus() const;

    // The dongle coming and going, and the measures' freshness.
    void FollowDongle();
    void DongleLost();
    void DongleFound();
    void ProbeFailed(const std::string& Port);
    void ConsoleLeft(std::int32_t Id);
    void MeasureFresh();
    void MeasuresStopped();
    void ShowStale();
    void ShowStatus(const QString& Text);
    QString DonglePlace() const;
    QString WaitingForConsoleText() const;
    QString WaitingForDongleText() const;
    QString ConsoleJoinedText() const;

    std::array<double, 3> FPointSpeeds{};
    std::array<std::int32_t, 3> FPointLevels{};
    std::int32_t FCurrentPoint = 0;
    double FTargetSpeed = 0.0;
    // Created without an owner; lives as long as the window.
    std::unique_ptr<TVelnWirelessProtocol> FProtocol;
    std::int32_t FConsoleId = 0;

    ProtocolSetup FSetup;

    // Destroyed before the protocol component it uses.
    std::unique_ptr<TDongleSearch> FSearch;
    QTimer* FStaleTimer = nullptr;
    QString FStatusText;
    // A dongle was found at some time: until then nothing was lost.
    bool FDongleSeen = false;
    bool FMeasured = false;
    bool FStale = false;
    bool FShutDown = false;
};

}  // namespace trimora

#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/logic/CalibrationView.h"
#include "protocol/DongleSearch.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/TObject.h"

namespace trimora {

class TThreadedTimer;

// The calibration window's logic: three calibration points, the speed as text and as an arrow
// over the scale with the selected point's target zone. It creates the protocol component, has
// the dongle found before the window is first shown, opens registration, follows the console
// that joins, and ends the connection when it is destroyed. While the dongle is away it has it
// looked for and takes the console back when it returns; the caption, a status line at the
// bottom and a stale speed display say what is true meanwhile. What it shows goes to View,
// which outlives it.
class TForm1 {
  public:
    // Called with the new protocol component before the dongle is searched for (the command
    // line's port goes in here).
    using ProtocolSetup = std::function<void(TVelnWirelessProtocol&)>;

    // Runs FormCreate, which searches for the dongle: the window is not shown before that ends.
    explicit TForm1(TCalibrationView& View, ProtocolSetup Setup = {});
    // Runs FormDestroy unless ShutDown did, then releases the protocol component.
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The window's end while it is still whole: stops following the dongle and runs
    // FormDestroy, once. The program calls it before destroying the window, so that nothing
    // waits (and serves the loop) inside the destructor.
    void ShutDown();

    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    // Every key press while the window is active, before the focused control gets it.
    void FormKeyPress(TObject* Sender, char Key);
    void Btn_P1Click(TObject* Sender);
    void Btn_P2Click(TObject* Sender);
    void Btn_P3Click(TObject* Sender);
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

    // The status line's whole text: what the program is doing and waits for.
    const std::string& StatusText() const { return FStatusText; }
    // The speed shown is older than StaleAfterMs, or the dongle is gone: no speed is shown.
    bool MeasuresStale() const { return FStale; }
    static constexpr int StaleAfterMs = 2000;

  private:
    void ApplyPoint(int Point);
    // The speed in the unit the mph box selects, with its unit.
    std::string InUnit(double Kmh) const;

    // The dongle coming and going, and the measures' freshness.
    void FollowDongle();
    void DongleLost();
    void DongleFound();
    void ProbeFailed(const std::string& Port);
    void ConsoleLeft(std::int32_t Id);
    void MeasureFresh();
    void MeasuresStopped();
    void ShowStale();
    void ShowStatus(const std::string& Text);
    std::string DonglePlace() const;
    std::string WaitingForConsoleText() const;
    std::string WaitingForDongleText() const;
    std::string ConsoleJoinedText() const;

    TCalibrationView& FView;
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
    std::unique_ptr<TThreadedTimer> FStaleTimer;
    std::string FStatusText;
    // A dongle was found at some time: until then nothing was lost.
    bool FDongleSeen = false;
    bool FMeasured = false;
    bool FStale = false;
    bool FShutDown = false;
};

}  // namespace trimora

#include "app/logic/Form1.h"

#include <cmath>

#include "app/logic/CalibrationGeometry.h"
#include "serial/ComPort.h"
#include "support/ThdTimer.h"

namespace trimora {

namespace {

constexpr double PointZoneWidth = 2.0;  // km/h
constexpr double KmhPerMph = 1.609;
constexpr double KmhPerSpeedUnit = 0.008482;  // a measure's raw speed
constexpr double OnTargetTolerance = 0.5;     // km/h
constexpr std::uint8_t NextPointKey = 4, PreviousPointKey = 1;

}  // namespace

TForm1::TForm1(TCalibrationView& View, ProtocolSetup Setup)
    : FView(View), FSetup(std::move(Setup)) {
    FStaleTimer = std::make_unique<TThreadedTimer>(nullptr);
    FStaleTimer->SetInterval(StaleAfterMs);
    FStaleTimer->OnTimer = [this](TObject*) {
        FStaleTimer->SetEnabled(false);  // once per silence
        MeasuresStopped();
    };
    FormCreate(nullptr);
    FollowDongle();
}

TForm1::~TForm1() {
    ShutDown();
    FSearch.reset();
    // Nothing the component still delivers may reach a window that is going away.
    FProtocol->OnMeasuresReceived = nullptr;
    FProtocol->OnConsoleAdd = nullptr;
    FProtocol->OnConsoleRemove = nullptr;
    FProtocol.reset();
}

void TForm1::ShutDown() {
    if (FShutDown) return;
    FShutDown = true;
    FStaleTimer->SetEnabled(false);
    if (FSearch) FSearch->Stop();
    FormDestroy(nullptr);
}

void TForm1::FormCreate(TObject*) {
    // The text pane stays out of view.
    FView.SetOuterHeight(CalibrationGeometry::SmallOuterHeight);
    FProtocol = std::make_unique<TVelnWirelessProtocol>(nullptr);
    if (FSetup) FSetup(*FProtocol);
    FProtocol->SetDisplayMessage(true);
    // Attached before any communication: events raised while the search below waits reach us.
    FProtocol->OnMeasuresReceived = [this](TVelnWirelessConsoleMeasures& val,
                                           std::uint8_t id_console) {
        tmpMeasureRecieved(val, id_console);
    };
    FProtocol->OnConsoleAdd = [this](std::int32_t id) { TmpConsoleAdd(id); };
    FProtocol->OnConsoleRemove = [this](std::int32_t id) { ConsoleLeft(id); };
    // Runs the whole search; the window opens whatever its outcome.
    if (!FProtocol->Connected()) FProtocol->Connect();
    FProtocol->SetResistanceInterval(1000);
    FPointSpeeds = {20.0, 30.0, 40.0};
    FPointLevels = {100, 60, 0};
    FCurrentPoint = 0;
    FProtocol->OpenRegistration();
}

void TForm1::FormDestroy(TObject*) {
    FProtocol->SetDebugMemo(nullptr);
    FProtocol->DisableResistanceTimer();
    FProtocol->SetMeasures(false);
    FProtocol->RemoveConsole(static_cast<std::uint8_t>(FConsoleId));
    FProtocol->Disconnect();
}

void TForm1::FormKeyPress(TObject*, char Key) {
    // Only lower-case d; the text pane below comes into view.
    if (Key == 'd') FView.SetOuterHeight(CalibrationGeometry::LargeOuterHeight);
}

void TForm1::Btn_P1Click(TObject*) {
    ApplyPoint(1);
}
void TForm1::Btn_P2Click(TObject*) {
    ApplyPoint(2);
}
void TForm1::Btn_P3Click(TObject*) {
    ApplyPoint(3);
}

std::string TForm1::InUnit(double Kmh) const {
    if (FView.MphChecked()) return FView.FormatOneDecimal(Kmh / KmhPerMph) + " mph";
    return FView.FormatOneDecimal(Kmh) + " km/h";
}

void TForm1::ApplyPoint(int Point) {
    const double speed = FPointSpeeds[Point - 1];
    FView.ShowTargetZone(speed, PointZoneWidth);
    FView.ShowTarget("Target speed: " + InUnit(speed));
    FTargetSpeed = speed;
    FProtocol->SetConsoleResistance(FConsoleId, static_cast<std::uint8_t>(FPointLevels[Point - 1]),
                                    0, 0);
    FCurrentPoint = Point - 1;
}

void TForm1::tmpMeasureRecieved(TVelnWirelessConsoleMeasures& val, std::uint8_t id_console) {
    // The component grows its table before it reports a measure; an id beyond it is ignored.
    if (id_console >= val.Items.size()) return;
    // Once a console has joined, another rider in range neither shows his speed nor steps the
    // point with his keys.
    if (FConsoleId != 0 && id_console != FConsoleId) return;
    const TVelnMeasureItem& measure = val.Items[id_console];
    const double speed = measure.Speed * KmhPerSpeedUnit;
    const std::uint8_t keys = measure.Keys;

    // The console's keys step the point; no memory of earlier measures' keys is kept.
    if (keys == NextPointKey)
        FCurrentPoint = (FCurrentPoint + 1) % 3;
    else if (keys == PreviousPointKey)
        FCurrentPoint = FCurrentPoint == 0 ? 2 : FCurrentPoint - 1;

    // Every measure re-applies the point, as a click on its button: the target text follows the
    // mph box and the level is written again.
    FView.FocusPointButton(FCurrentPoint);
    ApplyPoint(FCurrentPoint + 1);

    if (!FProtocol->Connected()) return;
    MeasureFresh();
    FView.ShowArrowAt(speed);
    FView.ShowSpeed("Speed: " + InUnit(speed),
                    std::fabs(speed - FTargetSpeed) < OnTargetTolerance);  // always in km/h
}

void TForm1::TmpConsoleAdd(std::int32_t id) {
    FView.SetCaption("Trimora: Connected");
    FConsoleId = id;  // resistances go to the console that joined last
    FProtocol->SetMeasures(true);
    FProtocol->EnableResistanceTimer();
    ShowStatus(ConsoleJoinedText());
}

// ---- The dongle coming and going

void TForm1::FollowDongle() {
    FSearch = std::make_unique<TDongleSearch>(nullptr, *FProtocol);
    FSearch->OnLost = [this] { DongleLost(); };
    FSearch->OnFound = [this] { DongleFound(); };
    FSearch->OnProbing = [this](const std::string& Port) {
        ShowStatus((FDongleSeen ? "Dongle lost: trying " : "No dongle yet: trying ") + Port);
    };
    FSearch->OnFailed = [this](const std::string& Port) { ProbeFailed(Port); };
    // After the start-up search, whose own attempts are no loss.
    FSearch->Follow(FProtocol->PortDef());
    FDongleSeen = FProtocol->Connected();
    if (FDongleSeen) {
        ShowStatus(WaitingForConsoleText());
        return;
    }
    // No speed to point at.
    FView.SetArrowVisible(false);
    ShowStatus(WaitingForDongleText());
}

void TForm1::DongleLost() {
    if (FShutDown) return;
    FView.SetCaption("Trimora: not connected!");
    FStaleTimer->SetEnabled(false);
    ShowStale();
    ShowStatus(WaitingForDongleText());
}

void TForm1::ProbeFailed(const std::string& Port) {
    if (FShutDown) return;
    // The attempt is over: what is true again, and what failed.
    ShowStatus("No dongle on " + Port + ". " + WaitingForDongleText());
}

void TForm1::ConsoleLeft(std::int32_t Id) {
    // Only the console followed matters. The display does not move to another console that
    // still sends (another rider's speed would pass for this one's); the next one to join is
    // followed, as always.
    if (FShutDown || Id != FConsoleId) return;
    FStaleTimer->SetEnabled(false);
    ShowStale();
    ShowStatus("Console " + std::to_string(Id) + " left; dongle on " + DonglePlace());
}

void TForm1::DongleFound() {
    if (FShutDown) return;
    FDongleSeen = true;
    // The rest of the start-up sequence; the point, its level and the mph box stay as they are.
    FProtocol->SetResistanceInterval(1000);
    FProtocol->OpenRegistration();
    ShowStatus(WaitingForConsoleText());
    if (OnDongleFound) OnDongleFound();
}

void TForm1::MeasureFresh() {
    FMeasured = true;
    // Enabling again starts a full period.
    FStaleTimer->SetEnabled(false);
    FStaleTimer->SetEnabled(true);
    // Hidden while there was no speed to show: stale, or no dongle at the start.
    FView.SetArrowVisible(true);
    if (!FStale) return;
    FStale = false;
    ShowStatus(ConsoleJoinedText());
}

void TForm1::MeasuresStopped() {
    ShowStale();
    if (FProtocol->Connected())
        ShowStatus("Console " + std::to_string(FConsoleId) +
                   " stopped sending: out of range or battery flat?");
}

void TForm1::ShowStale() {
    // Before the first measure the window stays as it was laid out.
    if (!FMeasured || FStale) return;
    FStale = true;
    FView.ShowSpeed(FView.MphChecked() ? "Speed: -- mph" : "Speed: -- km/h", false);
    FView.SetArrowVisible(false);  // an arrow would claim a speed
}

void TForm1::ShowStatus(const std::string& Text) {
    FStatusText = Text;
    FView.ShowStatus(Text);
}

std::string TForm1::DonglePlace() const {
    if (FProtocol->Port() != nullptr) return FProtocol->Port()->Port();
    return FSearch ? FSearch->LastPort() : FProtocol->PortDef();
}

std::string TForm1::WaitingForConsoleText() const {
    if (FConsoleId == 0) return "Dongle on " + DonglePlace() + ": waiting for a console to join";
    return "Dongle on " + DonglePlace() + ": waiting for console " + std::to_string(FConsoleId) +
           " to join again";
}

std::string TForm1::WaitingForDongleText() const {
    const std::string last = FSearch ? FSearch->LastPort() : std::string();
    if (FDongleSeen && last.empty()) return "Dongle lost: waiting for a new serial port";
    if (FDongleSeen) return "Dongle lost from " + last + ": waiting for it or a new port";
    return last.empty() ? "No dongle found: waiting for one to be plugged in"
                        : "No dongle found: waiting for " + last + " or a new serial port";
}

std::string TForm1::ConsoleJoinedText() const {
    return "Console " + std::to_string(FConsoleId) + " joined; dongle on " + DonglePlace();
}

}  // namespace trimora

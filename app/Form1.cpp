#include "app/Form1.h"

#include <QFontMetrics>
#include <QTimer>
#include <cmath>

#include "serial/ComPort.h"

namespace trimora {

namespace {

constexpr double PointZoneWidth = 2.0;  // km/h
constexpr double KmhPerMph = 1.609;
constexpr double KmhPerSpeedUnit = 0.008482;  // a measure's raw speed
constexpr double OnTargetTolerance = 0.5;     // km/h
constexpr std::uint8_t NextPointKey = 4, PreviousPointKey = 1;

constexpr TControlRect StatusRect = CalibrationGeometry::StatusLine;

}  // namespace

TForm1::TForm1(ProtocolSetup Setup, QWidget* Parent)
    : TCalibrationLayout(Parent), FSetup(std::move(Setup)) {
    connect(Btn_P1, &QPushButton::clicked, this, [this] { Btn_P1Click(Btn_P1); });
    connect(Btn_P2, &QPushButton::clicked, this, [this] { Btn_P2Click(Btn_P2); });
    connect(Btn_P3, &QPushButton::clicked, this, [this] { Btn_P3Click(Btn_P3); });
    StatusLine = new TLabel(this);
    StatusLine->SetAutoSize(false);
    StatusLine->setGeometry(StatusRect.Left, StatusRect.Top, StatusRect.Width, StatusRect.Height);
    // The small outer height leaves the client area ending where the text pane begins under a
    // 28 px frame; a window manager with a taller title bar must not hide the status line.
    SetMinimumClientHeight(CalibrationGeometry::MinimumClientHeight);
    FStaleTimer = new QTimer(this);
    FStaleTimer->setSingleShot(true);
    connect(FStaleTimer, &QTimer::timeout, this, [this] { MeasuresStopped(); });
    FormCreate(this);
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
    FStaleTimer->stop();
    if (FSearch) FSearch->Stop();
    FormDestroy(this);
}

void TForm1::FormCreate(QObject*) {
    SetOuterHeight(SmallOuterHeight);  // the text pane stays out of view
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

void TForm1::FormDestroy(QObject*) {
    FProtocol->SetDebugMemo(nullptr);
    FProtocol->DisableResistanceTimer();
    FProtocol->SetMeasures(false);
    FProtocol->RemoveConsole(static_cast<std::uint8_t>(FConsoleId));
    FProtocol->Disconnect();
}

void TForm1::Btn_P1Click(QObject*) {
    ApplyPoint(1);
}
void TForm1::Btn_P2Click(QObject*) {
    ApplyPoint(2);
}
void TForm1::Btn_P3Click(QObject*) {
    ApplyPoint(3);
}

void TForm1::ApplyPoint(int Point) {
    const double speed = FPointSpeeds[Point - 1];
    ZonaObbiettivo->show();
    MuoviZonaObbiettivo(speed, PointZoneWidth);
    if (CheckBox1->isChecked())
        Label2->SetCaption(
            QStringLiteral("Target speed: %1 mph").arg(FormatOneDecimal(speed / KmhPerMph)));
    else
        Label2->SetCaption(QStringLiteral("Target speed: %1 km/h").arg(FormatOneDecimal(speed)));
    FTargetSpeed = speed;
    FProtocol->SetConsoleResistance(FConsoleId, static_cast<std::uint8_t>(FPointLevels[Point - 1]),
                                    0, 0);
    FCurrentPoint = Point - 1;
}

QPushButton* TForm1::PointButton(int Point) const {
    switch (Point) {
        case 0:
            return Btn_P1;
        case 1:
            return Btn_P2;
        default:
            return Btn_P3;
    }
}

bool TForm1::CanTakeFocus() const {
    return isVisible() && isEnabled();
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

    // Every measure re-applies the point: the target text follows the mph box and the level is
    // written again. Before the window is first shown there is no focus to move.
    QPushButton* button = PointButton(FCurrentPoint);
    if (CanTakeFocus()) button->setFocus(Qt::OtherFocusReason);
    button->click();

    if (!FProtocol->Connected()) return;
    MeasureFresh();
    MuoviIndicatore(speed);
    if (CheckBox1->isChecked())
        Label1->SetCaption(
            QStringLiteral("Speed: %1 mph").arg(FormatOneDecimal(speed / KmhPerMph)));
    else
        Label1->SetCaption(QStringLiteral("Speed: %1 km/h").arg(FormatOneDecimal(speed)));
    QFont font = Label1->font();
    font.setBold(std::fabs(speed - FTargetSpeed) < OnTargetTolerance);  // always in km/h
    Label1->setFont(font);
}

void TForm1::TmpConsoleAdd(std::int32_t id) {
    setWindowTitle(QStringLiteral("Trimora: Connected"));
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
        const QString port = QString::fromStdString(Port);
        ShowStatus(FDongleSeen ? QStringLiteral("Dongle lost: trying %1").arg(port)
                               : QStringLiteral("No dongle yet: trying %1").arg(port));
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
    Indicatore->hide();
    ShowStatus(WaitingForDongleText());
}

void TForm1::DongleLost() {
    if (FShutDown) return;
    setWindowTitle(QStringLiteral("Trimora: not connected!"));
    FStaleTimer->stop();
    ShowStale();
    ShowStatus(WaitingForDongleText());
}

void TForm1::ProbeFailed(const std::string& Port) {
    if (FShutDown) return;
    // The attempt is over: what is true again, and what failed.
    ShowStatus(QStringLiteral("No dongle on %1. %2")
                   .arg(QString::fromStdString(Port), WaitingForDongleText()));
}

void TForm1::ConsoleLeft(std::int32_t Id) {
    // Only the console followed matters. The display does not move to another console that
    // still sends (another rider's speed would pass for this one's); the next one to join is
    // followed, as always.
    if (FShutDown || Id != FConsoleId) return;
    FStaleTimer->stop();
    ShowStale();
    ShowStatus(QStringLiteral("Console %1 left; dongle on %2").arg(Id).arg(DonglePlace()));
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
    FStaleTimer->start(StaleAfterMs);
    // Hidden while there was no speed to show: stale, or no dongle at the start.
    Indicatore->show();
    if (!FStale) return;
    FStale = false;
    ShowStatus(ConsoleJoinedText());
}

void TForm1::MeasuresStopped() {
    ShowStale();
    if (FProtocol->Connected())
        ShowStatus(QStringLiteral("Console %1 stopped sending: out of range or battery flat?")
                       .arg(FConsoleId));
}

void TForm1::ShowStale() {
    // Before the first measure the window stays as it was laid out.
    if (!FMeasured || FStale) return;
    FStale = true;
    Label1->SetCaption(CheckBox1->isChecked() ? QStringLiteral("Speed: -- mph")
                                              : QStringLiteral("Speed: -- km/h"));
    QFont font = Label1->font();
    font.setBold(false);
    Label1->setFont(font);
    Indicatore->hide();  // an arrow would claim a speed
}

void TForm1::ShowStatus(const QString& Text) {
    FStatusText = Text;
    StatusLine->setText(
        QFontMetrics(StatusLine->font()).elidedText(Text, Qt::ElideMiddle, StatusRect.Width));
    StatusLine->setToolTip(Text);
}

QString TForm1::DonglePlace() const {
    if (FProtocol->Port() != nullptr) return QString::fromStdString(FProtocol->Port()->Port());
    return QString::fromStdString(FSearch ? FSearch->LastPort() : FProtocol->PortDef());
}

QString TForm1::WaitingForConsoleText() const {
    if (FConsoleId == 0)
        return QStringLiteral("Dongle on %1: waiting for a console to join").arg(DonglePlace());
    return QStringLiteral("Dongle on %1: waiting for console %2 to join again")
        .arg(DonglePlace())
        .arg(FConsoleId);
}

QString TForm1::WaitingForDongleText() const {
    const QString last = QString::fromStdString(FSearch ? FSearch->LastPort() : std::string());
    if (FDongleSeen && last.isEmpty())
        return QStringLiteral("Dongle lost: waiting for a new serial port");
    if (FDongleSeen)
        return QStringLiteral("Dongle lost from %1: waiting for it or a new port").arg(last);
    return last.isEmpty()
               ? QStringLiteral("No dongle found: waiting for one to be plugged in")
               : QStringLiteral("No dongle found: waiting for %1 or a new serial port").arg(last);
}

QString TForm1::ConsoleJoinedText() const {
    return QStringLiteral("Console %1 joined; dongle on %2").arg(FConsoleId).arg(DonglePlace());
}

}  // namespace trimora


#include "protocol/FrameCodec.h"
#include "protocol/PumpDelay.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "runtime/Clock.h"
#include "runtime/GuiThreadCheck.h"
#include "runtime/LocaleText.h"
#include "runtime/SwallowedError.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "serial/PortAccessHint.h"
#include "serial/PortList.h"
#include "support/VelnProgressBar.h"

namespace trimora {

namespace {

// The dongle's answer to the version request for console 0.
const std::string kDongleVersionHex = "78";
// Pauses of the search, in milliseconds: long enough for the operator to read the progress
// window, and for the dongle to settle after registration changes.
constexpr std::int32_t kVersionReplyWait = 200;
constexpr std::int32_t kShowResultDelay = 800;
constexpr std::int32_t kRegistrationDelay = 300;
constexpr std::uint32_t kDisconnectPause = 300;

}  // namespace

// ---- Port

bool TVelnWirelessProtocol::CreatePort() {
    try {
        auto* port = new TComPort(this);
        // Ours at once: a setting that fails below leaves it the component's port.
        FPort = port;
        port->SetBaudRate(br115200);
        port->Buffer().SetInputSize(1024);
        port->Buffer().SetOutputSize(1024);
        port->SetConnected(false);
        port->SetDataBits(dbEight);
        port->SetDiscardNull(false);
        port->SetEventChar(0);
        port->SetEvents({evRxChar, evRxFlag});
        TComFlowControl& flow = port->FlowControl();
        flow.SetControlDTR(dtrDisable);
        flow.SetControlRTS(rtsHandshake);
        flow.SetDSRSensitivity(false);
        flow.SetFlowControl(fcHardware);
        flow.SetOutCTSFlow(true);
        flow.SetOutDSRFlow(false);
        flow.SetTxContinueOnXoff(false);
        flow.SetXoffChar(19);
        flow.SetXonChar(17);
        flow.SetXonXoffIn(false);
        flow.SetXonXoffOut(false);
        TComParity& parity = port->Parity();
        parity.SetBits(prNone);
        parity.SetCheck(true);
        parity.SetReplace(false);
        parity.SetReplaceChar(0);
        if (!FPortDef.empty()) port->SetPort(FPortDef);
        port->SetStopBits(sbOneStopBit);
        port->SetSyncMethod(smThreadSync);
        TComTimeouts& timeouts = port->Timeouts();
        timeouts.SetReadInterval(-1);
        timeouts.SetReadTotalConstant(0);
        timeouts.SetReadTotalMultiplier(0);
        timeouts.SetWriteTotalConstant(1000);
        timeouts.SetWriteTotalMultiplier(100);
        return true;
    } catch (...) {
        ReportSwallowed("setting up the dongle's port", std::current_exception());
        return false;
    }
}

void TVelnWirelessProtocol::SetPort(TComPort* Value) {
    // Having no port is not a state an owner can ask for.
    if (Value == nullptr) return;
    FPort = Value;
    // The port may belong to someone else: when it goes, Notification forgets it.
    FPort->FreeNotification(this);
    FPort->OnError = [this](TObject* Sender, TComErrors Errors) { PortError(Sender, Errors); };
    FPort->OnDeviceGone = [this](TObject* Sender) { PortGone(Sender); };
}

std::string TVelnWirelessProtocol::PortName() const {
    return FPort != nullptr ? FPort->Port() : std::string();
}

void TVelnWirelessProtocol::CloseOpenPort() {
    if (FPort == nullptr || !FPort->Connected()) return;
    try {
        FPort->ClosePort();
    } catch (...) {
        // A close handler failed; the port is closed all the same.
        ReportSwallowed("closing the dongle's port", std::current_exception());
    }
}

void TVelnWirelessProtocol::RenamePort(const std::string& Name) {
    if (FPort == nullptr) return;
    try {
        FPort->SetPort(Name);
    } catch (...) {
        // The port could not reopen under the new name and is closed. The attempt on this name
        // tries to open it again and reports the failure; an unrelated port that cannot be
        // opened must not end the whole search.
        ReportSwallowed("renaming the dongle's port", std::current_exception());
    }
}

void TVelnWirelessProtocol::ConfigureFramer() {
    TComDataPacket& framer = *FPacket;
    framer.SetComPort(FPort);
    framer.SetStartString(std::string(1, static_cast<char>(kFrameStart)));
    framer.SetCaseInsensitive(true);
    framer.SetIncludeStrings(true);
    framer.SetSize(0);
    framer.SetStopString(std::string(1, static_cast<char>(kFrameEnd)));
    framer.OnPacket = [this](TObject* Sender, const std::string& F) { PacketReceived(Sender, F); };
}

// ---- Probe

bool TVelnWirelessProtocol::TryPort() {
    RequireGuiThread("TVelnWirelessProtocol::TryPort");
    // A fresh open every time: the answer must come from this opening of the device.
    FConnected = false;
    CloseOpenPort();
    if (FPort == nullptr && !CreatePort()) return false;
    if (FPort->Port().empty()) RenamePort(FPortDef);
    FPort->OnAfterOpen = [this](TObject* Sender) { PortAfterOpen(Sender); };
    FPort->OnDeviceGone = [this](TObject* Sender) { PortGone(Sender); };
    ConfigureFramer();

    ProbePort();

    if (TracePaneAttached()) {
        if (FDebugTime) AddTraceLine(DateTimeToText(Application::Instance().FormatSettings()));
        AddTraceLine((FConnected ? "Connection done " : "Connection Failed ") + PortName());
    }
    if (FConnected) {
        SetConsoleInfo(0, 3, "true");
        RequestSerial(0);
    }
    return FConnected;
}

bool TVelnWirelessProtocol::TryDongleAt(const std::string& Name) {
    RequireGuiThread("TVelnWirelessProtocol::TryDongleAt");
    if (FPort == nullptr && !CreatePort()) return false;
    // Closed before the rename, so that the new name is opened once, by the probe.
    FConnected = false;
    CloseOpenPort();
    RenamePort(Name);
    // Whatever an earlier device told goes: this one starts from nothing.
    ClearConsoles();
    if (TryPort()) return true;
    // A device that is not the dongle is not held open.
    CloseOpenPort();
    return false;
}

void TVelnWirelessProtocol::ProbePort() {
    try {
        FDongleAnswered = false;
        FPort->OpenPort();
        const std::uint64_t opening = FOpenings;
        PumpDelay(FDisconDelayBetweenCloseOpenPort);
        RequestVersion(kDongleId);
        // The version reply is handled while this wait processes messages.
        PumpDelay(kVersionReplyWait);
        // Only an answer of this opening of the port counts, and only while it is still open: a
        // device lost meanwhile took its answer with it, and one that said nothing is no dongle
        // whatever an earlier device left in the tables.
        const bool sameOpening = FPort != nullptr && FPort->Connected() && FOpenings == opening;
        if (!sameOpening || !FDongleAnswered)
            FConnected = false;
        else if (Hex2(FConsolesInfo[0].Version) == kDongleVersionHex)
            FConnected = true;
    } catch (const EComPort& e) {
        FConnected = false;
        ReportSwallowed("probing " + PortName(), std::current_exception());
        if (e.PortErrorNumber() == ecOpenFailed && IsPermissionError(e.WindowsError()))
            Application::Instance().Ui().Notice(PortAccessHint(PortName()));
    } catch (...) {
        FConnected = false;
        ReportSwallowed("probing " + PortName(), std::current_exception());
    }
}

void TVelnWirelessProtocol::PortAfterOpen(TObject* /*Sender*/) {
    // A fresh open starts a fresh byte stream. What the framer still holds came before it (from
    // another device of the search, or from a dongle unplugged in the middle of a frame) and
    // would swallow the first frame of this one: the answer to the probe.
    FPacket->DiscardBuffer();
    ++FOpenings;
    FConnected = true;
    RaiseEvent(OnConnection);
}

void TVelnWirelessProtocol::PortError(TObject* /*Sender*/, TComErrors Errors) {
    AddTraceLine("<->Com Error *** ");
    if (Errors.Contains(ceBreak)) RaiseEvent(OnUsbDisconnect);
}

void TVelnWirelessProtocol::PortGone(TObject* /*Sender*/) {
    AddTraceLine("Dongle lost " + PortName());
    // A recovery that runs has its own ending (its attempt found a dead device).
    const bool lost = FConnected && !FRecovering;
    FConnected = false;
    // Closed at once: the device may be back under its old name within a fraction of a second,
    // and whoever looks for it must be looking by then. Only an owner that asked for
    // AutoConnection has the component wait and try again itself.
    CloseOpenPort();
    if (!lost) return;
    RaiseEvent(OnUsbDisconnect);
    if (FAutoConnection) TryAgainAfterPause();
    RaiseEvent(OnDisconnection);
}

// ---- Search

std::vector<std::string> TVelnWirelessProtocol::ListSerialPorts() {
    return PortLister ? PortLister() : ::trimora::ListSerialPorts();
}

void TVelnWirelessProtocol::ReportStatus(const TVelnProgressBar& Bar, TVelnConnectionStatus Status,
                                         const std::string& Name) {
    RaiseEvent(OnConnectionStatus, Bar.GetMax(), Bar.GetPosition(), Status, Name);
}

bool TVelnWirelessProtocol::Connect() {
    RequireGuiThread("TVelnWirelessProtocol::Connect");
    if (FPort == nullptr && !CreatePort()) return false;
    if (!FPortDef.empty()) RenamePort(FPortDef);

    // Released on every path out of here.
    TVelnProgressBar bar(Owner());
    bar.FShowEnabled = FDisplayMessage;
    bar.SetPosition(bar.GetMax());
    bar.SetText("Finding USB dongle..." + PortName());
    bar.Show();
    ReportStatus(bar, TVelnConnectionStatus::csTrying, PortName());

    bool found = false;
    try {
        found = TryDongleAt(PortName());
        if (found) {
            const std::string name = PortName();
            bar.SetText("Found on " + name);
            ReportStatus(bar, TVelnConnectionStatus::csFound, name);
            PumpDelay(kShowResultDelay);
            bar.Close();
            RemoveAllConsoles();
            PumpDelay(kShowResultDelay);
        } else {
            ScanPortList(bar, found);
        }
    } catch (...) {
        // An error ends the search; the result of the last attempt stands.
        ReportSwallowed("the dongle search", std::current_exception());
    }
    bar.Close();
    return found;
}

void TVelnWirelessProtocol::ScanPortList(TVelnProgressBar& Bar, bool& Found) {
    const std::vector<std::string> names = ListSerialPorts();
    Bar.SetMax(static_cast<std::int32_t>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        // The program is ending: the operator is not kept waiting for the rest of the list.
        if (Application::Instance().QuitRequested()) return;
        const std::string& name = names[i];
        Bar.SetText("Finding USB dongle..." + name);
        Bar.SetPosition(static_cast<std::int32_t>(i + 1));
        Bar.Show();
        ReportStatus(Bar, TVelnConnectionStatus::csTrying, name);

        Found = TryDongleAt(name);
        if (Found) {
            Bar.SetText("Found on " + name);
            ReportStatus(Bar, TVelnConnectionStatus::csFound, name);
            PumpDelay(kShowResultDelay);
            if (NumberOfConsole() > 0) RemoveAllConsoles();
            Bar.Close();
            return;
        }
        Bar.SetText("Not Found on " + name);
        ReportStatus(Bar, TVelnConnectionStatus::csNotFound, name);
        PumpDelay(kShowResultDelay);
        Bar.Close();
    }
}

void TVelnWirelessProtocol::RemoveAllConsoles() {
    CloseRegistration();
    PumpDelay(kRegistrationDelay);
    RemoveConsole(kAllConsoles);
}

// ---- Shut-down and reset

void TVelnWirelessProtocol::Disconnect() {
    RequireGuiThread("TVelnWirelessProtocol::Disconnect");
    if (FPort != nullptr && FPort->Connected()) {
        CloseRegistration();
        // Nothing is served during this pause: the shut-down runs to its end undisturbed.
        Sleep(kDisconnectPause);
        RemoveConsole(kAllConsoles);
        CloseOpenPort();
    }
    ResetState();
    // ResetState has just cleared DebugTime, so this line has no time prefix.
    AddTraceLine("Dongle disconnected!");
}

void TVelnWirelessProtocol::ResetState() {
    RequireGuiThread("TVelnWirelessProtocol::ResetState");
    CloseOpenPort();
    InitState();
}

}  // namespace trimora

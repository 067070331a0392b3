#include <chrono>
#include <string>

#include "protocol/DongleFrames.h"
#include "protocol/PumpDelay.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "runtime/GuiThreadCheck.h"
#include "runtime/HandlerGuards.h"
#include "runtime/SwallowedError.h"
#include "serial/AsyncRecord.h"
#include "serial/ComPort.h"
#include "support/DorvThdTimer.h"

namespace trimora {

namespace {

// The refresh frame's length byte holds the table's length plus one.
constexpr std::int32_t kMaxResistanceConsole = 254;

}  // namespace

void TVelnWirelessProtocol::CreateResistanceTimer() {
    // Keeps the timer's own default interval until ResistanceInterval is written.
    FResistanceTimer = std::make_unique<TDorvThreadTimer>(nullptr);
    FResistanceTimer->SetEnabled(false);
    FResistanceTimer->OnTimer = [this](TObject* Sender) { SendResistances(Sender); };
    FResistanceTimer->SetElapsedTime(0);
    FResistanceTimer->SetLapTime(0);
    FResistanceTimer->SetThreadPriority(TThreadPriority::tpHighest);
}

void TVelnWirelessProtocol::SetResistanceInterval(std::uint32_t Value) {
    FResistanceInterval = Value;
    if (FResistanceTimer) FResistanceTimer->SetInterval(Value);
}

void TVelnWirelessProtocol::EnableResistanceTimer() {
    if (FResistanceTimer) FResistanceTimer->SetEnabled(true);
}

void TVelnWirelessProtocol::DisableResistanceTimer() {
    if (FResistanceTimer) FResistanceTimer->SetEnabled(false);
}

// ---- Commands

void TVelnWirelessProtocol::OpenRegistration() {
    SendFrame(OutboundFrame(command::kOpenRegistration, kDongleId), " Open Console Registration");
    FOpened = true;
}

void TVelnWirelessProtocol::CloseRegistration() {
    SendFrame(OutboundFrame(command::kCloseRegistration, kDongleId), " Close Console Registration");
    FOpened = false;
}

void TVelnWirelessProtocol::RemoveConsole(std::uint8_t Id) {
    SendFrame(OutboundFrame(command::kRemoveConsole, Id),
              Id == kAllConsoles ? std::string("  Remove All Console")
                                 : "  Remove Console ID=" + std::to_string(Id));
}

void TVelnWirelessProtocol::RequestSerial(std::int32_t Id) {
    SendFrame(OutboundFrame(command::kSerial, static_cast<std::uint8_t>(Id)),
              " Serial Req Console " + std::to_string(Id));
}

void TVelnWirelessProtocol::RequestVersion(std::int32_t Id) {
    SendFrame(OutboundFrame(command::kVersion, static_cast<std::uint8_t>(Id)),
              " Version Req Console " + std::to_string(Id));
}

void TVelnWirelessProtocol::SetMeasures(bool On) {
    const char data = On ? 1 : 0;
    SendFrame(OutboundFrame(command::kMeasures, kDongleId, std::string_view(&data, 1)),
              On ? " Start Measure" : " Stop Measure");
}

std::int32_t TVelnWirelessProtocol::GetNumberOfConsole() {
    SendFrame(OutboundFrame(command::kConsoleCount, kDongleId), " Ask Number of Console");
    FCountReplyState = 1;
    // Nothing was written, so no reply can come.
    if (!FConnected) return FConsoleCount;

    // The reply is handled by PacketReceived inside this wait. A dongle that never answers
    // must not hold the caller (the dongle search among them) for ever.
    Application::Instance().PumpUntil([this] { return FCountReplyState == 2; },
                                      std::chrono::milliseconds(FReplyTimeOut));
    return FConsoleCount;
}

// ---- Resistance table and refresh

void TVelnWirelessProtocol::SetConsoleResistance(std::int32_t Console, std::uint8_t Level,
                                                 std::uint8_t AltLevel, std::uint8_t Kind) {
    RequireGuiThread("TVelnWirelessProtocol::SetConsoleResistance");
    if (Console <= 0 || Console > kMaxResistanceConsole) return;
    if (FConsoleCount <= 0) {
        // Nothing is sent for consoles the dongle does not know.
        FResistances.clear();
        return;
    }
    const auto index = static_cast<std::size_t>(Console - 1);
    if (FResistances.size() <= index) FResistances.resize(index + 1);
    if (Kind == 0 || Kind == 2) FResistances[index].Level = Level;
    if (Kind == 1 || Kind == 2) FResistances[index].Level = AltLevel;
}

void TVelnWirelessProtocol::SendResistances(TObject* /*Sender*/) {
    // Raised on every tick, also when nothing follows; what it changes goes into this frame.
    RaiseEvent(OnBeforeSendResistance);
    if (FResistances.empty() || !FConnected) return;

    const std::size_t n = FResistances.size();
    // Position 0 of the data is the dongle itself, always 0.
    std::string levels(1, '\0');
    levels.reserve(n + 1);
    for (const TVelnResistanceItem& item : FResistances) levels += static_cast<char>(item.Level);
    SendFrame(OutboundFrame(command::kResistance, kDongleId, levels),
              " Send resistance/s for " + std::to_string(n) + "console/s", TSentFrameKind::Refresh);
}

// ---- Send path and recovery

void TVelnWirelessProtocol::SendFrame(const std::string& Frame, const std::string& Message,
                                      TSentFrameKind Kind) {
    // Every command goes through here.
    RequireGuiThread("TVelnWirelessProtocol::SendFrame");
    if (!FConnected) return;
    const bool hidden = FDebugNoData && Kind == TSentFrameKind::Refresh;
    if (!hidden) TraceFrame(kSentMark, Frame, Message);

    bool failed = false;
    try {
        if (FPort == nullptr) throw EComPort(ecWriteFailed);
        FPort->PurgeBuffers(false, true);
        FPort->WriteTextAsync(Frame, FWriteAsync.get());
    } catch (...) {
        failed = true;
        ReportSwallowed("writing a frame", std::current_exception());
    }
    // Recovered outside the handler: the recovery processes messages, which may run anything.
    if (failed) {
        TraceWriteError();
        HandleWriteFailure();
    }
}

void TVelnWirelessProtocol::TraceWriteError() {
    if (!TracePaneAttached()) return;
    AddTraceLine(FDebugTime ? TimePrefix() + " ## Error in port writing"
                            : std::string("## Error in port writing"));
}

void TVelnWirelessProtocol::HandleWriteFailure() {
    RecoverConnection();
}

void TVelnWirelessProtocol::RecoverConnection() {
    // Ticks and frames served during the delay, and the reconnection attempt, may fail to write
    // again; one recovery at a time keeps that from nesting without bound.
    if (FRecovering) return;
    if (FPort != nullptr) {
        try {
            FPort->ClosePort();
        } catch (...) {
            // A close handler failed; the port is closed all the same.
            ReportSwallowed("closing the port after a failed write", std::current_exception());
        }
    }
    // Nothing can be sent on a closed port: only a reconnection below makes it connected
    // again. Left connected, every later send would run this whole recovery once more.
    FConnected = false;
    TryAgainAfterPause();
    RaiseEvent(OnDisconnection);
}

void TVelnWirelessProtocol::TryAgainAfterPause() {
    const TFlagScope recovering(FRecovering);
    PumpDelay(FDisconDelayBetweenCloseOpenPort);
    // Its result is not examined: OnDisconnection follows either way.
    if (FAutoConnection) TryPort();
}

}  // namespace trimora

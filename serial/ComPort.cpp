#include "serial/ComPort.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "runtime/Application.h"
#include "runtime/GuiThreadCheck.h"
#include "runtime/HandlerGuards.h"
#include "runtime/SwallowedError.h"
#include "serial/ComInputWatch.h"
#include "serial/ComThread.h"

namespace trimora {

TCustomComPort::TCustomComPort(TComponent* AOwner) : TComponent(AOwner) {}

TCustomComPort::~TCustomComPort() {
    Destroying();
    try {
        ClosePort();
    } catch (...) {
        // A close handler failed; the port goes away all the same.
        ReportSwallowed("closing a port being destroyed", std::current_exception());
    }
    StopInputWatch();
    if (FEventThread) StopEventThread();
    // Destroyed by a handler of the hand-over that a closing wait is serving.
    if (FStoppingThread != nullptr) FStoppingThread->Detach();
    FDevice.Close();
    // Attached receivers unregister themselves now, while the receiver list still exists.
    SendRemovalNotices();
}

bool TCustomComPort::ForEachLink(TFunctionRef<void(TComLink*)> Fn) {
    // A call may attach or detach links, or destroy the port: walk a copy.
    constexpr std::size_t kInline = 8;
    std::array<TComLink*, kInline> inlineCopy;
    std::vector<TComLink*> heapCopy;
    TComLink* const* links = inlineCopy.data();
    std::size_t count = FReceivers.size();
    if (count <= kInline) {
        std::copy(FReceivers.begin(), FReceivers.end(), inlineCopy.begin());
    } else {
        heapCopy = FReceivers;
        links = heapCopy.data();
    }
    const TAliveGuard port(FLife);
    for (std::size_t i = 0; i < count; ++i) {
        if (port.Gone()) return false;
        if (IsRegistered(links[i])) Fn(links[i]);
    }
    return port.Alive();
}

bool TCustomComPort::CallLinks(TLinkSignalHook Hook, bool Value) {
    return ForEachLink([&](TComLink* link) {
        if (link->*Hook) (link->*Hook)(this, Value);
    });
}

bool TCustomComPort::IsRegistered(const TComLink* Link) const {
    return std::find(FReceivers.begin(), FReceivers.end(), Link) != FReceivers.end();
}

void TCustomComPort::UpdateAnyDataHook() {
    FAnyDataHook = std::any_of(FReceivers.begin(), FReceivers.end(),
                               [](const TComLink* l) { return static_cast<bool>(l->RxDataHook); });
}

// ---- properties

void TCustomComPort::SetConnected(bool Value) {
    if (Value == FConnected) return;
    if (Value)
        OpenPort();
    else
        ClosePort();
}

void TCustomComPort::SetBaudRate(TBaudRate Value) {
    if (Value == FBaudRate) return;
    FBaudRate = Value;
    SetupLine();
}

void TCustomComPort::SetOtherBaudRate(std::uint32_t Value) {
    if (Value == FOtherBaudRate) return;
    FOtherBaudRate = Value;
    if (FBaudRate == brCustom) SetupLine();
}

void TCustomComPort::SetPort(const std::string& Value) {
    if (Value == FPort) return;
    FPort = Value;
    if (FConnected) {
        ClosePort();
        OpenPort();
    }
}

void TCustomComPort::SetParity(const TComParity& Value) {
    FParity.Assign(Value);
    SetupLine();
}

void TCustomComPort::SetStopBits(TStopBits Value) {
    if (Value == FStopBits) return;
    FStopBits = Value;
    SetupLine();
}

void TCustomComPort::SetDataBits(TDataBits Value) {
    if (Value == FDataBits) return;
    FDataBits = Value;
    SetupLine();
}

void TCustomComPort::SetDiscardNull(bool Value) {
    if (Value == FDiscardNull) return;
    FDiscardNull = Value;
    SetupLine();
}

void TCustomComPort::SetEventChar(char Value) {
    if (Value == FEventChar) return;
    FEventChar = Value;
    SetupLine();
}

void TCustomComPort::SetBuffer(const TComBuffer& Value) {
    FBuffer.Assign(Value);
    SetupBuffers();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& Value) {
    FFlowControl.Assign(Value);
    SetupLine();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& Value) {
    FTimeouts.Assign(Value);
    SetupTimeouts();
}

void TCustomComPort::SetSyncMethod(TSyncMethod Value) {
    if (Value == FSyncMethod) return;
    if (FConnected) throw EComPort(ecConnectedChange);
    FSyncMethod = Value;
}

// ---- device and settings

void TCustomComPort::OpenDevice() {
    if (int e = FDevice.Open(FPort)) throw EComPort(ecOpenFailed, e);
}

void TCustomComPort::CloseDevice() {
    FDevice.Close();
}

void TCustomComPort::ApplySettings() {
    SetupBuffers();
    SetupLine();
    SetupTimeouts();
}

TDcb TCustomComPort::LineDcb() const {
    TLineValues line{FBaudRate, FOtherBaudRate, FDataBits, FStopBits, FDiscardNull, FEventChar};
    return BuildDcb(line, FParity, FFlowControl, FBuffer);
}

void TCustomComPort::SetupLine() {
    if (!FConnected) return;
    if (int e = FDevice.SetLine(LineDcb())) throw EComPort(ecSetCommState, e);
}

void TCustomComPort::SetupTimeouts() {
    if (!FConnected) return;
    if (int e =
            FDevice.SetTimeouts(FTimeouts.WriteTotalMultiplier(), FTimeouts.WriteTotalConstant()))
        throw EComPort(ecSetTimeouts, e);
}

void TCustomComPort::SetupBuffers() {
    if (!FConnected) return;
    if (int e = FDevice.SetBuffers(FBuffer.InputSize(), FBuffer.OutputSize()))
        throw EComPort(ecSetupComm, e);
}

std::uint32_t TCustomComPort::ReadModemStatus() {
    std::uint32_t status = 0;
    if (int e = FDevice.ModemStatus(status)) throw EComPort(ecModemStatus, e);
    return status;
}

// ---- open and close

void TCustomComPort::OpenPort() {
    RequireGuiThread("TCustomComPort::OpenPort");
    if (FConnected || FClosing) return;
    const TAliveGuard port(FLife);
    DoBeforeOpen();
    if (port.Gone() || FConnected) return;
    OpenDevice();
    FConnected = true;
    FInputEnded = false;
    FGoneReported = false;
    try {
        ApplySettings();
    } catch (...) {
        CloseDevice();
        FConnected = false;
        throw;
    }
    // The event thread also sends the writes the device could not take at once, so it runs
    // even when no event is watched; it then reads nothing. Events served on the GUI thread
    // are found there where the GUI loop can wait for the device's input itself, which spares
    // each received block two thread switches and a blocking round trip; elsewhere the event
    // thread reads and hands over.
    const bool guiReads =
        TSerialDevice::GuiLoopWatchesInput() && FSyncMethod != smNone && !FEvents.Empty();
    FEventThread = std::make_unique<TComThread>(this, FDevice, !guiReads);
    if (guiReads) {
        // Ended by a hang-up or a failed handler: the writer has nothing left to do either.
        FInputWatch = TComInputWatch::Start(*this, FDevice, FEvents, [this](bool DeviceGone) {
            FInputEnded = true;
            if (FEventThread) FEventThread->Stop();
            if (DeviceGone) ReportDeviceGone();
        });
    }

    if (!CallLinks(&TComLink::ConnectNotifyHook, true)) return;
    DoAfterOpen();
    if (port.Gone() || !FConnected) return;
    AnnounceLines(true);
}

bool TCustomComPort::AnnounceLines(bool Read) {
    struct Line {
        std::uint32_t Bit;
        TLinkSignalHook Hook;
        void (TCustomComPort::*Fire)(bool);
    };
    static constexpr Line kLines[] = {
        {MS_CTS_ON, &TComLink::CTSChangeHook, &TCustomComPort::DoCTSChange},
        {MS_DSR_ON, &TComLink::DSRChangeHook, &TCustomComPort::DoDSRChange},
        {MS_RLSD_ON, &TComLink::RLSDChangeHook, &TCustomComPort::DoRLSDChange},
    };
    const TAliveGuard port(FLife);
    for (const Line& line : kLines) {
        bool on = Read && (ReadModemStatus() & line.Bit) != 0;
        if (!CallLinks(line.Hook, on)) return false;
        (this->*line.Fire)(on);
        if (port.Gone() || !FConnected) return false;
    }
    return true;
}

void TCustomComPort::ClosePort() {
    RequireGuiThread("TCustomComPort::ClosePort");
    if (!FConnected || FClosing) return;
    const TAliveGuard port(FLife);
    // While closing, handlers that close, reopen or rename the port change nothing.
    const TFlagScope closing(FClosing, FLife);

    if (!AnnounceLines(false)) return;
    DoBeforeClose();
    if (port.Gone()) return;
    // Writes the device has not taken are abandoned; dropping them cannot fail.
    FDevice.AbortWrites();
    if (FInputWatch) {
        // Input that arrived before the close still reaches the receivers, as a hand-over
        // waiting at the close would.
        FInputWatch->ServeNow();
        if (port.Gone()) return;
        StopInputWatch();
    }
    if (FEventThread) {
        StopEventThread();
        if (port.Gone()) return;
    }
    CloseDevice();
    FConnected = false;
    FClosing = false;
    if (!CallLinks(&TComLink::ConnectNotifyHook, false)) return;
    DoAfterClose();
}

void TCustomComPort::StopInputWatch() {
    std::shared_ptr<TComInputWatch> watch = std::move(FInputWatch);
    if (watch) watch->Stop();
}

void TCustomComPort::StopEventThread() {
    std::unique_ptr<TComThread> thread = std::move(FEventThread);
    if (!thread) return;
    thread->Stop();
    if (thread->ServingHandOver()) {
        // We are inside the thread's own hand-over, which it waits for: it cannot end before
        // we return. It ends right after, without touching the port; reclaim it then.
        thread->Detach();
        Application::Instance().ReleaseWhenEnded(std::move(thread));
        return;
    }
    // Serves a hand-over the thread may have started meanwhile (the device is still open).
    const TAliveGuard port(FLife);
    FStoppingThread = thread.get();
    thread->StopAndWait();
    if (port.Alive()) FStoppingThread = nullptr;
}

// ---- requests

void TCustomComPort::PurgeBuffers(bool Input, bool Output) {
    if (int e = FDevice.Purge(Input, Output)) throw EComPort(ecPurgeFailed, e);
    if (Input && FInputWatch) FInputWatch->RoomMade();
}

std::int32_t TCustomComPort::WriteBufferAsync(const void* Buffer, std::int32_t Count,
                                              TAsyncRecord* AsyncPtr) {
    RequireGuiThread("TCustomComPort::WriteBufferAsync");
    if (AsyncPtr == nullptr) throw EComPort(ecInvalidAsync);
    if (Count < 0 || (Buffer == nullptr && Count > 0)) throw EComPort(ecWriteFailed, EINVAL);
    AsyncPtr->Direction = adWrite;
    AsyncPtr->BytesCopy.assign(static_cast<const char*>(Buffer), static_cast<std::size_t>(Count));
    std::size_t written = 0;
    if (int e = FDevice.Write(AsyncPtr->BytesCopy.data(), AsyncPtr->BytesCopy.size(), written))
        throw EComPort(ecWriteFailed, e);
    CallLinks(&TComLink::TxNotifyHook, true);
    return written == static_cast<std::size_t>(Count) ? Count : 0;
}

std::int32_t TCustomComPort::WriteTextAsync(const std::string& Text, TAsyncRecord* AsyncPtr) {
    if (Text.empty()) return 0;
    return WriteBufferAsync(Text.data(), static_cast<std::int32_t>(Text.size()), AsyncPtr);
}

bool TCustomComPort::InputEnded() const {
    if (!FConnected) return false;
    // Without the GUI loop's watch, the event thread reads the input; it ends on the same
    // causes.
    return FInputEnded || (FEventThread && FEventThread->ReadsInput() && FEventThread->Finished());
}

std::int32_t TCustomComPort::InputCount() const {
    return static_cast<std::int32_t>(FDevice.InputCount());
}

std::int32_t TCustomComPort::Read(void* Buffer, std::int32_t Count) {
    if (Count <= 0) return 0;
    std::size_t taken = FDevice.Read(static_cast<char*>(Buffer), static_cast<std::size_t>(Count));
    if (taken > 0 && FInputWatch) FInputWatch->RoomMade();
    return static_cast<std::int32_t>(taken);
}

std::int32_t TCustomComPort::OutputCount() const {
    return static_cast<std::int32_t>(FDevice.OutputCount());
}

// ---- links

void TCustomComPort::AttachLink(TComLink* Link) {
    if (Link == nullptr || IsRegistered(Link)) throw EComPort(ecLinkRegistration);
    FReceivers.push_back(Link);
    UpdateAnyDataHook();
}

void TCustomComPort::DetachLink(TComLink* Link) {
    auto it = std::find(FReceivers.begin(), FReceivers.end(), Link);
    if (it == FReceivers.end()) throw EComPort(ecLinkRegistration);
    FReceivers.erase(it);
    UpdateAnyDataHook();
}

// ---- events

void TCustomComPort::DoAfterOpen() {
    if (OnAfterOpen) OnAfterOpen(this);
}
void TCustomComPort::DoAfterClose() {
    if (OnAfterClose) OnAfterClose(this);
}
void TCustomComPort::DoBeforeOpen() {
    if (OnBeforeOpen) OnBeforeOpen(this);
}
void TCustomComPort::DoBeforeClose() {
    if (OnBeforeClose) OnBeforeClose(this);
}
void TCustomComPort::DoRxChar(int Count) {
    if (OnRxChar) OnRxChar(this, Count);
}
void TCustomComPort::DoRxBuf(const char* Buffer, int Count) {
    if (OnRxBuf) OnRxBuf(this, Buffer, Count);
}
void TCustomComPort::DoTxEmpty() {
    if (OnTxEmpty) OnTxEmpty(this);
}
void TCustomComPort::DoBreak() {
    if (OnBreak) OnBreak(this);
}
void TCustomComPort::DoRing() {
    if (OnRing) OnRing(this);
}
void TCustomComPort::DoCTSChange(bool OnOff) {
    if (OnCTSChange) OnCTSChange(this, OnOff);
}
void TCustomComPort::DoDSRChange(bool OnOff) {
    if (OnDSRChange) OnDSRChange(this, OnOff);
}
void TCustomComPort::DoRLSDChange(bool OnOff) {
    if (OnRLSDChange) OnRLSDChange(this, OnOff);
}
void TCustomComPort::DoRxFlag() {
    if (OnRxFlag) OnRxFlag(this);
}
void TCustomComPort::DoError(TComErrors Errors) {
    if (OnError) OnError(this, Errors);
}
void TCustomComPort::DoRx80Full() {
    if (OnRx80Full) OnRx80Full(this);
}
void TCustomComPort::DoDeviceGone() {
    if (OnDeviceGone) OnDeviceGone(this);
}

void TCustomComPort::ReportDeviceGone() {
    // A close in progress serves what is left of the input; a hang-up found then is no news.
    if (FGoneReported || !FConnected || FClosing) return;
    FGoneReported = true;
    DoDeviceGone();
}

}  // namespace trimora

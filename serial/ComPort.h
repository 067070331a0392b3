#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/FunctionRef.h"
#include "runtime/HandlerGuards.h"
#include "runtime/TComponent.h"
#include "serial/AsyncRecord.h"
#include "serial/ComError.h"
#include "serial/ComLink.h"
#include "serial/ComSettings.h"
#include "serial/ComTypes.h"
#include "serial/LineSettings.h"
#include "serial/SerialDevice.h"

namespace trimora {

class TComThread;
class TComInputWatch;

// A port's name before anything sets it, and where the dongle search starts when no port was
// given or remembered.
inline constexpr char kDefaultPortName[] = "COM1";

// One serial device: its line settings, open and close, writes that never wait, and the
// receivers received bytes are delivered to. Its operations are called from the GUI thread; its
// handlers run where SyncMethod puts them (docs/threads.md): on the GUI thread, or on the event
// thread under smNone.
class TCustomComPort : public TComponent {
  public:
    explicit TCustomComPort(TComponent* AOwner);
    ~TCustomComPort() override;

    bool Connected() const { return FConnected; }
    void SetConnected(bool Value);
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate Value);
    // The rate used when BaudRate is brCustom.
    std::uint32_t OtherBaudRate() const { return FOtherBaudRate; }
    void SetOtherBaudRate(std::uint32_t Value);
    const std::string& Port() const { return FPort; }
    void SetPort(const std::string& Value);
    TComParity& Parity() { return FParity; }
    const TComParity& Parity() const { return FParity; }
    void SetParity(const TComParity& Value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits Value);
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits Value);
    bool DiscardNull() const { return FDiscardNull; }
    void SetDiscardNull(bool Value);
    char EventChar() const { return FEventChar; }
    void SetEventChar(char Value);
    // Takes effect at the next open.
    TComEvents Events() const { return FEvents; }
    void SetEvents(TComEvents Value) { FEvents = Value; }
    TComBuffer& Buffer() { return FBuffer; }
    const TComBuffer& Buffer() const { return FBuffer; }
    void SetBuffer(const TComBuffer& Value);
    TComFlowControl& FlowControl() { return FFlowControl; }
    const TComFlowControl& FlowControl() const { return FFlowControl; }
    void SetFlowControl(const TComFlowControl& Value);
    TComTimeouts& Timeouts() { return FTimeouts; }
    const TComTimeouts& Timeouts() const { return FTimeouts; }
    void SetTimeouts(const TComTimeouts& Value);
    TSyncMethod SyncMethod() const { return FSyncMethod; }
    void SetSyncMethod(TSyncMethod Value);

    // The line settings as SetupLine hands them to the device.
    TDcb LineDcb() const;

    void OpenPort();
    void ClosePort();
    void PurgeBuffers(bool Input, bool Output);
    // Returns Count when the device took every byte at once, 0 while the write is pending.
    std::int32_t WriteBufferAsync(const void* Buffer, std::int32_t Count, TAsyncRecord* AsyncPtr);
    std::int32_t WriteTextAsync(const std::string& Text, TAsyncRecord* AsyncPtr);
    void AttachLink(TComLink* Link);
    void DetachLink(TComLink* Link);

    // Received bytes waiting in the port's input queue, for OnRxChar handlers to read.
    std::int32_t InputCount() const;
    std::int32_t Read(void* Buffer, std::int32_t Count);
    // Bytes of writes the device has not taken yet.
    std::int32_t OutputCount() const;
    // The device's descriptor or handle, -1 while closed.
    std::intptr_t DeviceHandle() const { return FDevice.Handle(); }
    // True while the port is open but delivers no received data any more: a handler raised an
    // error, or the device hung up. Delivery resumes when the port is opened again.
    bool InputEnded() const;
    // The event thread while the port is open, else none.
    const TComThread* EventThread() const { return FEventThread.get(); }

    TNotifyEvent OnAfterOpen;
    TNotifyEvent OnAfterClose;
    TNotifyEvent OnBeforeOpen;
    TNotifyEvent OnBeforeClose;
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty;
    // Never raised by this backend.
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    // Raised with the line's state on open and close only: this backend reports no change
    // while the port is open.
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TNotifyEvent OnRxFlag;
    TComErrorEvent OnError;
    TNotifyEvent OnRx80Full;
    // The device hung up while open (a USB dongle unplugged): raised once per open, on the
    // thread that serves the port's events. The port stays open until its owner closes it.
    TNotifyEvent OnDeviceGone;

  protected:
    virtual void OpenDevice();
    virtual void CloseDevice();
    virtual void ApplySettings();
    virtual void SetupLine();
    virtual void SetupTimeouts();
    virtual void SetupBuffers();

    virtual void DoAfterOpen();
    virtual void DoAfterClose();
    virtual void DoBeforeOpen();
    virtual void DoBeforeClose();
    virtual void DoRxChar(int Count);
    virtual void DoRxBuf(const char* Buffer, int Count);
    virtual void DoTxEmpty();
    virtual void DoBreak();
    virtual void DoRing();
    virtual void DoCTSChange(bool OnOff);
    virtual void DoDSRChange(bool OnOff);
    virtual void DoRLSDChange(bool OnOff);
    virtual void DoRxFlag();
    virtual void DoError(TComErrors Errors);
    virtual void DoRx80Full();
    virtual void DoDeviceGone();

  private:
    friend class TComThread;
    friend class TComInputWatch;
    friend class TComTimeouts;
    friend class TComFlowControl;
    friend class TComParity;
    friend class TComBuffer;

    using TLinkSignalHook = std::function<void(TCustomComPort*, bool)> TComLink::*;

    // Calls Fn for each registered link, in registration order, skipping links unregistered
    // meanwhile. Returns false if a call destroyed the port.
    bool ForEachLink(TFunctionRef<void(TComLink*)> Fn);
    bool CallLinks(TLinkSignalHook Hook, bool Value);
    bool IsRegistered(const TComLink* Link) const;
    void UpdateAnyDataHook();
    void StopEventThread();
    std::uint32_t ReadModemStatus();
    // Announces the lines on open (as read) and close (off); false if a handler closed or
    // destroyed the port.
    bool AnnounceLines(bool Read);

    // The handling of device events: on the GUI thread, found by its input watch or handed over
    // by the event thread, or on the event thread itself under smNone. Acts on Events in a
    // fixed order; stops when Detached is raised (the port closed or went).
    void ServeDeviceEvents(TComEvents Events, const std::atomic<bool>& Detached);
    void DeliverReceivedBytes();
    void ServeErrorEvent();
    void ServeRxFlag();
    void ServeLineChange(TComEvent Event);

    void StopInputWatch();
    // Raises OnDeviceGone unless it was raised since the port opened.
    void ReportDeviceGone();

    // The port's event thread (writes, and input where the GUI loop does not wait for it).
    std::unique_ptr<TComThread> FEventThread;
    // The GUI thread's own wait for input, while events are served there.
    std::shared_ptr<TComInputWatch> FInputWatch;
    TComThread* FStoppingThread = nullptr;  // being waited for by ClosePort
    TSerialDevice FDevice;
    std::vector<TComLink*> FReceivers;
    bool FAnyDataHook = false;
    // The port is closed (neither flag), open (FConnected), or closing (both: ClosePort is
    // calling the close handlers, and a handler that closes, opens or renames the port changes
    // nothing). A handler may also destroy the port: FLife then expires, and the code that
    // called it returns without touching the port.
    bool FConnected = false;
    bool FClosing = false;
    bool FInputEnded = false;  // the GUI loop's watch ended by itself
    bool FGoneReported = false;
    TBaudRate FBaudRate = br9600;
    std::uint32_t FOtherBaudRate = 9600;
    std::string FPort = kDefaultPortName;
    TStopBits FStopBits = sbOneStopBit;
    TDataBits FDataBits = dbEight;
    bool FDiscardNull = false;
    char FEventChar = 0;
    TComEvents FEvents = AllComEvents;
    TComBuffer FBuffer{this};
    TComParity FParity{this};
    TComTimeouts FTimeouts{this};
    TComFlowControl FFlowControl{this};
    TSyncMethod FSyncMethod = smThreadSync;
    TLifeToken FLife;
    std::string FSpareBlock;  // capacity kept between deliveries
};

// The port as components use it; it adds nothing to TCustomComPort.
class TComPort : public TCustomComPort {
  public:
    using TCustomComPort::TCustomComPort;
};

}  // namespace trimora

#include "serial/ComThread.h"

#include "serial/ComPort.h"

namespace trimora {

TComThread::TComThread(TCustomComPort* AComPort, TSerialDevice& ADevice)
    : TThread(true),
      FOwnerPort(AComPort),
      FDevice(ADevice),
      FMask(AComPort->Events()),
      FSyncMethod(AComPort->SyncMethod()) {
    SetPriority(TThreadPriority::tpNormal);
    Start();
}

TComThread::~TComThread() {
    Stop();
    StopAndWait();
}

void TComThread::Stop() {
    FQuit.store(true);
    FQuitSignal.Raise();
    Terminate();
}

void TComThread::Execute() {
    while (!FQuit.load()) {
        TDeviceWake wake = FDevice.WaitForEvents(FQuitSignal, FMask);
        if (wake.Quit) return;
        if (!wake.Events.Empty()) {
            FPendingEvents = wake.Events;
            // An error raised while the events are served ends this thread here.
            Dispatch();
            // Stopped during the hand-over: the port and its device may be gone.
            if (FQuit.load()) return;
        }
        // A hung-up or failed device would wake the wait at once, for ever.
        if (wake.Ended) return;
    }
}

void TComThread::Dispatch() {
    auto serve = [this] {
        FServingThread.store(std::this_thread::get_id());
        struct Reset {
            std::atomic<std::thread::id>& Id;
            ~Reset() { Id.store(std::thread::id()); }
        } reset{FServingThread};
        ServeDeviceEvents();
    };
    // smWindowSync has no window here; it is served like smThreadSync.
    if (FSyncMethod == smNone)
        serve();
    else
        Synchronize(serve);
}

void TComThread::ServeDeviceEvents() {
    static constexpr TComEvent kOrder[] = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                           evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};
    for (TComEvent event : kOrder) {
        // A handler may have closed or destroyed the port.
        if (FDetached.load()) return;
        if (!FPendingEvents.Contains(event)) continue;
        TCustomComPort& port = *FOwnerPort;
        switch (event) {
            case evError:
                port.ServeErrorEvent();
                break;
            case evRxChar:
                port.DeliverReceivedBytes();
                break;
            case evTxEmpty:
                port.DoTxEmpty();
                break;
            case evBreak:
                port.DoBreak();
                break;
            case evRing:
                port.DoRing();
                break;
            case evCTS:
            case evDSR:
            case evRLSD:
                port.ServeLineChange(event);
                break;
            case evRxFlag:
                port.ServeRxFlag();
                break;
            case evRx80Full:
                port.DoRx80Full();
                break;
        }
    }
}

}  // namespace trimora

#include "serial/ComThread.h"

#include "runtime/HandlerGuards.h"
#include "serial/ComPort.h"

namespace trimora {

TComThread::TComThread(TCustomComPort* AComPort, TSerialDevice& ADevice, bool ReadsInput)
    : TThread(true),
      FOwnerPort(AComPort),
      FDevice(ADevice),
      FMask(AComPort->Events()),
      FSyncMethod(AComPort->SyncMethod()),
      FReadsInput(ReadsInput) {
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
        TDeviceFindings found = FDevice.WaitForEvents(FQuitSignal, FMask, FReadsInput);
        if (found.Quit) return;
        // The hang-up is this thread's to report only where it reads the device; otherwise the
        // GUI loop's watch finds it.
        const bool reportGone = found.Ended && FReadsInput;
        if (!found.Events.Empty() || reportGone) {
            FPendingEvents = found.Events;
            FPendingGone = reportGone;
            // An error raised while the events are served ends this thread here.
            Dispatch();
            // Stopped during the hand-over: the port and its device may be gone.
            if (FQuit.load()) return;
        }
        // A hung-up or failed device would wake the wait at once, for ever.
        if (found.Ended) return;
    }
}

void TComThread::Dispatch() {
    auto serve = [this] {
        const TScopedValue<std::atomic<std::thread::id>, std::thread::id> serving(
            FServingThread, std::this_thread::get_id(), std::thread::id());
        FOwnerPort->ServeDeviceEvents(FPendingEvents, FDetached);
        if (FPendingGone && !FDetached.load()) FOwnerPort->ReportDeviceGone();
    };
    // smWindowSync has no window here; it is served like smThreadSync.
    if (FSyncMethod == smNone)
        serve();
    else
        Synchronize(serve);
}

}  // namespace trimora

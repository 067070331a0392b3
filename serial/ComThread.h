#pragma once

#include <atomic>
#include <thread>

#include "runtime/TThread.h"
#include "runtime/WakeSignal.h"
#include "serial/ComTypes.h"

namespace trimora {

class TSerialDevice;

// The event thread of one open port. It waits for the device's events without a time limit and
// hands them to the GUI thread, blocking until they have been served there (or serves them
// itself with smNone). It sends the writes the device could not take at once. When the GUI
// thread waits for the port's input itself (ReadsInput false), the events left here are those of
// the writes. It touches nothing of the port but its device, and the device only while it has
// not been told to stop.
class TComThread : public TThread {
  public:
    TComThread(TCustomComPort* AComPort, TSerialDevice& ADevice, bool ReadsInput);
    ~TComThread() override;

    // Asks the thread to end; it ends after a hand-over in progress returns.
    void Stop();
    // True while the calling thread is serving this thread's events (the GUI thread inside the
    // hand-over the event thread waits for): the event thread cannot be waited for from there.
    bool ServingHandOver() const { return FServingThread.load() == std::this_thread::get_id(); }
    // It reads the device's input (the GUI loop does not wait for it).
    bool ReadsInput() const { return FReadsInput; }
    // The port is closing from inside the hand-over or going away: serve nothing more of it.
    void Detach() { FDetached.store(true); }

  protected:
    void Execute() override;

  private:
    void Dispatch();

    TCustomComPort* FOwnerPort;
    TSerialDevice& FDevice;
    TWakeSignal FQuitSignal;
    std::atomic<bool> FQuit{false};
    // Written before the hand-over, read during it.
    TComEvents FPendingEvents;
    bool FPendingGone = false;
    const TComEvents FMask;
    const TSyncMethod FSyncMethod;
    const bool FReadsInput;
    std::atomic<std::thread::id> FServingThread{};
    std::atomic<bool> FDetached{false};
};

}  // namespace trimora

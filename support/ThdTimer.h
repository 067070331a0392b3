#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "runtime/TComponent.h"
#include "runtime/TThread.h"

namespace trimora {

class TThreadedTimer;

// Thread priority levels as the Windows run time reports them (tpIdle -15 ... tpTimeCritical 15).
int ThreadPriorityLevel(TThreadPriority Priority);
// The priority of a level; a level that no priority has reads as tpNormal.
TThreadPriority ThreadPriorityFromLevel(int Level);

// The worker of a TThreadedTimer. It only waits for the interval and hands each tick over to
// the GUI thread; it holds no lock while it does either, so the GUI thread may park it at any
// moment.
class TTimerThread : public TThread {
  public:
    explicit TTimerThread(TThreadedTimer* AOwnerTimer);
    ~TTimerThread() override;

    std::uint32_t Interval() const { return FInterval.load(); }
    // Read afresh at the start of every wait.
    void SetInterval(std::uint32_t Value) { FInterval.store(Value); }

    // The wake event (auto reset): ends the current or the next wait at once, without a tick.
    void SignalWake();
    // Parking is a state, not a count: the worker stops where it is (in its wait, or after a
    // hand-over not yet served returns) until one Wake() sets it running again.
    void Park();
    // Sets a parked worker running; the first wake starts the run loop.
    void Wake();
    bool Parked() const { return FParked.load(); }
    // Ends the run loop and returns once the thread has ended. On the GUI thread a tick waiting
    // for it is served meanwhile, so the worker can finish.
    void Stop();

    int PriorityLevel() const { return FPriorityLevel.load(); }
    void SetPriorityLevel(int Level);

  protected:
    void Execute() override;

  private:
    // True when the interval ran out, false when the wake event ended the wait.
    bool WaitOneInterval();

    TThreadedTimer* const FOwnerTimer;
    std::atomic<std::uint32_t> FInterval{1000};
    std::atomic<bool> FParked{true};
    std::atomic<int> FPriorityLevel{0};
    std::mutex FGate;
    std::condition_variable FGateChanged;
    bool FWakeSignalled = false;  // guarded by FGate
};

// A timer whose period is measured on a worker thread of its own and whose OnTimer runs on the
// GUI thread, whenever that thread processes messages. Create, configure and destroy it on the
// GUI thread; do not destroy it from its own OnTimer (the worker is blocked in that very tick).
class TThreadedTimer : public TComponent {
  public:
    explicit TThreadedTimer(TComponent* AOwner);
    ~TThreadedTimer() override;

    // Consulted only when the timer is enabled: allows an interval of 0 (ticks back to back).
    bool AllowZero() const { return FAllowZero.load(); }
    void SetAllowZero(bool Value) { FAllowZero.store(Value); }

    bool Enabled() const { return FEnabled.load(); }
    // Enabling starts a full period; enabling an enabled timer changes nothing.
    void SetEnabled(bool Value);

    std::uint32_t Interval() const { return FWorker->Interval(); }
    // A changed interval restarts the period of a running timer; the same value does nothing.
    void SetInterval(std::uint32_t Value);

    TThreadPriority ThreadPriority() const;
    void SetThreadPriority(TThreadPriority Value);

    // Called with the timer as Sender, on the GUI thread. Its errors are discarded.
    std::function<void(TObject* Sender)> OnTimer;

  private:
    friend class TTimerThread;
    void HandleTick();

    std::unique_ptr<TTimerThread> FWorker;
    std::atomic<bool> FEnabled{false};
    std::atomic<bool> FAllowZero{false};
};

}  // namespace trimora

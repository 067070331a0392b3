#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "runtime/TObject.h"

namespace trimora {

enum class TThreadPriority {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};

// A worker thread. Derived classes implement Execute() and must call StopAndWait() (or make
// sure the thread has ended) in their own destructor, before their members go.
class TThread : public TObject {
  public:
    explicit TThread(bool CreateSuspended);
    ~TThread() override;

    // Starts a thread created suspended; later calls do nothing.
    void Start();
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }
    bool Started() const { return FStarted; }
    bool Finished() const { return FFinished.load(); }

    // Waits for the end of Execute(). On the GUI thread the wait serves hand-overs, so a worker
    // blocked in Synchronize can finish.
    void WaitFor();
    // Terminate() then WaitFor(), then reclaim the OS thread.
    void StopAndWait();

    // Run Call on the GUI thread and block until it has run.
    static void Synchronize(const std::function<void()>& Call);

    TThreadPriority Priority() const { return FPriority.load(); }
    // Best effort: Linux lets an unprivileged process lower a thread's priority but not raise
    // it, so a refused change keeps only the stored value.
    void SetPriority(TThreadPriority Value);

  protected:
    virtual void Execute() = 0;

  private:
    void Run();
    void ApplyPriority();

    std::thread FThread;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<int> FTid{0};
    std::atomic<TThreadPriority> FPriority{TThreadPriority::tpNormal};
    bool FStarted = false;
};

}  // namespace trimora

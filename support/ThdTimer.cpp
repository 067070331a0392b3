#include "support/ThdTimer.h"

#include <array>
#include <chrono>
#include <utility>

#include "runtime/SwallowedError.h"
#include "runtime/TickClock.h"

namespace trimora {

namespace {
constexpr std::array<std::pair<TThreadPriority, int>, 7> kPriorityLevels{{
    {TThreadPriority::tpIdle, -15},
    {TThreadPriority::tpLowest, -2},
    {TThreadPriority::tpLower, -1},
    {TThreadPriority::tpNormal, 0},
    {TThreadPriority::tpHigher, 1},
    {TThreadPriority::tpHighest, 2},
    {TThreadPriority::tpTimeCritical, 15},
}};
}  // namespace

int ThreadPriorityLevel(TThreadPriority Priority) {
    for (const auto& [priority, level] : kPriorityLevels)
        if (priority == Priority) return level;
    return 0;
}

TThreadPriority ThreadPriorityFromLevel(int Level) {
    for (const auto& [priority, level] : kPriorityLevels)
        if (level == Level) return priority;
    return TThreadPriority::tpNormal;
}

// ---- worker

TTimerThread::TTimerThread(TThreadedTimer* AOwnerTimer)
    : TThread(/*CreateSuspended=*/true), FOwnerTimer(AOwnerTimer) {}

TTimerThread::~TTimerThread() {
    Stop();
}

void TTimerThread::SignalWake() {
    {
        std::lock_guard lock(FGate);
        FWakeSignalled = true;
    }
    FGateChanged.notify_all();
}

void TTimerThread::Park() {
    std::lock_guard lock(FGate);
    FParked.store(true);
}

void TTimerThread::Wake() {
    {
        std::lock_guard lock(FGate);
        FParked.store(false);
    }
    FGateChanged.notify_all();
    Start();  // does nothing once started
}

void TTimerThread::Stop() {
    Terminate();
    {
        std::lock_guard lock(FGate);
        FWakeSignalled = true;
        FParked.store(false);
    }
    FGateChanged.notify_all();
    WaitFor();  // a worker that never started has nothing to end
}

void TTimerThread::SetPriorityLevel(int Level) {
    FPriorityLevel.store(Level);
    // Best effort: Linux lets an unprivileged process lower a thread's priority but not raise
    // it. A refused change keeps the stored level, which is what reads back.
    SetPriority(ThreadPriorityFromLevel(Level));
}

void TTimerThread::Execute() {
    // The termination request is tested after each pass, so at least one pass runs.
    do {
        if (WaitOneInterval()) Synchronize([timer = FOwnerTimer] { timer->HandleTick(); });
    } while (!Terminated());
}

bool TTimerThread::WaitOneInterval() {
    // The tick counter, as every wait of the program: a suspend it counted ends the wait.
    using Clock = TTickClock;
    std::unique_lock lock(FGate);
    FGateChanged.wait(lock, [this] { return !FParked.load(); });
    const auto deadline = Clock::now() + std::chrono::milliseconds(FInterval.load());
    for (;;) {
        if (FWakeSignalled) {
            FWakeSignalled = false;
            return false;
        }
        if (FParked.load()) {
            // Parked in the middle of the wait. Whoever wakes us signals first, so the wait then
            // ends without a tick and the next one is a full interval.
            FGateChanged.wait(lock);
            continue;
        }
        if (Clock::now() >= deadline) return true;
        FGateChanged.wait_until(lock, deadline);
    }
}

// ---- timer

TThreadedTimer::TThreadedTimer(TComponent* AOwner)
    : TComponent(AOwner), FWorker(std::make_unique<TTimerThread>(this)) {
    FWorker->SetInterval(1000);
    FWorker->SetPriorityLevel(ThreadPriorityLevel(TThreadPriority::tpNormal));
}

TThreadedTimer::~TThreadedTimer() {
    Destroying();
    FEnabled.store(false);
    FWorker->Stop();
}

void TThreadedTimer::SetEnabled(bool Value) {
    if (Value == FEnabled.load()) return;
    FEnabled.store(Value);
    if (!Value) {
        FWorker->Park();
        return;
    }
    // Without a usable interval the worker stays parked: enabled, but no tick comes.
    if (FWorker->Interval() > 0 || FAllowZero.load()) {
        // Signal before waking, so the interrupted (or first) wait ends without a tick.
        FWorker->SignalWake();
        FWorker->Wake();
    }
}

void TThreadedTimer::SetInterval(std::uint32_t Value) {
    if (Value == FWorker->Interval()) return;
    const bool wasEnabled = FEnabled.load();
    SetEnabled(false);
    FWorker->SetInterval(Value);
    SetEnabled(wasEnabled);
}

TThreadPriority TThreadedTimer::ThreadPriority() const {
    return ThreadPriorityFromLevel(FWorker->PriorityLevel());
}

void TThreadedTimer::SetThreadPriority(TThreadPriority Value) {
    FWorker->SetPriorityLevel(ThreadPriorityLevel(Value));
}

void TThreadedTimer::HandleTick() {
    if (!FEnabled.load() || IsDestroying() || !OnTimer) return;
    try {
        OnTimer(this);
    } catch (...) {
        // The timer keeps ticking.
        ReportSwallowed("a timer's tick handler", std::current_exception());
    }
}

}  // namespace trimora

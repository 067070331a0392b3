#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/FormatSettings.h"
#include "runtime/TraceLog.h"
#include "runtime/UiHooks.h"
#include "runtime/WakeSignal.h"

namespace trimora {

class TThread;

// The one process-wide object: it knows the GUI thread, queues the calls that worker threads
// hand over to it, and holds the hooks through which a toolkit plugs in.
class Application {
  public:
    static Application& Instance();

    bool IsGuiThread() const { return std::this_thread::get_id() == FGuiThread.load(); }
    // Tests and tools that run their loop elsewhere re-bind the GUI thread.
    void SetGuiThread(std::thread::id id) { FGuiThread.store(id); }

    // Serve every hand-over pending at entry once, one at a time, then the watches that are
    // ready, then let the toolkit process its pending events.
    void ProcessMessages();

    // From a worker: run Call on the GUI thread and block until it has run; an exception it
    // throws is rethrown here. On the GUI thread the call runs at once.
    void Synchronize(std::function<void()> Call);

    // On the GUI thread: serve hand-overs until Ended() is true. Workers call WorkerEnded()
    // after their last hand-over so this wait wakes. Ended() runs without the application's
    // lock, so it may use the application.
    void ServeHandOversUntil(const std::function<bool()>& Ended);
    void WorkerEnded();

    // Block the GUI thread until a hand-over is queued, a watch is ready or Timeout passes;
    // serves nothing.
    void WaitForActivity(std::chrono::milliseconds Timeout);

    // Headless main loop: serve hand-overs until Terminate().
    void Run();
    void Terminate();
    // The one pumping wait of the GUI thread: ProcessMessages until Done() is true or Timeout
    // passes, sleeping between turns until something arrives; true if Done(). Processes at
    // least once, also for a Timeout of zero or less.
    bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout);
    void PumpFor(std::chrono::milliseconds Time) {
        PumpUntil([] { return false; }, Time);
    }

    // The program is asked to end (the operator's Ctrl-C): from then on every pumping wait
    // returns at its next turn, so that a long search ends within a moment. Any thread.
    void RequestQuit() { FQuitRequested.store(true); }
    bool QuitRequested() const { return FQuitRequested.load(); }
    // Tests that asked for the end take it back.
    void ClearQuitRequest() { FQuitRequested.store(false); }

    // Where the tick counter (GetTickCount, GetTickCount64) stands: ahead of the system's by
    // an offset that tests set, so that it reads Ms from now on (a bench that has run for
    // weeks), or move on at once by Ms (a clock that counted a suspend). Any thread.
    void SetTickCountNow(std::uint64_t Ms);
    void AdvanceTickCount(std::uint64_t Ms) { FTickOffset.fetch_add(Ms); }
    void ResetTickCount() { FTickOffset.store(0); }
    std::uint64_t TickOffset() const { return FTickOffset.load(std::memory_order_relaxed); }

    // Toolkit hooks. Pump processes the toolkit's pending events; Wake is called from any thread
    // when a hand-over is queued (the toolkit then drains with ServeOne()).
    void SetPumpHook(std::function<void()> Hook);
    void SetWakeHook(std::function<void()> Hook);
    // Serve the oldest queued hand-over; false if none was queued.
    bool ServeOne();
    std::size_t PendingCount() const;

    // Descriptors the GUI thread waits for itself, beside its hand-overs, so that input reaches
    // it without waking a worker first. A watch's call runs on the GUI thread whenever the loop
    // finds its descriptor readable or hung up: in Run, PumpUntil, ProcessMessages, or the
    // toolkit's loop. It is not served again while it runs, nor while paused. GUI thread only.
    using TWatchId = std::uint64_t;
    TWatchId Watch(int Fd, std::function<void()> OnReady);
    // Safe from inside the watch's own call, which then finishes.
    void Unwatch(TWatchId Id);
    void PauseWatch(TWatchId Id, bool Paused);
    // Runs the watch's call now, unless it is running, paused or gone.
    void ServeWatch(TWatchId Id);
    // A toolkit that waits for descriptors in its own loop is told of each watch and of when
    // it may be served (Active: neither running nor paused); it calls ServeWatch then.
    struct TWatchHooks {
        std::function<void(TWatchId, int Fd)> Added;
        std::function<void(TWatchId)> Removed;
        std::function<void(TWatchId, bool Active)> Activity;
    };
    void SetWatchHooks(TWatchHooks Hooks);
    std::size_t WatchCount() const;

    // Takes a worker that cannot be waited for where it is stopped (its stop was requested from
    // inside its own hand-over) and destroys it once it has ended: at a later ProcessMessages or
    // ServeOne, or at the latest when the process ends.
    void ReleaseWhenEnded(std::unique_ptr<TThread> Thread);
    std::size_t ReleasedThreadCount() const;

    // Longest time a hand-over waited in the queue before it ran, since the last reset.
    std::chrono::microseconds MaxHandOverWait() const {
        return std::chrono::microseconds(FMaxWaitUs.load());
    }
    void ResetHandOverStats() { FMaxWaitUs.store(0); }

    TFormatSettings& FormatSettings() { return FFormatSettings; }
    TUiHooks& Ui() { return FUi; }
    // The --trace file when there is one (else null): any part, on any thread, may add a line
    // for support there, such as an error it handled without the operator seeing it. The owner
    // sets it back to null before the log goes away.
    TTraceLog* TraceLog() const { return FTraceLog.load(); }
    void SetTraceLog(TTraceLog* Log) { FTraceLog.store(Log); }

    ~Application();

  private:
    Application();
    void ReclaimEndedThreads();
    struct WatchEntry {
        TWatchId Id = 0;
        int Fd = -1;
        std::shared_ptr<std::function<void()>> Call;
        bool Paused = false;
        bool Running = false;
    };
    WatchEntry* FindWatch(TWatchId Id);  // FMutex held
    // Waits as WaitForActivity does; with Serve, runs the calls of the watches found ready unless a
    // toolkit serves them.
    void PollLoop(int TimeoutMs, bool Serve);

    struct Call {
        std::function<void()> Fn;
        std::exception_ptr Error;
        std::chrono::steady_clock::time_point Queued;
        bool Done = false;
    };

    std::atomic<std::thread::id> FGuiThread;
    mutable std::mutex FMutex;
    std::condition_variable FQueued;  // a call was queued, a worker ended, or Terminate()
    std::condition_variable FServed;  // a call has run
    std::deque<Call*> FQueue;
    std::function<void()> FPump;
    std::function<void()> FWake;
    bool FTerminated = false;
    std::atomic<std::uint64_t> FTickOffset{0};
    std::atomic<bool> FQuitRequested{false};
    // Counts WorkerEnded() calls, so that ServeHandOversUntil sees one it slept through.
    std::uint64_t FWorkerEnds = 0;
    TWakeSignal FLoopWake;  // raised with FQueued, for the loops that also wait for watches
    std::vector<WatchEntry> FWatches;
    TWatchId FNextWatchId = 1;
    TWatchHooks FWatchHooks;
    std::atomic<std::int64_t> FMaxWaitUs{0};
    std::vector<std::unique_ptr<TThread>> FReleased;  // guarded by FMutex
    std::atomic<std::size_t> FReleasedCount{0};
    TFormatSettings FFormatSettings;
    TUiHooks FUi;
    std::atomic<TTraceLog*> FTraceLog{nullptr};
};

}  // namespace trimora

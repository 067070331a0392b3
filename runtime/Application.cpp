#include "runtime/Application.h"

#include <algorithm>
#include <iterator>

#include "runtime/GuiThreadCheck.h"
#include "runtime/LoopWait.h"
#include "runtime/SystemClock.h"
#include "runtime/TThread.h"
#include "runtime/TickClock.h"

namespace trimora {

Application& Application::Instance() {
    static Application app;
    return app;
}

void Application::SetTickCountNow(std::uint64_t Ms) {
    FTickOffset.store(Ms - SystemTickCount64());
}

Application::Application() : FGuiThread(std::this_thread::get_id()) {
    FFormatSettings = TFormatSettings::FromUserLocale();
}

Application::~Application() {
    // Released workers end right after their last hand-over; collect the stragglers. One that
    // has not ended is still inside a hand-over the process is leaving from: it is left alone,
    // as waiting for it could never end.
    std::vector<std::unique_ptr<TThread>> released;
    {
        std::lock_guard lock(FMutex);
        released.swap(FReleased);
    }
    for (auto& t : released)
        if (!t->Finished()) static_cast<void>(t.release());
}

void Application::ReleaseWhenEnded(std::unique_ptr<TThread> Thread) {
    if (!Thread) return;
    std::lock_guard lock(FMutex);
    FReleased.push_back(std::move(Thread));
    FReleasedCount.store(FReleased.size());
}

std::size_t Application::ReleasedThreadCount() const {
    return FReleasedCount.load();
}

void Application::ReclaimEndedThreads() {
    if (FReleasedCount.load() == 0 || !IsGuiThread()) return;
    std::vector<std::unique_ptr<TThread>> ended;
    {
        std::lock_guard lock(FMutex);
        auto firstEnded = std::stable_partition(FReleased.begin(), FReleased.end(),
                                                [](const auto& t) { return !t->Finished(); });
        std::move(firstEnded, FReleased.end(), std::back_inserter(ended));
        FReleased.erase(firstEnded, FReleased.end());
        FReleasedCount.store(FReleased.size());
    }
    // Joining happens outside the lock: an ended worker only has its last steps left.
    ended.clear();
}

void Application::SetPumpHook(std::function<void()> Hook) {
    std::lock_guard lock(FMutex);
    FPump = std::move(Hook);
}

void Application::SetWakeHook(std::function<void()> Hook) {
    std::lock_guard lock(FMutex);
    FWake = std::move(Hook);
}

std::size_t Application::PendingCount() const {
    std::lock_guard lock(FMutex);
    return FQueue.size();
}

bool Application::ServeOne() {
    ReclaimEndedThreads();
    Call* call = nullptr;
    {
        std::lock_guard lock(FMutex);
        if (FQueue.empty()) return false;
        call = FQueue.front();
        FQueue.pop_front();
    }
    auto waited = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - call->Queued)
                      .count();
    std::int64_t seen = FMaxWaitUs.load();
    while (waited > seen && !FMaxWaitUs.compare_exchange_weak(seen, waited)) {
    }
    // The call runs without the lock: it may pump and serve the calls behind it.
    try {
        call->Fn();
    } catch (...) {
        call->Error = std::current_exception();
    }
    {
        std::lock_guard lock(FMutex);
        call->Done = true;
    }
    FServed.notify_all();
    return true;
}

void Application::ProcessMessages() {
    ReclaimEndedThreads();
    std::size_t pending = PendingCount();
    for (std::size_t i = 0; i < pending; ++i)
        if (!ServeOne()) break;
    bool serveWatches;
    {
        std::lock_guard lock(FMutex);
        // A toolkit's pump serves the watches itself.
        serveWatches = !FWatches.empty() && !FWatchHooks.Added;
    }
    if (serveWatches) PollLoop(0, true);
    std::function<void()> pump;
    {
        std::lock_guard lock(FMutex);
        pump = FPump;
    }
    if (pump) pump();
}

void Application::Synchronize(std::function<void()> Fn) {
    if (IsGuiThread()) {
        Fn();
        return;
    }
    Call call;
    call.Fn = std::move(Fn);
    call.Queued = std::chrono::steady_clock::now();
    std::function<void()> wake;
    {
        std::lock_guard lock(FMutex);
        FQueue.push_back(&call);
        wake = FWake;
    }
    FQueued.notify_all();
    FLoopWake.Raise();
    if (wake) wake();
    {
        std::unique_lock lock(FMutex);
        FServed.wait(lock, [&] { return call.Done; });
    }
    if (call.Error) std::rethrow_exception(call.Error);
}

void Application::ServeHandOversUntil(const std::function<bool()>& Ended) {
    for (;;) {
        while (ServeOne()) {
        }
        // Ended() runs unlocked: it may ask the application anything. A worker that ends after
        // the count is read moves it, so the wait below cannot sleep through that end.
        std::uint64_t endsSeen;
        {
            std::lock_guard lock(FMutex);
            endsSeen = FWorkerEnds;
        }
        if (Ended()) return;
        std::unique_lock lock(FMutex);
        FQueued.wait(lock, [&] { return !FQueue.empty() || FWorkerEnds != endsSeen; });
    }
}

void Application::WorkerEnded() {
    {
        std::lock_guard lock(FMutex);
        ++FWorkerEnds;
    }
    FQueued.notify_all();
}

void Application::WaitForActivity(std::chrono::milliseconds Timeout) {
    {
        std::lock_guard lock(FMutex);
        if (!FQueue.empty()) return;
    }
    // A time already passed is no wait; poll() would take a negative one as no limit.
    PollLoop(static_cast<int>(std::clamp<std::int64_t>(Timeout.count(), 0, 1 << 30)), false);
}

void Application::Run() {
    for (;;) {
        while (ServeOne()) {
        }
        {
            std::lock_guard lock(FMutex);
            if (FTerminated) {
                FTerminated = false;
                return;
            }
            if (!FQueue.empty()) continue;
        }
        PollLoop(-1, true);
    }
}

void Application::Terminate() {
    {
        std::lock_guard lock(FMutex);
        FTerminated = true;
    }
    FQueued.notify_all();
    FLoopWake.Raise();
}

// ---- watches

Application::WatchEntry* Application::FindWatch(TWatchId Id) {
    for (WatchEntry& w : FWatches)
        if (w.Id == Id) return &w;
    return nullptr;
}

std::size_t Application::WatchCount() const {
    std::lock_guard lock(FMutex);
    return FWatches.size();
}

Application::TWatchId Application::Watch(int Fd, std::function<void()> OnReady) {
    RequireGuiThread("Application::Watch");
    TWatchId id;
    std::function<void(TWatchId, int)> added;
    {
        std::lock_guard lock(FMutex);
        id = FNextWatchId++;
        WatchEntry entry;
        entry.Id = id;
        entry.Fd = Fd;
        entry.Call = std::make_shared<std::function<void()>>(std::move(OnReady));
        FWatches.push_back(std::move(entry));
        added = FWatchHooks.Added;
    }
    if (added) added(id, Fd);
    // A loop already blocked in its wait must add the new descriptor.
    FLoopWake.Raise();
    return id;
}

void Application::Unwatch(TWatchId Id) {
    RequireGuiThread("Application::Unwatch");
    std::function<void(TWatchId)> removed;
    {
        std::lock_guard lock(FMutex);
        auto it = std::find_if(FWatches.begin(), FWatches.end(),
                               [Id](const WatchEntry& w) { return w.Id == Id; });
        if (it == FWatches.end()) return;
        FWatches.erase(it);
        removed = FWatchHooks.Removed;
    }
    if (removed) removed(Id);
}

void Application::PauseWatch(TWatchId Id, bool Paused) {
    RequireGuiThread("Application::PauseWatch");
    std::function<void(TWatchId, bool)> activity;
    bool active = false;
    {
        std::lock_guard lock(FMutex);
        WatchEntry* w = FindWatch(Id);
        if (w == nullptr || w->Paused == Paused) return;
        w->Paused = Paused;
        active = !w->Paused && !w->Running;
        activity = FWatchHooks.Activity;
    }
    if (activity) activity(Id, active);
    if (active) FLoopWake.Raise();
}

void Application::ServeWatch(TWatchId Id) {
    std::shared_ptr<std::function<void()>> call;
    std::function<void(TWatchId, bool)> activity;
    {
        std::lock_guard lock(FMutex);
        WatchEntry* w = FindWatch(Id);
        if (w == nullptr || w->Paused || w->Running) return;
        w->Running = true;
        call = w->Call;  // kept alive should the call unwatch itself
        activity = FWatchHooks.Activity;
    }
    if (activity) activity(Id, false);
    struct Finish {
        Application& App;
        TWatchId Id;
        ~Finish() {
            std::function<void(TWatchId, bool)> activity;
            {
                std::lock_guard lock(App.FMutex);
                WatchEntry* w = App.FindWatch(Id);
                if (w == nullptr) return;
                w->Running = false;
                if (w->Paused) return;
                activity = App.FWatchHooks.Activity;
            }
            if (activity) activity(Id, true);
        }
    } finish{*this, Id};
    (*call)();
}

void Application::SetWatchHooks(TWatchHooks Hooks) {
    std::vector<std::pair<TWatchId, int>> existing;
    {
        std::lock_guard lock(FMutex);
        FWatchHooks = Hooks;
        if (Hooks.Added)
            for (const WatchEntry& w : FWatches) existing.emplace_back(w.Id, w.Fd);
    }
    // Watches made before the toolkit came are handed to it now.
    for (auto [id, fd] : existing) {
        Hooks.Added(id, fd);
        bool active;
        {
            std::lock_guard lock(FMutex);
            WatchEntry* w = FindWatch(id);
            active = w != nullptr && !w->Paused && !w->Running;
        }
        if (!active && Hooks.Activity) Hooks.Activity(id, false);
    }
}

void Application::PollLoop(int TimeoutMs, bool Serve) {
    // On the stack: a watch's call may pump, and so wait here again, while this wait's results
    // are being served.
    constexpr std::size_t kInline = 8;
    TLoopWaitFd inlineFds[kInline];
    TWatchId inlineIds[kInline];
    std::vector<TLoopWaitFd> heapFds;
    std::vector<TWatchId> heapIds;
    TLoopWaitFd* fds = inlineFds;
    TWatchId* ids = inlineIds;
    std::size_t count = 0;
    bool toolkit;
    {
        std::lock_guard lock(FMutex);
        toolkit = static_cast<bool>(FWatchHooks.Added);
        if (FWatches.size() > kInline) {
            heapFds.resize(FWatches.size());
            heapIds.resize(FWatches.size());
            fds = heapFds.data();
            ids = heapIds.data();
        }
        for (const WatchEntry& w : FWatches) {
            if (w.Paused || w.Running) continue;
            fds[count] = {w.Fd, false};
            ids[count] = w.Id;
            ++count;
        }
    }
    WaitForLoopEvents(FLoopWake, fds, count, TimeoutMs);
    if (!Serve || toolkit) return;
    for (std::size_t i = 0; i < count; ++i)
        if (fds[i].Ready) ServeWatch(ids[i]);
}

bool Application::PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout) {
    // The tick counter in 64 bits: no wrap can end the wait early or hold it for ever.
    auto deadline = TTickClock::now() + Timeout;
    for (;;) {
        ProcessMessages();
        if (Done()) return true;
        auto now = TTickClock::now();
        if (now >= deadline || QuitRequested()) return false;
        auto slice = std::min<TTickClock::duration>(deadline - now, std::chrono::milliseconds(5));
        // Rounded up: a wait of 0 ms would spin through the last fraction of a millisecond.
        WaitForActivity(std::chrono::ceil<std::chrono::milliseconds>(slice));
    }
}

}  // namespace trimora

#include "runtime/Application.h"

#include <algorithm>
#include <iterator>

#include "runtime/TThread.h"

namespace trimora {

Application& Application::Instance() {
    static Application app;
    return app;
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

std::size_t Application::ReleasedThreadCount() const { return FReleasedCount.load(); }

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
    if (wake) wake();
    {
        std::unique_lock lock(FMutex);
        FServed.wait(lock, [&] { return call.Done; });
    }
    if (call.Error) std::rethrow_exception(call.Error);
}

void Application::WaitFor(const std::function<bool()>& Ended) {
    for (;;) {
        while (ServeOne()) {
        }
        std::unique_lock lock(FMutex);
        if (Ended()) return;
        FQueued.wait(lock, [&] { return !FQueue.empty() || Ended(); });
        if (FQueue.empty() && Ended()) return;
    }
}

void Application::WorkerEnded() {
    // Taking the lock orders the worker's end before a waiter's check.
    { std::lock_guard lock(FMutex); }
    FQueued.notify_all();
}

void Application::IdleWait(std::chrono::milliseconds Timeout) {
    std::unique_lock lock(FMutex);
    FQueued.wait_for(lock, Timeout, [&] { return !FQueue.empty(); });
}

void Application::Run() {
    for (;;) {
        while (ServeOne()) {
        }
        std::unique_lock lock(FMutex);
        FQueued.wait(lock, [&] { return !FQueue.empty() || FTerminated; });
        if (FTerminated) {
            FTerminated = false;
            return;
        }
    }
}

void Application::Terminate() {
    {
        std::lock_guard lock(FMutex);
        FTerminated = true;
    }
    FQueued.notify_all();
}

bool Application::RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout) {
    auto deadline = std::chrono::steady_clock::now() + Timeout;
    for (;;) {
        ProcessMessages();
        if (Done()) return true;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        auto slice = std::min<std::chrono::steady_clock::duration>(deadline - now,
                                                                   std::chrono::milliseconds(5));
        std::unique_lock lock(FMutex);
        FQueued.wait_for(lock, slice, [&] { return !FQueue.empty(); });
    }
}

}  // namespace trimora

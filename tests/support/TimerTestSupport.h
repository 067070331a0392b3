#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "runtime/Application.h"
#include "runtime/TObject.h"
#include "tests/common/Pump.h"

namespace trimora::testing {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline Application& App() {
    return Application::Instance();
}

using test::PumpFor;
using test::PumpUntil;

// Waits, serving nothing, until a worker has queued a hand-over.
inline bool WaitUntilQueued(std::chrono::milliseconds Timeout = 5s) {
    auto deadline = Clock::now() + Timeout;
    while (App().PendingCount() == 0) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Threads of this process, as the kernel lists them.
inline std::size_t ThreadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

// What an OnTimer handler saw.
struct TickLog {
    std::vector<Clock::time_point> At;
    std::vector<TObject*> Senders;
    bool OffGuiThread = false;

    std::size_t Count() const { return At.size(); }
    std::function<void(TObject*)> Handler() {
        return [this](TObject* Sender) {
            At.push_back(Clock::now());
            Senders.push_back(Sender);
            if (!App().IsGuiThread()) OffGuiThread = true;
        };
    }
};

}  // namespace trimora::testing

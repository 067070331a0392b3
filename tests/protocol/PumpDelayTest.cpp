#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "protocol/PumpDelay.h"
#include "runtime/Application.h"
#include "runtime/TickClock.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {

Application& App() {
    return Application::Instance();
}

void WaitUntilQueued() {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (App().PendingCount() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(App().PendingCount(), 1u);
}

// Counts the toolkit pumps while it lives.
class PumpCounter {
  public:
    PumpCounter() {
        App().SetPumpHook([this] { ++Count; });
    }
    ~PumpCounter() { App().SetPumpHook({}); }
    int Count = 0;
};

}  // namespace

// Timed on the clock the wait reads: on Windows GetTickCount64 is only as fine as the system timer
// (10 to 16 ms), so it can show a whole wait a few milliseconds short.
TEST(PumpDelay, WaitsAtLeastNTicks) {
    for (std::int32_t n : {1, 40}) {
        const auto before = TTickClock::now();
        PumpDelay(n);
        EXPECT_GE(TTickClock::now() - before, std::chrono::milliseconds(n)) << n;
    }
}

TEST(PumpDelay, ZeroOrLessProcessesPendingMessagesOnce) {
    for (std::int32_t n : {0, -5}) {
        SCOPED_TRACE(n);
        bool served = false;
        std::thread worker([&] { App().Synchronize([&] { served = true; }); });
        WaitUntilQueued();
        PumpCounter pumps;
        PumpDelay(n);
        worker.join();
        EXPECT_TRUE(served);
        EXPECT_EQ(pumps.Count, 1);
    }
}

TEST(PumpDelay, ServesAHandOverQueuedDuringTheWait) {
    bool waiting = false;
    bool served = false;
    bool servedWhileWaiting = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);
        App().Synchronize([&] {
            served = true;
            servedWhileWaiting = waiting;
        });
    });
    const auto start = TTickClock::now();
    waiting = true;
    PumpDelay(300);
    waiting = false;
    const auto end = TTickClock::now();
    App().PumpUntil([&] { return served; }, 10s);  // never leave the worker blocked
    worker.join();
    EXPECT_TRUE(servedWhileWaiting);
    EXPECT_GE(end - start, 300ms);
}

// A served call may itself wait with PumpDelay; the outer wait resumes afterwards.
TEST(PumpDelay, NestedWaitsInsideAServedCall) {
    bool innerDone = false;
    std::thread worker([&] {
        App().Synchronize([&] {
            PumpDelay(30);
            innerDone = true;
        });
    });
    WaitUntilQueued();
    const auto start = TTickClock::now();
    PumpDelay(100);
    const auto end = TTickClock::now();
    worker.join();
    EXPECT_TRUE(innerDone);
    EXPECT_GE(end - start, 100ms);
}

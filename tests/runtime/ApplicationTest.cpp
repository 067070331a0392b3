#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "runtime/Application.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {
Application& App() {
    return Application::Instance();
}

// Waits (without serving) until a worker has queued a hand-over.
void WaitUntilQueued(std::size_t n = 1) {
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (App().PendingCount() < n && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_GE(App().PendingCount(), n);
}
}  // namespace

TEST(Application, SynchronizeOnGuiThreadRunsInline) {
    int ran = 0;
    App().Synchronize([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(App().PendingCount(), 0u);
}

TEST(Application, SynchronizeBlocksUntilGuiThreadServes) {
    std::atomic<bool> returned{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        App().Synchronize([&] { ranOn = std::this_thread::get_id(); });
        returned = true;
    });
    WaitUntilQueued();
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(returned.load()) << "the worker must wait for the GUI thread";
    App().ProcessMessages();
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Application, SynchronizeRethrowsInWorker) {
    std::string caught;
    std::thread worker([&] {
        try {
            App().Synchronize([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    });
    WaitUntilQueued();
    App().ProcessMessages();  // the error stays with the worker, not the GUI thread
    worker.join();
    EXPECT_EQ(caught, "boom");
}

TEST(Application, ProcessMessagesServesOnlyWhatWasPendingAndInOrder) {
    std::vector<int> order;
    std::thread a([&] { App().Synchronize([&] { order.push_back(1); }); });
    WaitUntilQueued(1);
    std::thread b([&] { App().Synchronize([&] { order.push_back(2); }); });
    WaitUntilQueued(2);
    App().ProcessMessages();
    a.join();
    b.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(Application, NestedPumpInsideAHandOverServesTheCallsBehindIt) {
    std::vector<int> order;
    std::thread second;
    std::thread first([&] {
        App().Synchronize([&] {
            order.push_back(1);
            second = std::thread([&] { App().Synchronize([&] { order.push_back(2); }); });
            WaitUntilQueued(1);
            App().ProcessMessages();  // a pumping wait inside a served call
            order.push_back(3);
        });
    });
    WaitUntilQueued(1);
    App().ProcessMessages();
    first.join();
    second.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(Application, ServeHandOversUntilServesAHandOverStartedBeforeTheEnd) {
    std::atomic<bool> ended{false};
    std::atomic<bool> served{false};
    std::thread worker([&] {
        App().Synchronize([&] { served = true; });
        ended = true;
        App().WorkerEnded();
    });
    WaitUntilQueued();
    App().ServeHandOversUntil([&] { return ended.load(); });
    worker.join();
    EXPECT_TRUE(served.load());
}

// The predicate runs without the application's lock: one that asks the application (here its
// queue) used to lock the same mutex again and hang.
TEST(Application, ServeHandOversUntilPredicateMayUseTheApplication) {
    std::atomic<bool> ended{false};
    std::thread worker([&] {
        App().Synchronize([] {});
        ended = true;
        App().WorkerEnded();
    });
    App().ServeHandOversUntil([&] { return ended.load() && App().PendingCount() == 0; });
    worker.join();
    EXPECT_EQ(App().PendingCount(), 0u);
}

TEST(Application, WakeHookIsCalledForEachQueuedHandOver) {
    std::atomic<int> wakes{0};
    App().SetWakeHook([&] { ++wakes; });
    std::thread worker([&] { App().Synchronize([] {}); });
    WaitUntilQueued();
    App().ProcessMessages();
    worker.join();
    App().SetWakeHook(nullptr);
    EXPECT_EQ(wakes.load(), 1);
}

TEST(Application, HeadlessRunServesUntilTerminated) {
    std::atomic<int> served{0};
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i) App().Synchronize([&] { ++served; });
        App().Synchronize([] { Application::Instance().Terminate(); });
    });
    App().Run();
    worker.join();
    EXPECT_EQ(served.load(), 3);
}

TEST(Application, PumpUntilGivesUpAfterTimeout) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(App().PumpUntil([] { return false; }, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

#ifdef TRIMORA_GUI_THREAD_CHECKS
// The GUI thread's operations name themselves and abort when another thread calls them.
TEST(ApplicationDeathTest, AWatchChangeOffTheGuiThreadAborts) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    const auto offGuiThread = [](void (*Call)()) {
        std::thread worker(Call);
        worker.join();
    };
    EXPECT_DEATH(offGuiThread([] { App().Watch(0, [] {}); }),
                 "Application::Watch called off the GUI thread");
    EXPECT_DEATH(offGuiThread([] { App().Unwatch(1); }),
                 "Application::Unwatch called off the GUI thread");
    EXPECT_DEATH(offGuiThread([] { App().PauseWatch(1, true); }),
                 "Application::PauseWatch called off the GUI thread");
}
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "runtime/Application.h"
#include "runtime/TThread.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {
class HandingOverThread : public TThread {
  public:
    HandingOverThread() : TThread(true) {}
    ~HandingOverThread() override { StopAndWait(); }
    std::atomic<int> served{0};

  protected:
    void Execute() override {
        while (!Terminated()) {
            Synchronize([this] { ++served; });
            std::this_thread::sleep_for(1ms);
        }
    }
};
}  // namespace

TEST(Thread, StopAndWaitOnGuiThreadServesPendingHandOvers) {
    HandingOverThread t;
    t.Start();
    // The worker blocks in a hand-over that nobody serves until the wait below.
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (Application::Instance().PendingCount() == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    t.StopAndWait();
    EXPECT_TRUE(t.Finished());
    EXPECT_GE(t.served.load(), 1);
}

TEST(Thread, SuspendedThreadDoesNotRunUntilStarted) {
    HandingOverThread t;
    std::this_thread::sleep_for(10ms);
    Application::Instance().ProcessMessages();
    EXPECT_EQ(t.served.load(), 0);
    EXPECT_FALSE(t.Started());
}

namespace {
// Hands one call over, then ends; tells a flag when it is destroyed.
class OneHandOver : public TThread {
  public:
    OneHandOver(std::function<void()> call, std::atomic<bool>& destroyed)
        : TThread(true), FCall(std::move(call)), FDestroyed(destroyed) {}
    ~OneHandOver() override {
        StopAndWait();
        FDestroyed = true;
    }

  protected:
    void Execute() override { Synchronize(FCall); }

  private:
    std::function<void()> FCall;
    std::atomic<bool>& FDestroyed;
};
}  // namespace

TEST(Thread, AWorkerReleasedFromInsideItsHandOverIsReclaimedAfterItEnds) {
    std::atomic<bool> destroyed{false};
    std::unique_ptr<TThread> worker;
    // The call cannot wait for its own worker; it hands the worker to the application instead.
    worker = std::make_unique<OneHandOver>(
        [&] { Application::Instance().ReleaseWhenEnded(std::move(worker)); }, destroyed);
    worker->Start();
    bool reclaimed = Application::Instance().PumpUntil([&] { return destroyed.load(); },
                                                       std::chrono::milliseconds(5000));
    EXPECT_TRUE(reclaimed);
    EXPECT_EQ(worker, nullptr);
    EXPECT_EQ(Application::Instance().ReleasedThreadCount(), 0u);
}

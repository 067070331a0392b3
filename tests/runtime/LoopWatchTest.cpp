#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/Application.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {
Application& App() {
    return Application::Instance();
}

// The GUI thread watches the read end of a pipe the test writes into.
class LoopWatch : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0); }
    void TearDown() override {
        for (auto id : ids) App().Unwatch(id);
        App().SetWatchHooks({});
        ::close(fds[0]);
        ::close(fds[1]);
    }

    Application::TWatchId Watch(std::function<void()> Call) {
        ids.push_back(App().Watch(fds[0], std::move(Call)));
        return ids.back();
    }
    void Put() { ASSERT_EQ(::write(fds[1], "x", 1), 1); }
    bool Take() {
        char c;
        return ::read(fds[0], &c, 1) == 1;
    }

    int fds[2] = {-1, -1};
    std::vector<Application::TWatchId> ids;
};
}  // namespace

TEST_F(LoopWatch, AReadableDescriptorIsServedOnTheGuiThreadByEachLoop) {
    struct Loop {
        const char* Name;
        std::function<void()> Run;
    };
    int served = 0;
    bool terminateWhenServed = false;
    std::thread::id servedOn;
    Watch([&] {
        ++served;
        servedOn = std::this_thread::get_id();
        Take();
        if (terminateWhenServed) App().Terminate();
    });
    const Loop loops[] = {
        {"ProcessMessages", [] { App().ProcessMessages(); }},
        {"PumpUntil", [&] { App().PumpUntil([&] { return served > 0; }, 5s); }},
        {"Run",
         [&] {
             terminateWhenServed = true;
             App().Run();
             terminateWhenServed = false;
         }},
    };
    for (const Loop& loop : loops) {
        served = 0;
        servedOn = {};
        Put();
        loop.Run();
        EXPECT_EQ(served, 1) << loop.Name;
        EXPECT_EQ(servedOn, std::this_thread::get_id()) << loop.Name;
    }
}

TEST_F(LoopWatch, ABlockedRunWakesForInputThatComesLater) {
    int served = 0;
    Watch([&] {
        ++served;
        Take();
        App().Terminate();
    });
    std::thread writer([&] {
        std::this_thread::sleep_for(30ms);
        Put();
    });
    App().Run();  // would block for ever if the wait left the descriptor out
    writer.join();
    EXPECT_EQ(served, 1);
}

TEST_F(LoopWatch, WaitForActivityWakesForInputAndLeavesItToTheNextPump) {
    int served = 0;
    Watch([&] {
        ++served;
        Take();
    });
    std::thread writer([&] {
        std::this_thread::sleep_for(30ms);
        Put();
    });
    auto start = std::chrono::steady_clock::now();
    App().WaitForActivity(20s);
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "woken by the input";
    EXPECT_EQ(served, 0);
    App().ProcessMessages();
    EXPECT_EQ(served, 1);
}

TEST_F(LoopWatch, AWaitForActivityWhoseTimeHasPassedReturnsAtOnce) {
    // A caller computing its slice as deadline minus now may pass a negative time.
    Watch([&] { Take(); });
    App().ProcessMessages();  // nothing left to wake the wait early
    std::atomic<bool> returned{false};
    std::thread rescue([&] {
        auto until = std::chrono::steady_clock::now() + 3s;
        while (!returned.load() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(5ms);
        if (!returned.load()) Put();  // ends a wait that would otherwise never end
    });
    auto start = std::chrono::steady_clock::now();
    App().WaitForActivity(-5ms);
    auto waited = std::chrono::steady_clock::now() - start;
    returned.store(true);
    rescue.join();
    EXPECT_LT(waited, 2s);
}

TEST_F(LoopWatch, ACallIsNotServedAgainWhileItRunsNorWhilePaused) {
    int served = 0;
    int servedInsideNestedPump = -1;
    Application::TWatchId id = Watch([&] {
        ++served;
        Take();
        if (served == 1) {
            Put();  // ready again while this call runs
            App().ProcessMessages();
            servedInsideNestedPump = served;
        }
    });
    Put();
    App().ProcessMessages();
    EXPECT_EQ(servedInsideNestedPump, 1);
    App().ProcessMessages();
    EXPECT_EQ(served, 2) << "served after the call returned";

    App().PauseWatch(id, true);
    Put();
    App().PumpUntil([] { return false; }, 30ms);
    EXPECT_EQ(served, 2);
    App().PauseWatch(id, false);
    App().ProcessMessages();
    EXPECT_EQ(served, 3);
}

TEST_F(LoopWatch, AWatchRemovedInsideItsOwnCallIsNotServedAgain) {
    int served = 0;
    Application::TWatchId id = 0;
    id = Watch([&] {
        ++served;
        App().Unwatch(id);  // the byte stays unread
    });
    Put();
    App().ProcessMessages();
    App().PumpUntil([] { return false; }, 30ms);
    EXPECT_EQ(served, 1);
    EXPECT_EQ(App().WatchCount(), 0u);
}

TEST_F(LoopWatch, AToolkitIsToldOfEachWatchAndServesItItself) {
    std::vector<std::string> told;
    int served = 0;
    Application::TWatchId first = Watch([&] {
        ++served;
        Take();
    });
    Application::TWatchHooks hooks;
    hooks.Added = [&](Application::TWatchId Id, int Fd) {
        told.push_back("added " + std::to_string(Id == first) + " " + std::to_string(Fd == fds[0]));
    };
    hooks.Removed = [&](Application::TWatchId) { told.push_back("removed"); };
    hooks.Activity = [&](Application::TWatchId, bool Active) {
        told.push_back(Active ? "active" : "inactive");
    };
    App().SetWatchHooks(hooks);
    EXPECT_EQ(told, (std::vector<std::string>{"added 1 1"}))
        << "a watch made earlier is handed over";

    Put();
    App().ProcessMessages();
    EXPECT_EQ(served, 0) << "the toolkit's loop serves it, not the runtime's";
    App().ServeWatch(first);
    EXPECT_EQ(served, 1);
    App().PauseWatch(first, true);
    App().ServeWatch(first);
    EXPECT_EQ(served, 1) << "paused";
    App().Unwatch(first);
    EXPECT_EQ(told,
              (std::vector<std::string>{"added 1 1", "inactive", "active", "inactive", "removed"}));
}

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

#include "support/ThdTimer.h"
#include "tests/support/TimerTestSupport.h"

using namespace trimora;
using namespace trimora::testing;

namespace {
std::chrono::milliseconds Ms(Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d);
}
}  // namespace

TEST(ThreadedTimer, NewTimerReadsItsDefaultsAndNeverTicks) {
    TThreadedTimer timer(nullptr);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.AllowZero());
    EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpNormal);

    TickLog log;
    timer.OnTimer = log.Handler();
    timer.SetInterval(20);  // on a disabled timer the interval is only stored
    EXPECT_EQ(timer.Interval(), 20u);
    PumpFor(150ms);
    EXPECT_EQ(log.Count(), 0u);
}

TEST(ThreadedTimer, TicksOnTheGuiThreadWithItselfAsSenderOncePerInterval) {
    TThreadedTimer timer(nullptr);
    TickLog log;
    timer.OnTimer = log.Handler();
    timer.SetInterval(30);
    auto enabledAt = Clock::now();
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 5; }));

    EXPECT_FALSE(log.OffGuiThread);
    for (TObject* s : log.Senders) EXPECT_EQ(s, &timer);
    // The next wait starts only once the previous handler has returned, so no tick comes early.
    EXPECT_GE(Ms(log.At[0] - enabledAt), 30ms);
    for (std::size_t i = 1; i < log.Count(); ++i)
        EXPECT_GE(Ms(log.At[i] - log.At[i - 1]), 30ms) << "tick " << i;

    timer.SetEnabled(false);
    auto seen = log.Count();
    PumpFor(200ms);
    EXPECT_EQ(log.Count(), seen) << "a disabled timer must not tick";
}

// An action on a running timer either restarts its period (the next tick is at least a full
// interval after the action) or leaves the pending tick where it was (it comes before a full
// interval after the action could have passed).
struct PeriodCase {
    std::string Name;
    std::uint32_t Interval;
    std::chrono::milliseconds ActAfter;
    std::function<void(TThreadedTimer&)> Act;
    bool Restarts;
    std::uint32_t IntervalAfter;
    friend void PrintTo(const PeriodCase& c, std::ostream* os) { *os << c.Name; }
};

class ThreadedTimerPeriod : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(ThreadedTimerPeriod, RestartsOnlyWhenItShould) {
    const auto& c = GetParam();
    TThreadedTimer timer(nullptr);
    TickLog log;
    timer.OnTimer = log.Handler();
    timer.SetInterval(c.Interval);
    timer.SetEnabled(true);
    PumpFor(c.ActAfter);
    ASSERT_EQ(log.Count(), 0u) << "machine too slow for this case";
    auto actedAt = Clock::now();
    c.Act(timer);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), c.IntervalAfter);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 1; }));
    auto firstTick = Ms(log.At[0] - actedAt);
    if (c.Restarts)
        EXPECT_GE(firstTick, std::chrono::milliseconds(c.IntervalAfter));
    else
        EXPECT_LT(firstTick, std::chrono::milliseconds(c.Interval));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThreadedTimerPeriod,
    ::testing::Values(PeriodCase{"DisableThenEnable", 300, 200ms,
                                 [](TThreadedTimer& t) {
                                     t.SetEnabled(false);
                                     t.SetEnabled(true);
                                 },
                                 true, 300},
                      PeriodCase{"ShorterInterval", 10000, 100ms,
                                 [](TThreadedTimer& t) { t.SetInterval(60); }, true, 60},
                      PeriodCase{"LongerInterval", 100, 50ms,
                                 [](TThreadedTimer& t) { t.SetInterval(400); }, true, 400},
                      PeriodCase{"EnableAgain", 1000, 600ms,
                                 [](TThreadedTimer& t) { t.SetEnabled(true); }, false, 1000},
                      PeriodCase{"SameInterval", 1000, 600ms,
                                 [](TThreadedTimer& t) { t.SetInterval(1000); }, false, 1000}),
    [](const auto& info) { return info.param.Name; });

TEST(ThreadedTimer, ZeroIntervalWithoutAllowZeroWaitsForAUsableInterval) {
    TThreadedTimer timer(nullptr);
    TickLog log;
    timer.OnTimer = log.Handler();
    timer.SetInterval(0);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    PumpFor(150ms);
    EXPECT_EQ(log.Count(), 0u);

    timer.SetAllowZero(true);  // consulted only when the timer becomes enabled
    PumpFor(100ms);
    EXPECT_EQ(log.Count(), 0u);

    auto setAt = Clock::now();
    timer.SetInterval(40);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 2; }));
    EXPECT_GE(Ms(log.At[0] - setAt), 40ms);
}

TEST(ThreadedTimer, ZeroIntervalWithAllowZeroTicksBackToBack) {
    TThreadedTimer timer(nullptr);
    TickLog log;
    auto record = log.Handler();
    timer.OnTimer = [&](TObject* s) {
        record(s);
        if (log.Count() == 200) timer.SetEnabled(false);
    };
    timer.SetAllowZero(true);
    timer.SetInterval(0);
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 200; }));
    PumpFor(100ms);
    EXPECT_EQ(log.Count(), 200u) << "disabled from its own handler, the timer must stop";
}

// A tick already waiting for the GUI thread when the timer is disabled calls the handler only if
// the timer is enabled again by the time the GUI thread serves it.
TEST(ThreadedTimer, TickWaitingForTheGuiThreadChecksEnabledWhenServed) {
    struct Case {
        const char* Name;
        bool EnableAgain;
        std::size_t Expected;
    };
    for (const Case& c : {Case{"disabled", false, 0}, Case{"enabled again", true, 1}}) {
        SCOPED_TRACE(c.Name);
        TThreadedTimer timer(nullptr);
        TickLog log;
        timer.OnTimer = log.Handler();
        timer.SetInterval(20);
        timer.SetEnabled(true);
        ASSERT_TRUE(WaitUntilQueued());
        timer.SetEnabled(false);
        if (c.EnableAgain) timer.SetEnabled(true);
        App().ProcessMessages();
        EXPECT_EQ(log.Count(), c.Expected);
        EXPECT_EQ(App().PendingCount(), 0u);
        if (!c.EnableAgain) {
            PumpFor(150ms);
            EXPECT_EQ(log.Count(), 0u) << "the parked worker must not tick";
        } else {
            EXPECT_TRUE(PumpUntil([&] { return log.Count() >= 2; })) << "ticking goes on";
        }
    }
}

TEST(ThreadedTimer, HandlerErrorsAreSwallowedAndTickingGoesOn) {
    const std::vector<std::pair<const char*, std::function<void()>>> throwers = {
        {"std::exception", [] { throw std::runtime_error("handler failed"); }},
        {"non-standard", [] { throw 42; }},
    };
    for (const auto& [name, thrower] : throwers) {
        SCOPED_TRACE(name);
        TThreadedTimer timer(nullptr);
        int calls = 0;
        const std::function<void()>& raise = thrower;
        timer.OnTimer = [&](TObject*) {
            ++calls;
            raise();
        };
        timer.SetInterval(20);
        timer.SetEnabled(true);
        // An error reaching the worker would end it after the first tick.
        EXPECT_TRUE(PumpUntil([&] { return calls >= 3; }));
    }
}

TEST(ThreadedTimer, UnassignedOnTimerTicksWithoutEffect) {
    TThreadedTimer timer(nullptr);
    timer.SetInterval(20);
    timer.SetEnabled(true);
    ASSERT_TRUE(WaitUntilQueued());
    App().ProcessMessages();  // the tick is served with no handler
    TickLog log;
    timer.OnTimer = log.Handler();
    EXPECT_TRUE(PumpUntil([&] { return log.Count() >= 1; }));
}

// Destruction returns once the worker has ended, serving a tick that waits for the GUI thread
// without calling the handler.
TEST(ThreadedTimer, DestructionEndsTheWorkerAndCallsNoHandler) {
    struct Case {
        const char* Name;
        std::function<void(TThreadedTimer&)> Prepare;
    };
    const std::vector<Case> cases = {
        {"never enabled", [](TThreadedTimer&) {}},
        {"running, waiting in its interval",
         [](TThreadedTimer& t) {
             t.SetInterval(10000);
             t.SetEnabled(true);
             PumpFor(30ms);
         }},
        {"running, tick waiting for the GUI thread",
         [](TThreadedTimer& t) {
             t.SetInterval(20);
             t.SetEnabled(true);
             ASSERT_TRUE(WaitUntilQueued());
         }},
        {"disabled, tick waiting for the GUI thread",
         [](TThreadedTimer& t) {
             t.SetInterval(20);
             t.SetEnabled(true);
             ASSERT_TRUE(WaitUntilQueued());
             t.SetEnabled(false);
         }},
        {"enabled without a usable interval",
         [](TThreadedTimer& t) {
             t.SetInterval(20);
             t.SetEnabled(true);
             t.SetInterval(0);
             PumpFor(50ms);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::size_t threadsBefore = ThreadCount();
        TickLog log;
        auto timer = std::make_unique<TThreadedTimer>(nullptr);
        c.Prepare(*timer);
        timer->OnTimer = log.Handler();
        timer.reset();
        EXPECT_EQ(log.Count(), 0u);
        EXPECT_EQ(App().PendingCount(), 0u) << "the waiting tick must have been served";
        // The kernel drops an ended thread from its list a moment after it was joined.
        EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threadsBefore; }, 2s));
    }
}

TEST(ThreadedTimer, DestroyedWithItsOwner) {
    const std::size_t threadsBefore = ThreadCount();
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* timer = new TThreadedTimer(owner.get());
    TickLog log;
    timer->OnTimer = log.Handler();
    timer->SetInterval(20);
    timer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 1; }));
    ASSERT_TRUE(WaitUntilQueued());
    auto seen = log.Count();
    owner.reset();
    EXPECT_EQ(log.Count(), seen);
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threadsBefore; }, 2s));
}

TEST(ThreadedTimer, ThreadPriorityFollowsTheLevelTable) {
    struct Row {
        TThreadPriority Priority;
        int Level;
    };
    const Row table[] = {
        {TThreadPriority::tpIdle, -15},        {TThreadPriority::tpLowest, -2},
        {TThreadPriority::tpLower, -1},        {TThreadPriority::tpNormal, 0},
        {TThreadPriority::tpHigher, 1},        {TThreadPriority::tpHighest, 2},
        {TThreadPriority::tpTimeCritical, 15},
    };
    TThreadedTimer timer(nullptr);
    timer.SetInterval(20);
    timer.SetEnabled(true);  // a running worker: the change is applied to a live thread
    for (const Row& r : table) {
        SCOPED_TRACE(ThreadPriorityLevel(r.Priority));
        EXPECT_EQ(ThreadPriorityLevel(r.Priority), r.Level);
        EXPECT_EQ(ThreadPriorityFromLevel(r.Level), r.Priority);
        timer.SetThreadPriority(r.Priority);
        EXPECT_EQ(timer.ThreadPriority(), r.Priority);
    }
    for (int level : {-16, -7, 3, 14, 16})
        EXPECT_EQ(ThreadPriorityFromLevel(level), TThreadPriority::tpNormal) << level;
    timer.SetThreadPriority(TThreadPriority::tpNormal);
}

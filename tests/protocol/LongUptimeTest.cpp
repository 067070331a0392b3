// A bench that never reboots: the tick counter passes 2^31 ms after 24.9 days and wraps at 2^32
// after 49.7. Every wait that reads it must last its time in real time, neither cut short nor
// held, with the counter just before, across and after both points; and after a suspend, which
// the counter counts (Windows) or not (the monotonic clock stops), the dongle that went and came
// back meanwhile is found again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "protocol/DongleSearch.h"
#include "protocol/PumpDelay.h"
#include "runtime/Clock.h"
#include "support/ThdTimer.h"
#include "tests/common/Pump.h"
#include "tests/common/ScratchFolder.h"
#include "tests/protocol/DongleSearchSupport.h"
#include "tests/protocol/ProtocolOnPty.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

namespace {

using RealClock = std::chrono::steady_clock;

struct Uptime {
    const char* Name;
    std::uint64_t StartMs;  // the counter when the test begins
};

constexpr std::uint64_t k2To31 = 1ull << 31, k2To32 = 1ull << 32;
// "Across": the waits below begin 100 ms before the point and end after it.
const Uptime kUptimes[] = {
    {"Before2To31", k2To31 - 60000}, {"Across2To31", k2To31 - 100}, {"After2To31", k2To31 + 60000},
    {"Before2To32", k2To32 - 60000}, {"Across2To32", k2To32 - 100}, {"After2To32", k2To32 + 60000},
};

// Real time a call takes, in ms.
template <typename Call>
std::int64_t RealMs(Call&& C) {
    const auto start = RealClock::now();
    C();
    return std::chrono::duration_cast<std::chrono::milliseconds>(RealClock::now() - start).count();
}

class LongUptime : public ::testing::TestWithParam<Uptime> {
  protected:
    void SetUp() override { Application::Instance().SetTickCountNow(GetParam().StartMs); }
    void TearDown() override { Application::Instance().ResetTickCount(); }
};

sim::SimConfig DongleAt(const std::string& Link) {
    sim::SimConfig config;
    config.LinkPath = Link;
    return config;
}

}  // namespace

TEST_P(LongUptime, TheCounterReadsWhereItWasSet) {
    const std::uint64_t wide = GetTickCount64();
    EXPECT_GE(wide, GetParam().StartMs);
    EXPECT_LT(wide, GetParam().StartMs + 5000);
    // The 32-bit counter is the low half, as coarse as the system timer.
    EXPECT_LT(static_cast<std::uint32_t>(GetTickCount64() - GetTickCount()), 1000u);
}

TEST_P(LongUptime, PumpDelayLastsItsTime) {
    const std::int64_t took = RealMs([] { PumpDelay(300); });
    EXPECT_GE(took, 300);
    EXPECT_LT(took, 3000);
}

TEST_P(LongUptime, TheRefreshTimerTicksAtItsInterval) {
    TThreadedTimer timer(nullptr);
    std::atomic<int> ticks{0};
    timer.OnTimer = [&](TObject*) { ++ticks; };
    timer.SetInterval(100);
    timer.SetEnabled(true);
    test::PumpFor(1000ms);
    timer.SetEnabled(false);
    // About ten: none held back by the point passed, no burst of them.
    EXPECT_GE(ticks.load(), 3);
    EXPECT_LE(ticks.load(), 11);
}

TEST_P(LongUptime, TheProbeWaitsForALateVersionReply) {
    sim::SimConfig config;
    config.ReplyDelayMs = 150;  // within the probe's 200 ms
    auto dongle = StartDongle(config);
    SearchingProtocol s;
    s.P.SetPortDef(dongle->SlavePath());
    s.P.PortLister = [] { return std::vector<std::string>{}; };
    EXPECT_TRUE(s.P.Connect());
}

TEST_P(LongUptime, TheConsoleCountWaitEndsAfterItsTimeOut) {
    sim::DongleSim dongle;
    ASSERT_TRUE(dongle.Start());
    ProtocolOnLine line(dongle.SlavePath());
    line.Connect();
    ASSERT_TRUE(line.P.Connected());
    dongle.SetSilent(true);
    line.P.SetReplyTimeOut(300);
    const std::int64_t took = RealMs([&] { line.P.NumberOfConsole(); });
    EXPECT_GE(took, 300);
    EXPECT_LT(took, 3000);
}

// The periodic look alone (no node events): the plan's next look must fall due.
TEST_P(LongUptime, TheDongleSearchLooksAgainEverySecond) {
    test::ScratchFolder dir("trimora-uptime");
    const std::string link = dir.Path() + "/ttyDONGLE";
    SearchingProtocol s;
    TDongleSearch search(nullptr, s.P);
    int found = 0;
    search.OnFound = [&] { ++found; };
    search.PortLister = [] { return std::vector<std::string>{}; };
    search.NodeFolders = {};
    search.Follow(link);
    test::PumpFor(300ms);
    auto dongle = StartDongle(DongleAt(link));
    EXPECT_TRUE(test::PumpUntil([&] { return found == 1; }, 5s));
    search.Stop();
}

INSTANTIATE_TEST_SUITE_P(Points, LongUptime, ::testing::ValuesIn(kUptimes),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// A suspend of an hour with the dongle unplugged and plugged back in while the machine slept.
// The GUI thread does not run meanwhile; the counter counted the hour or stood still.
TEST(Suspend, TheDongleGoneAndBackDuringAnHourAsleepIsFoundAgain) {
    for (const std::uint64_t counted : {std::uint64_t{0}, std::uint64_t{3600000}}) {
        SCOPED_TRACE(counted);
        test::ScratchFolder dir("trimora-suspend");
        const std::string link = dir.Path() + "/ttyDONGLE";
        auto dongle = StartDongle(DongleAt(link));
        SearchingProtocol s;
        s.P.SetPortDef(link);
        s.P.PortLister = [] { return std::vector<std::string>{}; };
        ASSERT_TRUE(s.P.Connect());
        TDongleSearch search(nullptr, s.P);
        int found = 0;
        search.OnFound = [&] { ++found; };
        search.PortLister = [] { return std::vector<std::string>{}; };
        search.Follow(link);

        // Asleep: nothing runs on the GUI thread while the dongle goes and comes back.
        ASSERT_TRUE(dongle->HangUp());
        std::this_thread::sleep_for(300ms);
        ASSERT_TRUE(dongle->Reconnect());
        std::this_thread::sleep_for(300ms);
        Application::Instance().AdvanceTickCount(counted);

        EXPECT_TRUE(test::PumpUntil([&] { return found == 1; }, 5s));
        EXPECT_TRUE(s.P.Connected());
        search.Stop();
        Application::Instance().ResetTickCount();
    }
}

// A wait under way when the machine sleeps: a counter that counted the hour ends it on waking,
// as the hour it waited for has passed.
TEST(Suspend, AWaitThatTheCounterSawPassEndsOnWaking) {
    std::thread sleeper([] {
        std::this_thread::sleep_for(200ms);
        Application::Instance().AdvanceTickCount(3600000);
    });
    const std::int64_t took = RealMs([] { PumpDelay(30000); });
    sleeper.join();
    Application::Instance().ResetTickCount();
    EXPECT_LT(took, 5000);
}

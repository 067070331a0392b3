// The watcher on real pseudo-terminals: a dongle whose link appears is found at once, without
// waiting for the periodic look, and the start-up sequence's registration commands follow.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "protocol/VelnDongleWatcher.h"
#include "tests/common/Pump.h"
#include "tests/protocol/DongleSearchSupport.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

TEST(DongleWatcher, ALinkThatAppearsIsProbedAtOnceAndTheConsolesAreCleared) {
    char dir[] = "/tmp/trimora-watch.XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/ttyDONGLE";
    SearchingProtocol s;
    TVelnDongleWatcher watcher(nullptr, s.P);
    watcher.PortLister = [] { return std::vector<std::string>{}; };
    // The clock stands still: no periodic look ever falls due.
    const auto frozen = TDongleWatchPlan::Clock::now();
    watcher.Now = [frozen] { return frozen; };
    int found = 0;
    watcher.OnFound = [&] { ++found; };
    watcher.Watch(link);
    test::PumpFor(300ms);
    EXPECT_FALSE(s.P.Connected());

    sim::SimConfig config;
    config.LinkPath = link;
    auto dongle = StartDongle(config);
    EXPECT_TRUE(test::PumpUntil([&] { return found == 1; }, 5s));
    EXPECT_TRUE(s.P.Connected());
    EXPECT_FALSE(watcher.Watching());
    const std::vector<std::string> sent = HostHex(*dongle);
    auto at = sent.begin();
    for (const char* expected : {"3E0A00000021", "3E0300000021", "3E06FF000021"}) {
        at = std::find(at, sent.end(), expected);
        ASSERT_NE(at, sent.end()) << expected << " not sent, in order";
        ++at;
    }
    dongle.reset();
    test::PumpUntil([&] { return !s.P.Connected(); }, 2s);
    ::rmdir(dir);
}

// A USB reset or a loose connector: the dongle is gone and back at the same path within a
// fraction of a second, before the search for it could have looked once.
TEST(DongleWatcher, ADongleBackWithinAFractionOfASecondIsFoundAgain) {
    for (const auto away : {50ms, 150ms}) {
        SCOPED_TRACE(away.count());
        char dir[] = "/tmp/trimora-watch.XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        const std::string link = std::string(dir) + "/ttyDONGLE";
        sim::SimConfig config;
        config.LinkPath = link;
        auto dongle = StartDongle(config);
        SearchingProtocol s;
        s.P.SetPortDef(link);
        s.P.PortLister = [] { return std::vector<std::string>{}; };
        // The pause the window's component keeps after a close.
        s.P.SetDisconDelayBetweenCloseOpenPort(300);
        ASSERT_TRUE(s.P.Connect());
        TVelnDongleWatcher watcher(nullptr, s.P);
        watcher.PortLister = [] { return std::vector<std::string>{}; };
        int found = 0;
        watcher.OnFound = [&] { ++found; };
        s.P.OnDisconnection = [&] {
            if (!watcher.Probing()) watcher.Watch(link);
        };

        ASSERT_TRUE(dongle->HangUp());
        // Plugged back by the clock, whatever the GUI thread is doing meanwhile.
        std::thread replug([&] {
            std::this_thread::sleep_for(away);
            EXPECT_TRUE(dongle->Reconnect());
        });
        test::PumpFor(away + 20ms);
        replug.join();
        EXPECT_TRUE(test::PumpUntil([&] { return found == 1; }, 4s));
        EXPECT_TRUE(s.P.Connected());
        dongle.reset();
        test::PumpUntil([&] { return !s.P.Connected(); }, 2s);
        ::rmdir(dir);
    }
}

// The dongle search on real pseudo-terminals: a dongle whose link appears is found at once,
// without waiting for the periodic look, and the start-up sequence's registration commands
// follow; a dongle back within a fraction of a second is found again; a foreign device is asked
// once while it stays.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "protocol/DongleSearch.h"
#include "tests/common/Pump.h"
#include "tests/common/ScratchFolder.h"
#include "tests/protocol/DongleSearchSupport.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

namespace {

// A search that follows the protocol the way the window has it, on the ports it is given.
struct FollowingSearch {
    explicit FollowingSearch(TVelnWirelessProtocol& P, std::vector<std::string> Ports = {})
        : Search(nullptr, P) {
        Search.PortLister = [Ports] { return Ports; };
        Search.OnLost = [this] { ++Lost; };
        Search.OnFound = [this] { ++Found; };
        Search.OnProbing = [this](const std::string& Port) { Probes.push_back(Port); };
        Search.OnFailed = [this](const std::string& Port) { Failures.push_back(Port); };
    }
    TDongleSearch Search;
    int Lost = 0, Found = 0;
    std::vector<std::string> Probes, Failures;
};

}  // namespace

TEST(SearchAfterLoss, ALinkThatAppearsIsProbedAtOnceAndTheConsolesAreCleared) {
    test::ScratchFolder dir("trimora-search");
    const std::string link = dir.Path() + "/ttyDONGLE";
    SearchingProtocol s;
    FollowingSearch f(s.P);
    // The clock stands still: no periodic look ever falls due.
    const auto frozen = TDongleSearchPlan::Clock::now();
    f.Search.Now = [frozen] { return frozen; };
    f.Search.Follow(link);
    EXPECT_TRUE(f.Search.Looking());
    test::PumpFor(300ms);
    EXPECT_FALSE(s.P.Connected());

    sim::SimConfig config;
    config.LinkPath = link;
    auto dongle = StartDongle(config);
    EXPECT_TRUE(test::PumpUntil([&] { return f.Found == 1; }, 5s));
    EXPECT_TRUE(s.P.Connected());
    EXPECT_FALSE(f.Search.Looking());
    EXPECT_EQ(f.Probes, std::vector<std::string>{link});
    EXPECT_EQ(f.Lost, 0) << "never found before: nothing was lost";
    ASSERT_TRUE(dongle->WaitForHostFrame("3E06FF000021", 2s));
    const std::vector<std::string> sent = HostHex(*dongle);
    auto at = sent.begin();
    for (const char* expected : {"3E0A00000021", "3E0300000021", "3E06FF000021"}) {
        at = std::find(at, sent.end(), expected);
        ASSERT_NE(at, sent.end()) << expected << " not sent, in order";
        ++at;
    }
    dongle.reset();
    EXPECT_TRUE(test::PumpUntil([&] { return f.Lost == 1; }, 2s));
    EXPECT_TRUE(f.Search.Looking()) << "the search owns the loss and looks again";
}

// A USB reset or a loose connector: the dongle is gone and back at the same path within a
// fraction of a second, before the search for it could have looked once.
TEST(SearchAfterLoss, ADongleBackWithinAFractionOfASecondIsFoundAgain) {
    for (const auto away : {50ms, 150ms}) {
        SCOPED_TRACE(away.count());
        test::ScratchFolder dir("trimora-search");
        const std::string link = dir.Path() + "/ttyDONGLE";
        sim::SimConfig config;
        config.LinkPath = link;
        auto dongle = StartDongle(config);
        SearchingProtocol s;
        s.P.SetPortDef(link);
        s.P.PortLister = [] { return std::vector<std::string>{}; };
        // The pause the window's component keeps after a close.
        s.P.SetDisconDelayBetweenCloseOpenPort(300);
        ASSERT_TRUE(s.P.Connect());
        FollowingSearch f(s.P);
        f.Search.Follow(link);
        EXPECT_FALSE(f.Search.Looking());

        ASSERT_TRUE(dongle->HangUp());
        // Plugged back by the clock, whatever the GUI thread is doing meanwhile.
        std::thread replug([&] {
            std::this_thread::sleep_for(away);
            EXPECT_TRUE(dongle->Reconnect());
        });
        test::PumpFor(away + 20ms);
        replug.join();
        EXPECT_TRUE(test::PumpUntil([&] { return f.Found == 1; }, 4s));
        EXPECT_TRUE(s.P.Connected());
        EXPECT_EQ(f.Lost, 1);
        dongle.reset();
        test::PumpUntil([&] { return !s.P.Connected(); }, 2s);
    }
}

// chmod changes a node's change time, and the watch on /dev hears of it: the device is the same
// and is not asked again.
TEST(SearchAfterLoss, AForeignDeviceIsAskedOnceAlsoWhenItsNodeChangesMode) {
    auto foreign = StartSilentDevice();
    const std::string path = foreign->SlavePath();
    SearchingProtocol s;
    FollowingSearch f(s.P, {path});
    f.Search.NodeFolders = {"/dev/pts"};
    f.Search.PortLister = [] { return std::vector<std::string>{}; };
    f.Search.Follow("");
    f.Search.PortLister = [path] { return std::vector<std::string>{path}; };  // it appears
    f.Search.LookNow();
    ASSERT_EQ(f.Failures, std::vector<std::string>{path});

    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    ASSERT_EQ(::chmod(path.c_str(), (st.st_mode & 07777) ^ 0004), 0);
    test::PumpFor(1500ms);  // the node watch, and a periodic look
    EXPECT_EQ(f.Probes, std::vector<std::string>{path});
    ::chmod(path.c_str(), st.st_mode & 07777);
}

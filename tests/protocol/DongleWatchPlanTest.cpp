// The decisions of the search for a dongle that went away, on a fake clock and a fake machine.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/DongleWatchPlan.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {

// A machine whose ports come and go, and a clock that moves only when told.
struct FakeMachine {
    std::map<std::string, TPortSighting> Ports;  // the kernel's serial port list
    std::map<std::string, TPortSighting> Links;  // other paths: the last port may be one
    std::uint64_t NextIdentity = 1;
    TDongleWatchPlan::Clock::time_point Time{};

    void Plug(const std::string& Path, bool Listed = true, bool Accessible = true) {
        TPortSighting s{Path, NextIdentity++, Accessible};
        (Listed ? Ports : Links)[Path] = s;
    }
    void Unplug(const std::string& Path) {
        Ports.erase(Path);
        Links.erase(Path);
    }
    std::vector<TPortSighting> List() const {
        std::vector<TPortSighting> list;
        for (const auto& [path, s] : Ports) list.push_back(s);
        return list;
    }
    std::optional<TPortSighting> Node(const std::string& Path) const {
        if (auto it = Ports.find(Path); it != Ports.end()) return it->second;
        if (auto it = Links.find(Path); it != Links.end()) return it->second;
        return std::nullopt;
    }
};

class WatchPlan : public ::testing::Test {
  protected:
    void Begin(const std::string& Last) { plan.Begin(m.Time, Last, m.List(), m.Node(Last)); }
    // Moves the clock on and looks when a look is due; every probe fails unless it is Dongle.
    std::vector<std::string> After(std::chrono::milliseconds Step, const std::string& Dongle = "") {
        m.Time += Step;
        if (!plan.LookDue(m.Time)) return {};
        auto probes = plan.Look(m.Time, m.List(), m.Node(plan.LastPort()));
        for (const std::string& p : probes)
            if (p != Dongle) plan.Failed(p);
        return probes;
    }
    using Probes = std::vector<std::string>;

    FakeMachine m;
    TDongleWatchPlan plan;
};

}  // namespace

TEST_F(WatchPlan, LooksOnceASecondAndProbesNothingWhileNothingChanges) {
    m.Plug("/dev/ttyS0");
    m.Plug("/dev/ttyUSB0");
    Begin("/dev/ttyUSB1");  // gone with the dongle
    EXPECT_FALSE(plan.LookDue(m.Time + 999ms));
    EXPECT_TRUE(plan.LookDue(m.Time + 1000ms));
    for (int second = 0; second < 30; ++second)
        EXPECT_EQ(After(1s), Probes{}) << "ports present at the start were searched already";
}

TEST_F(WatchPlan, TheLastPortIsProbedAtTheFirstLookAfterItsPathExistsAgain) {
    Begin("/dev/serial/by-id/usb-dongle");
    EXPECT_EQ(After(1s), Probes{});
    EXPECT_EQ(After(1s), Probes{});
    m.Plug("/dev/serial/by-id/usb-dongle", false);
    EXPECT_EQ(After(400ms), Probes{}) << "no look before its second is up";
    EXPECT_EQ(After(600ms), Probes{"/dev/serial/by-id/usb-dongle"});
}

TEST_F(WatchPlan, AFailedPortIsProbedAgainOnlyAfterItWentAndCameBack) {
    Begin("");
    m.Plug("/dev/ttyACM0");  // a foreign device appears
    EXPECT_EQ(After(1s), Probes{"/dev/ttyACM0"});
    for (int second = 0; second < 10; ++second)
        EXPECT_EQ(After(1s), Probes{}) << "never written to again while it stays";

    struct Case {
        const char* What;
        bool SeenAbsent;  // a look falls between the unplug and the replug
    };
    for (const Case& c :
         {Case{"unplugged for seconds", true}, Case{"replugged within a second", false}}) {
        SCOPED_TRACE(c.What);
        m.Unplug("/dev/ttyACM0");
        if (c.SeenAbsent) {
            EXPECT_EQ(After(1s), Probes{});
        }
        m.Plug("/dev/ttyACM0");  // the same name, a new node
        EXPECT_EQ(After(1s), Probes{"/dev/ttyACM0"});
        EXPECT_EQ(After(1s), Probes{});
    }
}

TEST_F(WatchPlan, TheLastPortComesFirstAndOnceEvenUnderTwoNames) {
    m.Plug("/dev/ttyS0");
    Begin("/dev/ttyUSB0");
    m.Plug("/dev/ttyACM3");
    m.Plug("/dev/ttyUSB0");
    EXPECT_EQ(After(1s), (Probes{"/dev/ttyUSB0", "/dev/ttyACM3"}));

    // A link to a port of the list: one device, probed under the last port's name only.
    Begin("/tmp/dongle-link");
    m.Plug("/dev/ttyUSB7");
    m.Links["/tmp/dongle-link"] = m.Ports["/dev/ttyUSB7"];
    m.Links["/tmp/dongle-link"].Path = "/tmp/dongle-link";
    EXPECT_EQ(After(1s), Probes{"/tmp/dongle-link"});
    EXPECT_EQ(After(1s), Probes{});
}

TEST_F(WatchPlan, ANodeThatCannotBeOpenedYetWaitsWithoutCountingAsFailed) {
    Begin("/dev/ttyUSB0");
    m.Plug("/dev/ttyUSB0", true, false);  // udev has not given it its group yet
    EXPECT_EQ(After(1s), Probes{});
    EXPECT_EQ(After(1s), Probes{});
    m.Ports["/dev/ttyUSB0"].Accessible = true;
    EXPECT_EQ(After(1s), Probes{"/dev/ttyUSB0"});
}

TEST_F(WatchPlan, APortPresentAtTheStartIsNewOnceReplaced) {
    m.Plug("/dev/ttyUSB0");  // the lost dongle's node has not gone yet when the search begins
    Begin("/dev/ttyUSB0");
    EXPECT_EQ(After(1s), Probes{});
    m.Unplug("/dev/ttyUSB0");
    m.Plug("/dev/ttyUSB0");
    EXPECT_EQ(After(1s, "/dev/ttyUSB0"), Probes{"/dev/ttyUSB0"});
}

// The decisions of the search for a dongle that went away, on a fake clock and a fake machine.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/DongleSearchPlan.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {

// A machine whose ports come and go, and a clock that moves only when told.
struct FakeMachine {
    std::map<std::string, TPortSighting> Ports;  // the kernel's serial port list
    std::map<std::string, TPortSighting> Links;  // other paths: the last port may be one
    std::uint64_t NextIdentity = 1;
    TDongleSearchPlan::Clock::time_point Time{};

    void Plug(const std::string& Path, bool Listed = true, bool Accessible = true) {
        TPortSighting s{Path, {NextIdentity++, 1}, Accessible};
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
    // The dongle was never found: what is there now was searched already.
    void Begin(const std::string& Last, const std::optional<TPortSighting>& Lost = std::nullopt) {
        plan.Begin(m.Time, Last, m.List(), m.Node(Last), Lost);
    }
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
    TDongleSearchPlan plan;
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

TEST_F(WatchPlan, TheLostDongleIsToldFromANodeThatReplacedItBeforeTheSearchBegan) {
    m.Plug("/dev/ttyUSB0");
    const std::optional<TPortSighting> lost = m.Node("/dev/ttyUSB0");

    // The dead node is still there when the search begins: not probed until it is replaced.
    Begin("/dev/ttyUSB0", lost);
    EXPECT_EQ(After(1s), Probes{});
    // Back within a fraction of a second, before the search began: a new node.
    m.Unplug("/dev/ttyUSB0");
    m.Plug("/dev/ttyUSB0");
    Begin("/dev/ttyUSB0", lost);
    EXPECT_EQ(After(1s, "/dev/ttyUSB0"), Probes{"/dev/ttyUSB0"});
}

// A node's identity is its device and inode as they are: a chmod changes neither, and a
// pseudo-terminal's come back with the next one, so only a removal seen makes a node new.
TEST_F(WatchPlan, AFailedNodeIsNewOnlyOnceItsRemovalWasSeen) {
    struct Case {
        const char* What;
        bool RemovalSeen;
        Probes Expected;
    };
    for (const Case& c : {Case{"attributes changed, or nothing seen", false, {}},
                          Case{"removed and back with the same numbers", true, {"/dev/ttyACM0"}}}) {
        SCOPED_TRACE(c.What);
        m.Unplug("/dev/ttyACM0");
        Begin("");
        m.Plug("/dev/ttyACM0");
        EXPECT_EQ(After(1s), Probes{"/dev/ttyACM0"});
        if (c.RemovalSeen) plan.Gone("/dev/ttyACM0");
        EXPECT_EQ(After(1s), c.Expected);
    }
}

TEST_F(WatchPlan, APseudoTerminalNamedAsTheLastPortIsGoneForGoodOnceItWent) {
    const std::string pty = "/dev/pts/7";
    m.Plug(pty, false);
    m.Links[pty].PseudoTerminal = true;
    const std::optional<TPortSighting> lost = m.Node(pty);
    Begin(pty, lost);
    EXPECT_EQ(plan.LastPort(), pty) << "still there";
    m.Unplug(pty);
    EXPECT_EQ(After(1s), Probes{});
    EXPECT_EQ(plan.LastPort(), "");
    m.Plug(pty, false);  // the next terminal someone opens
    m.Links[pty].PseudoTerminal = true;
    EXPECT_EQ(After(1s), Probes{});

    // Gone before the search began, or seen going.
    for (bool seenGoing : {false, true}) {
        m.Plug(pty, false);
        m.Links[pty].PseudoTerminal = true;
        const std::optional<TPortSighting> dongle = m.Node(pty);
        if (!seenGoing) m.Unplug(pty);
        Begin(pty, dongle);
        if (seenGoing) plan.Gone(pty);
        EXPECT_EQ(plan.LastPort(), "") << seenGoing;
    }
}

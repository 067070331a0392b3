// The dongle search against devices that misbehave: it always ends, and what one device left on
// the line does not hide the dongle on the next.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "serial/ComPort.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/protocol/DongleSearchSupport.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(SearchFaults, HalfAFrameFromAnotherDeviceDoesNotHideTheDongleOnTheNextPort) {
    test::PseudoTerminal other;  // some other serial device, sending something with a start byte
    auto dongle = StartDongle();
    SearchingProtocol s;
    s.P.SetPortDef(other.SlavePath());
    s.P.PortLister = [&] { return std::vector<std::string>{dongle->SlavePath()}; };
    s.P.OnConnection = [&] {
        if (s.P.Port()->Port() == other.SlavePath())
            other.Write(std::string("\x10\x3E\x01\x02", 4));
    };

    EXPECT_TRUE(s.P.Connect());

    EXPECT_TRUE(s.TraceHas("Connection Failed " + other.SlavePath()));
    EXPECT_TRUE(s.TraceHas("<-3E0A0001780021 Version Nbr.= 0x78 ID = 0"));
    EXPECT_TRUE(s.TraceHas("Connection done " + dongle->SlavePath()));
    EXPECT_TRUE(s.P.Connected());
    EXPECT_EQ(s.P.Port()->Port(), dongle->SlavePath());
}

TEST(SearchFaults, ADongleThatFallsSilentAfterItsVersionStillEndsTheSearch) {
    auto dongle = StartDongle();
    // Answers the probe, then nothing more: the number-of-consoles request goes unanswered.
    dongle->OnHostFrame = [&](const sim::HostFrame& f) {
        if (f.Hex.rfind("3E09", 0) == 0) dongle->SetSilent(true);
    };
    SearchingProtocol s;
    s.P.SetPortDef(kMissingDevice);
    s.P.PortLister = [&] { return std::vector<std::string>{dongle->SlavePath()}; };
    s.P.SetReplyTimeOut(300);

    const auto start = Clock::now();
    EXPECT_TRUE(s.P.Connect());
    EXPECT_LT(Clock::now() - start, 10s);
    EXPECT_TRUE(s.P.Connected());
    EXPECT_TRUE(dongle->WaitForHostFrame("3E0400000021", 1s).has_value());
}

TEST(SearchFaults, ADongleUnpluggedRightAfterBeingFoundEndsTheSearchWithoutHanging) {
    for (bool autoConnection : {false, true}) {
        SCOPED_TRACE(autoConnection ? "with AutoConnection" : "without AutoConnection");
        auto dongle = StartDongle();
        dongle->OnHostFrame = [&](const sim::HostFrame& f) {
            if (f.Hex.rfind("3E09", 0) == 0) dongle->HangUp();
        };
        const std::string path = dongle->SlavePath();
        SearchingProtocol s;
        s.P.SetPortDef(path);
        s.P.SetAutoConnection(autoConnection);
        int disconnections = 0;
        s.P.OnDisconnection = [&] { ++disconnections; };

        const auto start = Clock::now();
        EXPECT_TRUE(s.P.Connect()) << "the dongle answered before it went";
        EXPECT_LT(Clock::now() - start, 10s);
        // The loss is noticed while the search pauses after the find, and recovered from once;
        // the commands after it go nowhere.
        EXPECT_EQ(disconnections, 1);
        EXPECT_TRUE(s.TraceHas("Dongle lost " + path));
        EXPECT_FALSE(s.P.Connected());
        if (autoConnection) {
            EXPECT_TRUE(s.TraceHas("Connection Failed " + path));
        }
    }
}

// The dongle answers its version request and is unplugged before the probe's wait is over: the
// answer went with it. The next port, a device that never answers, is not the dongle.
TEST(SearchFaults, ADongleLostDuringItsProbeLeavesNoAnswerForTheNextPort) {
    auto dongle = StartDongle();
    dongle->OnHostFrame = [&](const sim::HostFrame& f) {
        if (f.Hex.rfind("3E0A", 0) == 0) dongle->SetHangUpAfter(60);
    };
    const std::string donglepath = dongle->SlavePath();
    auto silent = StartSilentDevice();
    SearchingProtocol s;
    s.P.SetPortDef(donglepath);
    s.P.PortLister = [&] { return std::vector<std::string>{silent->SlavePath()}; };

    EXPECT_FALSE(s.P.Connect());

    EXPECT_TRUE(s.TraceHas("<-3E0A0001780021 Version Nbr.= 0x78 ID = 0"));
    EXPECT_TRUE(s.TraceHas("Connection Failed " + donglepath));
    EXPECT_TRUE(s.TraceHas("Connection Failed " + silent->SlavePath()));
    EXPECT_FALSE(s.P.Connected());
    const std::vector<StatusEvent> expected = {
        {100, 100, TVelnConnectionStatus::csTrying, donglepath},
        {1, 1, TVelnConnectionStatus::csTrying, silent->SlavePath()},
        {1, 1, TVelnConnectionStatus::csNotFound, silent->SlavePath()},
    };
    EXPECT_EQ(s.Statuses, expected);
    const std::vector<std::string> toSilent = HostHex(*silent);
    EXPECT_EQ(toSilent, std::vector<std::string>{"3E0A00000021"})
        << "a device that sent nothing is asked for its version and nothing more";
}

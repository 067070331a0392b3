#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ProtocolOnPty.h"
#include "protocol/FrameCodec.h"
#include "runtime/Clock.h"
#include "tests/common/PseudoTerminal.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

namespace {

struct CommandCase {
    const char* Name;
    std::function<void(TVelnWirelessProtocol&)> Send;
    std::string Hex;
    std::string TraceText;
};

const std::vector<CommandCase>& Commands() {
    static const std::vector<CommandCase> cases = {
        {"open registration", [](auto& p) { p.OpenRegistration(); }, "3E0200000021",
         " Open Console Registration"},
        {"close registration", [](auto& p) { p.CloseRegistration(); }, "3E0300000021",
         " Close Console Registration"},
        {"remove all", [](auto& p) { p.RemoveConsole(255); }, "3E06FF000021",
         "  Remove All Console"},
        {"remove one", [](auto& p) { p.RemoveConsole(3); }, "3E0603000021",
         "  Remove Console ID=3"},
        {"serial of the dongle", [](auto& p) { p.RequestSerial(0); }, "3E0900000021",
         " Serial Req Console 0"},
        {"serial of a console", [](auto& p) { p.RequestSerial(200); }, "3E09C8000021",
         " Serial Req Console 200"},
        {"version of the dongle", [](auto& p) { p.RequestVersion(0); }, "3E0A00000021",
         " Version Req Console 0"},
        {"version of a console", [](auto& p) { p.RequestVersion(18); }, "3E0A12000021",
         " Version Req Console 18"},
        {"start measures", [](auto& p) { p.SetMeasures(true); }, "3E130001010021",
         " Start Measure"},
        {"stop measures", [](auto& p) { p.SetMeasures(false); }, "3E130001000021", " Stop Measure"},
    };
    return cases;
}

class Outbound : public ::testing::Test {
  protected:
    test::PseudoTerminal pty;
    ProtocolOnLine line{pty.SlavePath()};
    TVelnWirelessProtocol& p = line.P;
    TMemo& trace = line.Trace;
};

}  // namespace

TEST_F(Outbound, EveryCommandWritesItsFrameAndTracesItsLine) {
    line.Connect();
    ASSERT_TRUE(p.Connected());
    for (const CommandCase& c : Commands()) {
        trace.Clear();
        c.Send(p);
        EXPECT_EQ(BytesToHex(pty.Read(c.Hex.size() / 2, 2s)), c.Hex) << c.Name;
        EXPECT_EQ(trace.Lines(), std::vector<std::string>{"->" + c.Hex + c.TraceText}) << c.Name;
    }
    EXPECT_EQ(pty.ReadUntilQuiet(50ms), "") << "nothing beyond the frames";
}

TEST_F(Outbound, NothingIsWrittenOrTracedWhileNotConnectedButOpenedFollows) {
    // The port is open, so anything sent would arrive; the component never saw it open.
    line.Port.OpenPort();
    ASSERT_FALSE(p.Connected());
    line.ConsoleJoins(1);
    p.SetConsoleResistance(1, 50, 0, 0);
    trace.Clear();

    for (const CommandCase& c : Commands()) c.Send(p);
    p.SendResistances(nullptr);
    p.SetReplyTimeOut(15000);
    const std::uint64_t t0 = GetTickCount64();
    EXPECT_EQ(p.NumberOfConsole(), 1) << "the count as it stands";
    EXPECT_LT(GetTickCount64() - t0, 5000u) << "no reply can come, so no wait";

    p.OpenRegistration();
    EXPECT_TRUE(p.Opened());
    p.CloseRegistration();
    EXPECT_FALSE(p.Opened());
    p.OpenRegistration();
    EXPECT_TRUE(p.Opened());

    EXPECT_EQ(pty.ReadUntilQuiet(100ms), "");
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Outbound, DebugNoDataHidesOnlyResistanceFrames) {
    line.Connect();
    line.ConsoleJoins(1);
    p.SetConsoleResistance(1, 0x2A, 0, 0);
    p.SetDebugNoData(true);
    trace.Clear();

    p.SendResistances(nullptr);
    p.RequestVersion(0);

    EXPECT_EQ(BytesToHex(pty.Read(8 + 6, 2s)),
              "3E100002002A0021"
              "3E0A00000021")
        << "the resistance frame is still sent";
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"->3E0A00000021 Version Req Console 0"});
}

TEST_F(Outbound, TimePrefixOnSentAndErrorLines) {
    line.Connect();
    p.SetDebugTime(true);
    pty.CloseMaster();  // the dongle is unplugged: the write fails
    trace.Clear();

    p.RequestVersion(0);

    ASSERT_EQ(trace.Count(), 2);
    const std::string sent = "->3E0A00000021 Version Req Console 0";
    const std::string error = " ## Error in port writing";
    const std::vector<std::pair<std::string, std::string>> expected = {{trace.Line(0), sent},
                                                                       {trace.Line(1), error}};
    for (const auto& [text, rest] : expected) {
        ASSERT_GT(text.size(), rest.size()) << text;
        EXPECT_EQ(text.substr(text.size() - rest.size()), rest);
        EXPECT_NE(text[0], ' ') << "the time comes first: " << text;
    }
}

// The first send finds the device gone (the write fails on the open port); the recovery closes
// the port and leaves the component not connected, so later sends go nowhere and run no second
// recovery.
TEST_F(Outbound, WriteFailureTracesOnceRecoversOnceAndEndsNotConnected) {
    line.Connect();
    int disconnections = 0;
    int portOpenAtEvent = -1;
    p.OnDisconnection = [&] {
        ++disconnections;
        portOpenAtEvent = line.Port.Connected();
    };
    pty.CloseMaster();

    p.OpenRegistration();  // returns normally: nothing reaches the caller
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"->3E0200000021 Open Console Registration",
                                                       "## Error in port writing"}));
    EXPECT_EQ(disconnections, 1);
    EXPECT_EQ(portOpenAtEvent, 0) << "the port is closed before OnDisconnection";
    EXPECT_FALSE(p.Connected()) << "without AutoConnection nothing reconnected it";
    EXPECT_TRUE(p.Opened());

    trace.Clear();
    p.OpenRegistration();
    p.SetMeasures(false);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{}) << "nothing is sent while not connected";
    EXPECT_EQ(disconnections, 1);
}

TEST_F(Outbound, NothingIsSentDuringARecoveryAndNoSecondOneStarts) {
    line.Connect();
    line.ConsoleJoins(1);
    p.SetConsoleResistance(1, 100, 0, 0);
    p.SetDisconDelayBetweenCloseOpenPort(300);
    p.SetResistanceInterval(20);
    int disconnections = 0;
    int ticksInRecovery = 0;
    bool recovering = false;
    p.OnBeforeSendResistance = [&] { ticksInRecovery += recovering; };
    p.OnDisconnection = [&] {
        ++disconnections;
        recovering = false;
        p.DisableResistanceTimer();
        p.RequestSerial(0);  // goes nowhere: the component is no longer connected
    };
    pty.CloseMaster();
    trace.Clear();

    recovering = true;
    p.EnableResistanceTimer();
    p.RequestVersion(0);

    EXPECT_EQ(disconnections, 1);
    EXPECT_GE(ticksInRecovery, 1) << "refresh ticks are served during the recovery's delay";
    // Only the first failure: the ticks during the delay and the handler's send find the
    // component not connected and write nothing.
    EXPECT_EQ(CountLines(trace, "## Error in port writing"), 1);
    EXPECT_EQ(CountLines(trace, "->3E0900000021 Serial Req Console 0"), 0);
}

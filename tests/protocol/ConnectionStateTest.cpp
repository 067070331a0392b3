#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "DongleSearchSupport.h"
#include "ProtocolTestSupport.h"
#include "runtime/Clock.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "serial/PortAccessHint.h"
#include "support/DorvThdTimer.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/common/ScratchFolder.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

namespace {

int Count(const std::vector<std::string>& Lines, const std::string& Line) {
    int n = 0;
    for (const std::string& l : Lines) n += l == Line;
    return n;
}

}  // namespace

TEST(CreatePort, MakesAClosedOwnedPortWithTheDongleLineSettings) {
    TVelnWirelessProtocol p(nullptr);
    p.SetPortDef("/dev/ttyUSB7");
    ASSERT_TRUE(p.CreatePort());

    TComPort* port = p.Port();
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->Owner(), &p);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->Port(), "/dev/ttyUSB7");
    const TDcb dcb = port->LineDcb();
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    // Binary, parity check, CTS output flow, RTS handshake; DTR off, no XON/XOFF.
    EXPECT_EQ(dcb.Flags, 0x2007u);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.EvtChar, 0);
    EXPECT_EQ(port->Buffer().InputSize(), 1024);
    EXPECT_EQ(port->Buffer().OutputSize(), 1024);
    EXPECT_EQ(port->Events(), (TComEvents{evRxChar, evRxFlag}));
    EXPECT_EQ(port->SyncMethod(), smThreadSync);
    EXPECT_EQ(port->Timeouts().ReadInterval(), -1);
    EXPECT_EQ(port->Timeouts().ReadTotalConstant(), 0);
    EXPECT_EQ(port->Timeouts().ReadTotalMultiplier(), 0);
    EXPECT_EQ(port->Timeouts().WriteTotalConstant(), 1000);
    EXPECT_EQ(port->Timeouts().WriteTotalMultiplier(), 100);
    EXPECT_FALSE(port->OnError) << "only a port handed over gets the error handler";

    TVelnWirelessProtocol unnamed(nullptr);
    ASSERT_TRUE(unnamed.CreatePort());
    EXPECT_EQ(unnamed.Port()->Port(), "COM1") << "without PortDef the port keeps its default";
}

TEST(TryPort, ProbesTheDeviceForTheDongle) {
    struct Case {
        const char* Name;
        bool Device, Silent;
        std::uint8_t Version;
        bool Connected, PortOpen;
    };
    const std::vector<Case> cases = {
        {"the dongle", true, false, 0x78, true, true},
        // A fresh open connects; only a stored version 0x78 would connect an open port.
        {"another version on a fresh open", true, false, 0x55, true, true},
        {"a silent device stays open, not connected", true, true, 0x78, false, true},
        {"a device that cannot be opened", false, false, 0x78, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        sim::SimConfig config;
        config.Version = c.Version;
        config.Faults.Silent = c.Silent;
        std::unique_ptr<sim::DongleSim> device = c.Device ? StartDongle(config) : nullptr;
        const std::string path = device ? device->SlavePath() : kMissingDevice;
        SearchingProtocol s;
        s.P.SetPortDef(path);
        int connections = 0;
        s.P.OnConnection = [&] { ++connections; };

        EXPECT_EQ(s.P.TryPort(), c.Connected);

        EXPECT_EQ(s.P.Connected(), c.Connected);
        EXPECT_EQ(s.P.Port()->Connected(), c.PortOpen);
        EXPECT_EQ(connections, c.PortOpen ? 1 : 0);
        EXPECT_TRUE(
            s.TraceHas(c.Connected ? "Connection done " + path : "Connection Failed " + path));
        if (c.Connected) {
            EXPECT_TRUE(s.P.ConsolesInfo()[0].Present);
            ASSERT_TRUE(device->WaitForHostFrame("3E0900000021", 2s))
                << "a find asks for the serial number";
        }
        if (device) {
            EXPECT_EQ(HostHex(*device).at(0), "3E0A00000021");
        }
        // The framer cuts the port's bytes into dongle frames for the component.
        const TComDataPacket& framer = *s.P.Packet();
        EXPECT_EQ(framer.ComPort(), s.P.Port());
        EXPECT_EQ(framer.StartString(), ">");
        EXPECT_EQ(framer.StopString(), "!");
        EXPECT_TRUE(framer.CaseInsensitive());
        EXPECT_TRUE(framer.IncludeStrings());
        EXPECT_EQ(framer.Size(), 0);
    }
}

TEST(TryPort, DateLineBeforeTheResultWithDebugTime) {
    SearchingProtocol s;
    s.P.SetPortDef(kMissingDevice);
    s.P.SetDebugTime(true);
    EXPECT_FALSE(s.P.TryPort());
    ASSERT_EQ(s.Trace.Count(), 2);
    EXPECT_FALSE(s.Trace.Line(0).empty());
    EXPECT_EQ(s.Trace.Line(1), "Connection Failed " + kMissingDevice) << "no time prefix";
}

TEST(Disconnect, ClosesRegistrationRemovesConsolesAndResets) {
    auto dongle = StartDongle();
    SearchingProtocol s;
    s.P.SetPortDef(dongle->SlavePath());
    ASSERT_TRUE(s.P.TryPort());
    s.P.SetDebugTime(true);
    ASSERT_TRUE(dongle->WaitForHostFrame("3E09", 2s));  // the serial request ends the probe
    const std::uint64_t afterProbe = dongle->NextHostFrameSequence();

    const std::uint64_t t0 = GetTickCount64();
    s.P.Disconnect();
    EXPECT_GE(GetTickCount64() - t0, 300u);

    ASSERT_TRUE(dongle->WaitForHostFrame("3E06FF000021", 2s, afterProbe));
    std::vector<std::string> sent = HostHex(*dongle);
    sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(afterProbe));
    EXPECT_EQ(sent, (std::vector<std::string>{"3E0300000021", "3E06FF000021"}));
    EXPECT_FALSE(s.P.Port()->Connected());
    EXPECT_FALSE(s.P.Connected());
    EXPECT_TRUE(s.P.ConsolesInfo().empty());
    EXPECT_FALSE(s.P.DebugTime());
    EXPECT_EQ(s.Trace.Lines().back(), "Dongle disconnected!");

    // Again, with the port closed: nothing is sent, the state is reset all the same.
    const std::uint64_t before = dongle->NextHostFrameSequence();
    s.P.SetDebugTime(true);
    s.Trace.Clear();
    s.P.Disconnect();
    EXPECT_FALSE(dongle->WaitForHostFrame("", 100ms, before));
    EXPECT_EQ(s.Trace.Lines(), std::vector<std::string>{"Dongle disconnected!"});
    EXPECT_FALSE(s.P.DebugTime());

    TVelnWirelessProtocol portless(nullptr);
    portless.Disconnect();
    EXPECT_EQ(portless.Port(), nullptr);
}

TEST(ResetState, RestoresTheInitialStateButKeepsTimerPortAndOwnerChoices) {
    test::PseudoTerminal pty;
    SearchingProtocol s;
    TVelnWirelessProtocol& p = s.P;
    p.SetPortDef(pty.SlavePath());
    p.TryPort();  // nothing answers: open, not connected
    ASSERT_TRUE(p.Port()->Connected());
    TComPort* port = p.Port();
    p.PacketReceived(nullptr, Frame(0x05, 0, {2}));
    p.PacketReceived(nullptr, Frame(0x01, 2, {1, 2, 3, 4, 5}));
    p.SetConsoleResistance(2, 60, 0, 0);
    p.PortAfterOpen(nullptr);
    p.OpenRegistration();
    p.SetDebugTime(true);
    p.SetDebugNoData(true);
    p.SetResistanceInterval(500);
    p.EnableResistanceTimer();
    p.SetDisconDelayBetweenCloseOpenPort(5);
    p.SetReplyTimeOut(1);
    p.SetTimeToWaitAddNewConsole(2);
    p.SetAutoConnection(true);
    p.NumberOfConsole();  // not answered in time: waiting for a reply
    const std::uint8_t countState = p.CountReplyState();

    p.ResetState();

    EXPECT_FALSE(port->Connected()) << "an open port is closed";
    EXPECT_FALSE(p.Connected());
    EXPECT_FALSE(p.Opened());
    EXPECT_TRUE(p.LastMeasure().Items.empty());
    EXPECT_TRUE(p.ConsolesInfo().empty());
    EXPECT_TRUE(p.Resistances().empty());
    EXPECT_EQ(p.ConsoleCount(), 0);
    EXPECT_FALSE(p.DebugTime());
    EXPECT_FALSE(p.DebugNoData());
    EXPECT_EQ(p.ResistanceInterval(), 1000u);
    EXPECT_EQ(p.DisconDelayBetweenCloseOpenPort(), 300);
    EXPECT_EQ(p.ReplyTimeOut(), 15000);
    EXPECT_EQ(p.TimeToWaitAddNewConsole(), 30000);
    // Left alone:
    EXPECT_EQ(p.ResistanceTimer()->Interval(), 500u) << "the timer keeps ticking every 500 ms";
    EXPECT_TRUE(p.ResistanceTimer()->Enabled());
    EXPECT_EQ(p.CountReplyState(), countState);
    EXPECT_EQ(p.Port(), port);
    EXPECT_EQ(p.PortDef(), pty.SlavePath());
    EXPECT_TRUE(p.AutoConnection());
    EXPECT_TRUE(p.DisplayMessage());
    EXPECT_EQ(p.DebugMemo(), &s.Trace);
    EXPECT_TRUE(p.OnConnectionStatus);
    p.DisableResistanceTimer();
}

// The dongle is unplugged; the next send fails and the recovery tries the same port again,
// which answers only when the dongle has come back. OnDisconnection follows either way.
TEST(WriteFailureRecovery, AutoConnectionTriesTheSamePortAgain) {
    for (bool comesBack : {true, false}) {
        SCOPED_TRACE(comesBack ? "dongle back" : "dongle gone");
        test::ScratchFolder dir("trimora-connection");
        sim::SimConfig config;
        config.LinkPath = dir.Path() + "/ttyDONGLE";
        auto dongle = StartDongle(config);
        SearchingProtocol s;
        s.P.SetPortDef(config.LinkPath);
        s.P.SetAutoConnection(true);
        ASSERT_TRUE(s.P.TryPort());
        int disconnections = 0, connections = 0;
        bool connectedAtEvent = false;
        s.P.OnDisconnection = [&] {
            ++disconnections;
            connectedAtEvent = s.P.Connected();
        };
        s.P.OnConnection = [&] { ++connections; };

        ASSERT_TRUE(dongle->HangUp());
        if (comesBack) {
            ASSERT_TRUE(dongle->Reconnect());
        }
        const std::uint64_t before = dongle->NextHostFrameSequence();
        s.Trace.Clear();
        s.P.OpenRegistration();

        EXPECT_EQ(disconnections, 1);
        EXPECT_EQ(connectedAtEvent, comesBack);
        EXPECT_EQ(s.P.Connected(), comesBack);
        EXPECT_EQ(connections, comesBack ? 1 : 0);
        EXPECT_EQ(Count(s.Trace.Lines(), "## Error in port writing"), 1);
        EXPECT_TRUE(s.TraceHas(comesBack ? "Connection done " + config.LinkPath
                                         : "Connection Failed " + config.LinkPath));
        if (comesBack) {
            EXPECT_TRUE(dongle->WaitForHostFrame("3E0A00000021", 2s, before));
        }
    }
}

TEST(PortError, TracesEveryErrorAndReportsABreakAsAnUnplug) {
    struct Case {
        const char* Name;
        TComErrors Errors;
        bool Pane;
        bool Unplug;
    };
    // A pseudo-terminal cannot signal a break, so the port's report is given directly.
    const std::vector<Case> cases = {
        {"break", {ceBreak}, true, true},
        {"break among others", {ceFrame, ceBreak, ceOverrun}, true, true},
        {"break without a pane", {ceBreak}, false, true},
        {"an I/O error", {ceIOE}, true, false},
    };
    for (const Case& c : cases) {
        TVelnWirelessProtocol p(nullptr);
        TMemo trace;
        if (c.Pane) p.SetDebugMemo(&trace);
        int unplugs = 0;
        p.OnUsbDisconnect = [&] { ++unplugs; };
        p.PortError(nullptr, c.Errors);
        EXPECT_EQ(unplugs, c.Unplug ? 1 : 0) << c.Name;
        EXPECT_EQ(trace.Lines(), c.Pane ? std::vector<std::string>{"<->Com Error *** "}
                                        : std::vector<std::string>{})
            << c.Name;
    }
}

TEST(PortError, APortHandedOverReportsItsErrorsToTheComponent) {
    test::PseudoTerminal pty;
    TComPort port(nullptr);  // watches every event, errors included
    port.SetPort(pty.SlavePath());
    TMemo trace;
    TVelnWirelessProtocol p(nullptr);
    p.SetDebugMemo(&trace);
    p.SetPort(&port);
    p.SetPort(nullptr);
    EXPECT_EQ(p.Port(), &port) << "writing no port is ignored";
    port.OpenPort();

    pty.CloseMaster();  // the device hangs up: an I/O error, then the loss

    EXPECT_TRUE(test::PumpUntil([&] { return trace.Count() > 1; }));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{"<->Com Error *** ", "Dongle lost " + pty.SlavePath()}));
    EXPECT_FALSE(port.Connected()) << "a port handed over is closed on its loss too";
    test::SilencePort(port);
}

namespace {
// The operator's notices (stderr without a toolkit), one line each, while it lives.
struct NoticeRecorder {
    std::string Text;
    NoticeRecorder() {
        Application::Instance().Ui().SetNoticeHook(
            [this](const std::string& Line) { Text += Line + "\n"; });
    }
    ~NoticeRecorder() { Application::Instance().Ui().SetNoticeHook(nullptr); }
};
}  // namespace

TEST(PermissionHint, AMissingDeviceGetsNone) {
    SearchingProtocol s;
    s.P.SetPortDef(kMissingDevice);
    NoticeRecorder notices;
    s.P.TryPort();
    EXPECT_EQ(notices.Text, "") << "a missing device is no matter of rights";
}

TEST(PermissionHint, ADeviceThisUserMayNotOpenIsNamedToTheOperator) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "runs as root, where file permissions do not stop an open";
    test::PseudoTerminal pty;
    ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0), 0);
    SearchingProtocol s;
    s.P.SetPortDef(pty.SlavePath());

    NoticeRecorder notices;
    EXPECT_FALSE(s.P.TryPort());
    const std::string written = notices.Text;

    EXPECT_EQ(written, PortAccessHint(pty.SlavePath()) + "\n");
    EXPECT_NE(written.find(pty.SlavePath()), std::string::npos) << written;
    EXPECT_NE(written.find("the group "), std::string::npos) << written;
    EXPECT_EQ(s.Trace.Lines().back(), "Connection Failed " + pty.SlavePath()) << "traced as ever";
}

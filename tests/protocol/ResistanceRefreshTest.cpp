#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ProtocolOnPty.h"
#include "protocol/FrameCodec.h"
#include "runtime/Clock.h"
#include "support/DorvThdTimer.h"
#include "tests/common/PseudoTerminal.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

namespace {

// A resistance table of Size elements, all 0 but the given (console number, level) pairs.
std::vector<TVelnResistanceItem> Table(std::size_t Size,
                                       std::initializer_list<std::pair<int, int>> Levels) {
    std::vector<TVelnResistanceItem> t(Size);
    for (auto [console, level] : Levels) t.at(console - 1).Level = static_cast<std::uint8_t>(level);
    return t;
}

struct LevelCall {
    int Console, Level, AltLevel, Kind;
};

}  // namespace

TEST(ResistanceTable, StoresLevelsByConsoleNumberAndKind) {
    struct Case {
        const char* Name;
        std::vector<LevelCall> Calls;
        std::vector<TVelnResistanceItem> Expected;
    };
    const std::vector<Case> cases = {
        {"a console beyond the end grows the table with zeros",
         {{3, 100, 0, 0}},
         Table(3, {{3, 100}})},
        {"kind 1 stores the alternate level", {{2, 100, 60, 1}}, Table(2, {{2, 60}})},
        {"kind 2 stores both, the alternate remains", {{1, 100, 60, 2}}, Table(1, {{1, 60}})},
        {"another kind stores nothing, yet the table grows",
         {{1, 7, 0, 0}, {1, 100, 60, 3}, {2, 100, 60, 3}},
         Table(2, {{1, 7}})},
        {"numbers 0 and below change nothing",
         {{1, 7, 0, 0}, {0, 100, 0, 0}, {-1, 100, 0, 0}},
         Table(1, {{1, 7}})},
        {"254 is the last number the refresh frame carries",
         {{254, 9, 0, 0}},
         Table(254, {{254, 9}})},
        {"numbers above 254 are ignored",
         {{1, 7, 0, 0}, {255, 100, 0, 0}, {100000, 100, 0, 0}},
         Table(1, {{1, 7}})},
        {"the table never shrinks", {{5, 10, 0, 0}, {2, 20, 0, 0}}, Table(5, {{2, 20}, {5, 10}})},
    };
    for (const Case& c : cases) {
        TVelnWirelessProtocol p(nullptr);
        p.PacketReceived(nullptr, Frame(0x05, 0, {1}));  // one console known
        for (const LevelCall& call : c.Calls)
            p.SetConsoleResistance(call.Console, static_cast<std::uint8_t>(call.Level),
                                   static_cast<std::uint8_t>(call.AltLevel),
                                   static_cast<std::uint8_t>(call.Kind));
        EXPECT_EQ(p.Resistances(), c.Expected) << c.Name;
    }
}

TEST(ResistanceTimer, IsSetUpDisabledAtHighestPriorityAndFollowsTheProperty) {
    TVelnWirelessProtocol p(nullptr);
    const TDorvThreadTimer& timer = *p.ResistanceTimer();
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpHighest);
    EXPECT_EQ(timer.ElapsedTime(), 0u);
    EXPECT_EQ(timer.LapTime(), 0u);

    p.SetResistanceInterval(250);
    EXPECT_EQ(p.ResistanceInterval(), 250u);
    EXPECT_EQ(timer.Interval(), 250u);
    p.EnableResistanceTimer();
    EXPECT_TRUE(timer.Enabled());
    p.DisableResistanceTimer();
    EXPECT_FALSE(timer.Enabled());
}

TEST(ResistanceFrame, CarriesADongleByteThenEveryLevel) {
    struct Case {
        std::vector<LevelCall> Calls;
        std::string Hex;
        std::string TraceLine;
    };
    const std::vector<Case> cases = {
        {{{3, 100, 0, 0}}, "3E100004000000640021", " Send resistance/s for 3console/s"},
        {{{1, 60, 0, 0}}, "3E100002003C0021", " Send resistance/s for 1console/s"},
        // The levels go as they are, an end byte among them too.
        {{{2, 0xFF, 0, 0}, {1, 0x21, 0, 0}},
         "3E1000030021FF0021",
         " Send resistance/s for 2console/s"},
    };
    for (const Case& c : cases) {
        const std::string& hex = c.Hex;
        test::PseudoTerminal pty;
        ProtocolOnLine line(pty.SlavePath());
        line.Connect();
        line.ConsoleJoins(1);
        for (const LevelCall& call : c.Calls)
            line.P.SetConsoleResistance(call.Console, static_cast<std::uint8_t>(call.Level), 0, 0);
        line.Trace.Clear();

        line.P.SendResistances(nullptr);

        EXPECT_EQ(BytesToHex(pty.Read(hex.size() / 2, 2s)), hex);
        EXPECT_EQ(line.Trace.Lines(), std::vector<std::string>{"->" + hex + c.TraceLine});
    }
}

TEST(ResistanceRefresh, SendsTheTableOncePerTickWithTheChangesOfOnBeforeSendResistance) {
    test::PseudoTerminal pty;
    ProtocolOnLine line(pty.SlavePath());
    TVelnWirelessProtocol& p = line.P;
    line.Connect();
    line.ConsoleJoins(1);
    p.SetConsoleResistance(1, 0, 0, 0);
    std::vector<std::uint64_t> tickTimes;
    p.OnBeforeSendResistance = [&] {
        tickTimes.push_back(GetTickCount64());
        // Numbers each tick's frame: the change must go into this very tick's frame.
        p.SetConsoleResistance(1, static_cast<std::uint8_t>(tickTimes.size()), 0, 0);
    };
    constexpr std::uint32_t kInterval = 200;
    p.SetResistanceInterval(kInterval);
    p.EnableResistanceTimer();

    test::PumpFor(1100ms);
    p.DisableResistanceTimer();

    const std::string sent = pty.ReadUntilQuiet(100ms);
    ASSERT_GE(tickTimes.size(), 2u) << "about five ticks were due";
    EXPECT_LE(tickTimes.size(), 6u);
    std::string expected;
    for (std::size_t k = 1; k <= tickTimes.size(); ++k)
        expected += HexToBytes("3E10000200" + Hex2(static_cast<std::uint32_t>(k)) + "0021");
    EXPECT_EQ(BytesToHex(sent), BytesToHex(expected)) << "one frame per tick, in tick order";
    for (std::size_t k = 1; k < tickTimes.size(); ++k)
        EXPECT_GE(tickTimes[k] - tickTimes[k - 1], kInterval - 10) << "tick " << k;
}

TEST(ResistanceRefresh, WithoutACountedConsoleTicksRaiseTheEventAndSendNothing) {
    test::PseudoTerminal pty;
    ProtocolOnLine line(pty.SlavePath());
    TVelnWirelessProtocol& p = line.P;
    line.Connect();
    line.ConsoleJoins(1);
    p.SetConsoleResistance(1, 50, 0, 0);
    line.ConsoleLeaves(1);
    p.SetConsoleResistance(1, 50, 0, 0);
    EXPECT_TRUE(p.Resistances().empty()) << "emptied while no console is counted";

    int ticks = 0;
    p.OnBeforeSendResistance = [&] { ++ticks; };
    p.SetResistanceInterval(50);
    p.EnableResistanceTimer();
    test::PumpFor(400ms);
    p.DisableResistanceTimer();

    EXPECT_GE(ticks, 2);
    EXPECT_EQ(pty.ReadUntilQuiet(100ms), "");
}

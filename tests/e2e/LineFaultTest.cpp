// A misbehaving dongle on the full receive path: the emulator on a pseudo-terminal, the port and
// its event thread, the framer and the protocol component.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "runtime/TMemo.h"
#include "serial/ComThread.h"
#include "tests/e2e/LineBench.h"

using namespace trimora;
using namespace trimora::e2e;
using namespace std::chrono_literals;

namespace {

sim::SimConfig StreamingConfig(std::uint32_t IntervalMs) {
    sim::SimConfig c;
    c.MeasureIntervalMs = IntervalMs;
    c.Consoles = {sim::ConsoleConfig{}};
    c.Consoles[0].Id = 3;
    return c;
}

void StartStreaming(LineBench& Bench) {
    ASSERT_TRUE(Bench.Sim().JoinConsole(3));
    Bench.Sim().SetMeasuresRunning(true);
}

}  // namespace

// The hang-up itself tells the component: the port closes at once (so that the device can come
// back under its name), the owner hears of it once, and nothing is written to the dead line
// afterwards.
TEST(LineFaults, UnpluggedMidStreamIsNoticedAtOnceAndEndsTheConnection) {
    LineBench bench(StreamingConfig(2));
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    TVelnWirelessProtocol& protocol = bench.Protocol();
    ASSERT_TRUE(protocol.Connected());
    StartStreaming(bench);
    ASSERT_TRUE(test::PumpUntil([&] { return bench.Measures().size() >= 50; }));

    TMemo trace;
    protocol.SetDebugMemo(&trace);
    int usbDisconnects = 0, disconnections = 0;
    bool portOpenAtEvent = true;
    protocol.OnUsbDisconnect = [&] { ++usbDisconnects; };
    protocol.OnDisconnection = [&] {
        ++disconnections;
        portOpenAtEvent = bench.Port().Connected();
    };
    const std::string path = bench.Port().Port();
    ASSERT_TRUE(bench.Sim().HangUp());
    const auto unplugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(test::PumpUntil([&] { return disconnections > 0; }, 2s));
    // Generous: the figure that matters is measured by the benchmark.
    EXPECT_LT(std::chrono::steady_clock::now() - unplugged, 1s);
    EXPECT_FALSE(portOpenAtEvent) << "the port is closed before OnDisconnection";
    EXPECT_FALSE(protocol.Connected());
    EXPECT_FALSE(bench.Port().Connected());
    EXPECT_EQ(bench.Port().EventThread(), nullptr) << "the event thread went with the close";
    const std::size_t received = bench.Measures().size();

    // Idle after the hang-up: a thread that spins on the dead device would burn a core.
    const auto cpu0 = ProcessCpuTime();
    const auto wall0 = std::chrono::steady_clock::now();
    test::PumpFor(1s);
    const auto cpu = ProcessCpuTime() - cpu0;
    const auto wall = std::chrono::steady_clock::now() - wall0;
    EXPECT_LT(cpu, wall / 4) << "CPU time " << cpu.count() << " us over a second of idling";
    EXPECT_EQ(bench.Measures().size(), received) << "nothing arrives from a hung-up device";

    // Later commands go nowhere and start no recovery.
    protocol.SetMeasures(false);
    protocol.RemoveConsole(255);
    EXPECT_EQ(usbDisconnects, 1);
    EXPECT_EQ(disconnections, 1);
    EXPECT_EQ(std::count(trace.Lines().begin(), trace.Lines().end(), "Dongle lost " + path), 1);
    EXPECT_EQ(std::count(trace.Lines().begin(), trace.Lines().end(), "## Error in port writing"),
              0);
    protocol.SetDebugMemo(nullptr);
}

TEST(LineFaults, RefreshTicksAgainstAnUnpluggedDongleEndTheConnectionOnceWithoutSpinning) {
    LineBench bench(StreamingConfig(10));
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    TVelnWirelessProtocol& protocol = bench.Protocol();
    StartStreaming(bench);  // the dongle reports the console joining
    ASSERT_TRUE(test::PumpUntil([&] { return protocol.ConsoleCount() == 1; }));
    protocol.SetConsoleResistance(3, 100, 0, 0);
    protocol.SetResistanceInterval(20);
    protocol.EnableResistanceTimer();
    test::PumpFor(200ms);
    ASSERT_TRUE(bench.Sim().WaitForHostFrame("3E100004000000640021", 1s).has_value())
        << "the refresh reaches the dongle while it is there";

    TMemo trace;
    protocol.SetDebugMemo(&trace);
    protocol.SetDebugNoData(true);  // only the failures are traced
    int disconnections = 0;
    protocol.OnDisconnection = [&] { ++disconnections; };
    ASSERT_TRUE(bench.Sim().HangUp());
    const auto cpu0 = ProcessCpuTime();
    const auto wall0 = std::chrono::steady_clock::now();
    test::PumpFor(1s);
    const auto cpu = ProcessCpuTime() - cpu0;
    const auto wall = std::chrono::steady_clock::now() - wall0;
    protocol.DisableResistanceTimer();

    // Whichever comes first, the hang-up or a tick's failed write, ends the connection once;
    // later ticks find it ended and write nothing.
    EXPECT_EQ(disconnections, 1);
    EXPECT_FALSE(protocol.Connected());
    EXPECT_LE(std::count(trace.Lines().begin(), trace.Lines().end(), "## Error in port writing"),
              1);
    for (const std::string& line : trace.Lines())
        EXPECT_TRUE(line == "## Error in port writing" || line.rfind("Dongle lost ", 0) == 0)
            << line;
    EXPECT_LT(cpu, wall / 4) << "CPU time " << cpu.count() << " us over a second";
    protocol.SetDebugMemo(nullptr);
}

// A dongle unplugged in the middle of a frame while measures stream and the refresh runs, and
// plugged back in at once: the loss is noticed, the recovery finds it again on the same device
// name, and the stream comes back.
TEST(LineFaults, AutoConnectionFindsADongleRepluggedMidFrame) {
    ScratchDir dir;
    sim::SimConfig config = StreamingConfig(5);
    config.LinkPath = dir.Path() + "/ttyDONGLE";
    LineBench bench(config);
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    TVelnWirelessProtocol& protocol = bench.Protocol();
    protocol.SetAutoConnection(true);
    TMemo trace;
    protocol.SetDebugMemo(&trace);
    protocol.SetDebugNoData(true);
    int disconnections = 0;
    protocol.OnDisconnection = [&] { ++disconnections; };
    StartStreaming(bench);
    ASSERT_TRUE(test::PumpUntil([&] { return protocol.ConsoleCount() == 1; }));
    protocol.SetConsoleResistance(3, 60, 0, 0);
    protocol.SetResistanceInterval(50);
    protocol.EnableResistanceTimer();
    ASSERT_TRUE(test::PumpUntil([&] { return bench.Measures().size() >= 20; }));

    // Half a frame on the line, then the plug is pulled and put back.
    bench.Sim().SetMeasuresRunning(false);
    ASSERT_TRUE(bench.Sim().WriteRaw(MeasureFrame(3, 7).substr(0, 5)).has_value());
    test::PumpFor(20ms);
    trace.Clear();
    ASSERT_TRUE(bench.Sim().HangUp());
    ASSERT_TRUE(bench.Sim().Reconnect(&error)) << error;
    const std::uint64_t fromReconnect = bench.Sim().NextHostFrameSequence();
    ASSERT_TRUE(test::PumpUntil([&] { return disconnections == 1; }, 3s));

    EXPECT_TRUE(protocol.Connected());
    EXPECT_TRUE(bench.Port().Connected());
    EXPECT_EQ(std::count(trace.Lines().begin(), trace.Lines().end(),
                         "Connection done " + config.LinkPath),
              1);
    EXPECT_EQ(std::count(trace.Lines().begin(), trace.Lines().end(),
                         "<-3E0A0001780021 Version Nbr.= 0x78 ID = 0"),
              1)
        << "the dongle's answer to the probe after the reconnection is received";
    EXPECT_TRUE(test::PumpUntil([&] {
        return bench.Sim().WaitForHostFrame("3E1000040000003C0021", 0ms, fromReconnect).has_value();
    })) << "the refresh reaches the dongle again";

    // The dongle forgot its consoles with the power; one joins again and measures flow.
    const std::size_t before = bench.Measures().size();
    StartStreaming(bench);
    EXPECT_TRUE(test::PumpUntil([&] { return bench.Measures().size() >= before + 20; }));
    EXPECT_EQ(disconnections, 1) << "one recovery for the one unplug";
    protocol.SetDebugMemo(nullptr);
}

TEST(LineFaults, GarbageWithoutFrameBytesBetweenFramesLosesNoFrame) {
    LineBench bench(StreamingConfig(2));
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    // 300 bytes before every frame, and on their own every 3 ms.
    bench.Sim().SetGarbage(sim::GarbageMode::BetweenFrames, 300, 3);
    StartStreaming(bench);
    test::PumpFor(1500ms);
    bench.Sim().SetMeasuresRunning(false);

    ASSERT_TRUE(bench.DrainMeasures());
    const auto counters = bench.Sim().Counters();
    EXPECT_GT(counters.MeasuresWritten, 100u);
    EXPECT_GT(counters.GarbageBytesWritten, 100u * 300u);
    EXPECT_EQ(bench.Measures().size(), counters.MeasuresWritten);
    for (const LineBench::Measure& m : bench.Measures()) EXPECT_EQ(m.Id, 3);
}

TEST(LineFaults, RandomGarbageThenCleanLineRecovers) {
    LineBench bench(StreamingConfig(2));
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    bench.Sim().SetGarbage(sim::GarbageMode::FullyRandom, 64);
    StartStreaming(bench);
    test::PumpFor(1s);

    // Frames in random noise may be lost; once the noise stops, the stream comes back whole
    // but for the one frame that an unfinished packet may swallow.
    bench.Sim().SetGarbage(sim::GarbageMode::None);
    test::PumpFor(100ms);
    const std::size_t before = bench.Measures().size();
    const std::uint64_t writtenBefore = bench.Sim().Counters().MeasuresWritten;
    test::PumpFor(500ms);
    bench.Sim().SetMeasuresRunning(false);
    bench.DrainMeasures();
    const std::uint64_t written = bench.Sim().Counters().MeasuresWritten - writtenBefore;
    const std::size_t received = bench.Measures().size() - before;
    EXPECT_GT(written, 50u);
    EXPECT_GE(received + 1, written);
    EXPECT_LE(received, written);
}

// Each case goes on the line as one block, after whatever the cases before it left; the
// measures the protocol raises for it are listed by speed.
struct MalformedCase {
    const char* Name;
    std::string Bytes;
    std::vector<std::uint16_t> Delivered;
};

TEST(LineFaults, MalformedFramesAreDroppedAndTheStreamRecoversAtTheNextStart) {
    const auto good = [](std::uint16_t Speed) { return MeasureFrame(3, Speed); };
    std::string innerData = good(500);
    innerData[6] = '\x21';  // HR byte: the framer ends the packet there
    std::string innerId = good(501);
    innerId[2] = '\x21';
    std::string innerLength = good(502);
    innerLength[3] = '\x21';
    std::string innerReserved = good(503);
    innerReserved[9] = '\x21';
    std::string startInData = good(0x3E3E);  // a start byte inside a frame is content
    const std::string unterminated("\x3E\x01\x03", 3);
    const std::string shortFrame = good(504).substr(0, 9);  // no reserved byte, no end

    const std::vector<MalformedCase> cases = {
        {"good frame", good(1), {1}},
        {"0x21 in the data", innerData + good(2) + good(3), {2, 3}},
        {"0x21 as console id", innerId + good(4), {4}},
        {"0x21 as data length", innerLength + good(5), {5}},
        {"0x21 as reserved byte", innerReserved + good(6), {6}},
        {"0x3E in the data", startInData + good(7), {0x3E3E, 7}},
        // An unfinished start runs on into the next frame and takes it with it.
        {"start without end", unterminated + good(8) + good(9), {9}},
        {"frame cut short", shortFrame + good(10) + good(11), {11}},
        {"start byte in noise",
         std::string("ab\x3E"
                     "cd",
                     5) +
             good(12) + good(13),
         {13}},
        {"noise without start", std::string(700, 'x') + good(14), {14}},
        {"trailing noise", good(15) + std::string("\x00\x21zz", 4), {15}},
        {"after the noise", good(16), {16}},
    };

    LineBench bench;
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::size_t before = bench.Measures().size();
        ASSERT_TRUE(bench.Sim().WriteRaw(c.Bytes).has_value());
        test::PumpUntil([&] { return bench.Measures().size() >= before + c.Delivered.size(); }, 2s);
        test::PumpFor(50ms);  // and nothing more comes
        std::vector<std::uint16_t> delivered;
        for (std::size_t i = before; i < bench.Measures().size(); ++i)
            delivered.push_back(bench.Measures()[i].Speed);
        EXPECT_EQ(delivered, c.Delivered);
    }
    EXPECT_EQ(bench.Protocol().LastMeasure().Items.size(), 4u) << "only console 3 was named";
}

TEST(LineFaults, FramesCutShortByTheDongleRecoverWhenItBehavesAgain) {
    LineBench bench(StreamingConfig(2));
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    bench.Sim().SetShortFrames(true);
    StartStreaming(bench);
    test::PumpFor(500ms);
    EXPECT_TRUE(bench.Measures().empty()) << "a frame without its end byte is never delivered";
    EXPECT_LT(bench.Framer().Pending().size(), 1024u) << "the buffer stays within its limit";

    bench.Sim().SetShortFrames(false);
    test::PumpFor(50ms);
    const std::uint64_t writtenBefore = bench.Sim().Counters().MeasuresWritten;
    const std::size_t before = bench.Measures().size();
    test::PumpFor(300ms);
    bench.Sim().SetMeasuresRunning(false);
    bench.DrainMeasures();
    const std::uint64_t written = bench.Sim().Counters().MeasuresWritten - writtenBefore;
    EXPECT_GT(written, 20u);
    EXPECT_GE(bench.Measures().size() - before + 1, written);
}

// More than the line rate, and a GUI thread that falls behind: the driver holds what the port
// cannot take yet, and no frame is lost.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "runtime/Application.h"
#include "tests/e2e/LineBench.h"
#include "tests/e2e/SequencedStream.h"

using namespace trimora;
using namespace trimora::e2e;
using namespace std::chrono_literals;

namespace {

sim::SimConfig FloodConfig() {
    sim::SimConfig c;
    c.Consoles = {sim::ConsoleConfig{}};
    c.Consoles[0].Id = 3;
    c.Faults.Flood = true;
    return c;
}

void StartStreaming(LineBench& Bench) {
    ASSERT_TRUE(Bench.Sim().JoinConsole(3));
    Bench.Sim().SetMeasuresRunning(true);
}

}  // namespace

TEST(LineLoad, AFloodingDongleLosesNoFrameAndHandOversKeepMoving) {
    LineBench bench(FloodConfig());
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    StartStreaming(bench);
    Application::Instance().ResetHandOverStats();
    test::PumpFor(1s);
    bench.Sim().SetMeasuresRunning(false);
    EXPECT_TRUE(bench.DrainMeasures(10s));
    const std::uint64_t written = bench.Sim().Counters().MeasuresWritten;
    std::printf("flood: %llu measures in a second, longest hand-over wait %.3f ms\n",
                static_cast<unsigned long long>(written),
                Application::Instance().MaxHandOverWait().count() / 1000.0);
    EXPECT_GT(written, 2000u) << "faster than the line rate";
    EXPECT_EQ(bench.Measures().size(), written);
}

TEST(LineLoad, AGuiThreadHeldUpAtTheLineRateLosesNoFrame) {
    LineBench bench;
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    TVelnWirelessProtocol& protocol = bench.Protocol();
    std::vector<std::uint32_t> sequence;
    protocol.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures& val, std::uint8_t id) {
        sequence.push_back(SequenceOf(val.Items[id]));
        // One slow handler: the dongle goes on sending meanwhile, a second's worth.
        if (sequence.size() == 100) std::this_thread::sleep_for(1s);
    };
    LineRateWriter writer(bench.Sim(), 2500ms);
    test::PumpUntil([&] { return !writer.Writing() && sequence.size() >= writer.Sent(); }, 10s);
    writer.Join();
    EXPECT_GT(writer.Sent(), 2000u);
    ASSERT_EQ(sequence.size(), writer.Sent());
    for (std::uint32_t k = 0; k < sequence.size(); ++k) ASSERT_EQ(sequence[k], k);
}

TEST(LineLoad, ASlowGuiThreadUnderAFloodLosesNoFrame) {
    LineBench bench(FloodConfig());
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    // Each delivery takes a while: the driver is full whenever the event thread reads.
    bench.Port().OnRxBuf = [](TObject*, const char*, int) { std::this_thread::sleep_for(2ms); };
    StartStreaming(bench);
    test::PumpFor(1s);
    bench.Sim().SetMeasuresRunning(false);
    EXPECT_TRUE(bench.DrainMeasures(10s));
    EXPECT_EQ(bench.Measures().size(), bench.Sim().Counters().MeasuresWritten);
}

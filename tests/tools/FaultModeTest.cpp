// Each fault the emulator can play does what it says on the line.
#include <gtest/gtest.h>

#include <thread>

#include "tests/tools/SimTestSupport.h"
#include "tools/dongle_sim/FrameCutter.h"
#include "tools/dongle_sim/MonotonicClock.h"

using namespace trimora;
using namespace trimora::test;
using namespace std::chrono_literals;

namespace {
const std::string kVersionRequest = "3E0A00000021";
const std::string kVersionReply = HexToBytes("3E0A0001780021");
}  // namespace

TEST(FaultMode, SilenceAnswersNothingButStillLogs) {
    auto config = FastConfig();
    config.Faults.Silent = true;
    SimLine line(config);
    line.Host->Send(kVersionRequest);
    line.Host->Send("3E0200000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame(300ms)), "(nothing)");  // no reply, no console add
    EXPECT_TRUE(line.Sim.WaitForHostFrame("3E0200", 1s));

    line.Sim.SetSilent(false);
    line.Host->Send(kVersionRequest);
    EXPECT_EQ(line.Host->ReadFrame(), kVersionReply);
}

TEST(FaultMode, WrongVersion) {
    SimLine line;
    line.Sim.SetDongleVersion(0x77);
    line.Host->Send(kVersionRequest);
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E0A0001770021");
}

TEST(FaultMode, ReplyDelayOutlastsTheProbeWait) {
    SimLine line;
    line.Sim.SetReplyDelayMs(300);
    line.Host->Send(kVersionRequest);
    EXPECT_EQ(HexOf(line.Host->ReadFrame(200ms)), "(nothing)");
    EXPECT_EQ(line.Host->ReadFrame(2s), kVersionReply);
}

TEST(FaultMode, GarbageBetweenFramesHoldsNoFrameBytes) {
    SimLine line;
    line.Sim.SetGarbage(sim::GarbageMode::BetweenFrames, 300);
    line.Host->Send(kVersionRequest);
    const std::string raw = line.Host->ReadRaw(300ms);
    ASSERT_EQ(raw.size(), 300 + kVersionReply.size());
    const std::string garbage = raw.substr(0, 300);
    EXPECT_EQ(garbage.find_first_of("\x3E\x21"), std::string::npos);
    EXPECT_EQ(raw.substr(300), kVersionReply);  // the host still cuts the reply cleanly
    EXPECT_EQ(line.Sim.Counters().GarbageBytesWritten, 300u);
}

TEST(FaultMode, FullyRandomGarbageMayHoldAnyByte) {
    SimLine line;
    line.Sim.SetGarbage(sim::GarbageMode::FullyRandom, 4096);
    line.Host->Send(kVersionRequest);
    std::string raw;
    for (int i = 0; i < 20 && raw.size() < 4096 + kVersionReply.size(); ++i)
        raw += line.Host->ReadRaw(50ms);
    ASSERT_EQ(raw.size(), 4096 + kVersionReply.size());
    const std::string garbage = raw.substr(0, 4096);
    EXPECT_NE(garbage.find('\x3E'), std::string::npos);
    EXPECT_NE(garbage.find('\x21'), std::string::npos);
    EXPECT_EQ(raw.substr(4096), kVersionReply);
}

TEST(FaultMode, AnOversizedGarbageBurstIsHeldToItsBound) {
    SimLine line;
    line.Sim.SetGarbage(sim::GarbageMode::BetweenFrames, 300'000'000);
    line.Host->Send(kVersionRequest);
    const std::size_t expected = sim::kMaxGarbageBytes + kVersionReply.size();
    std::string raw;
    for (int i = 0; i < 100 && raw.size() < expected; ++i) raw += line.Host->ReadRaw(50ms);
    raw += line.Host->ReadRaw(100ms);
    ASSERT_EQ(raw.size(), expected);
    EXPECT_EQ(raw.substr(sim::kMaxGarbageBytes), kVersionReply);
}

TEST(FaultMode, GarbageOnItsOwnMakesANoisyPort) {
    auto config = FastConfig();
    config.Faults.Silent = true;
    config.Faults.Garbage = sim::GarbageMode::BetweenFrames;
    config.Faults.GarbageBytes = 5;
    config.Faults.GarbageIntervalMs = 20;
    SimLine line(config);
    const std::string raw = line.Host->ReadRaw(200ms);
    EXPECT_GE(raw.size(), 10u);
    EXPECT_EQ(raw.size() % 5, 0u);
    EXPECT_EQ(raw.find_first_of("\x3E\x21"), std::string::npos);
}

TEST(FaultMode, InnerEndByteCutsFramesShortAtTheHost) {
    SimLine line;
    line.Sim.SetInnerEndByte(true);
    line.Host->Send(kVersionRequest);
    const auto cut = line.Host->ReadFrame();
    ASSERT_TRUE(cut);
    EXPECT_EQ(HexOf(cut), "3E0A00017821");
    EXPECT_FALSE(IsValidFrame(*cut));

    // Speeds keep their 21 bytes too.
    ASSERT_TRUE(line.Sim.JoinConsole(1));
    line.Sim.SetSpeed(0x0D21 * sim::kKmhPerRawUnit);
    line.Sim.SetMeasuresRunning(true);
    const auto measure = line.Host->WaitFrame("3E01");
    EXPECT_EQ(HexOf(measure), "3E0101050D21");
}

TEST(FaultMode, ShortFramesLoseTheirEnd) {
    SimLine line;
    line.Sim.SetShortFrames(true);
    line.Host->Send(kVersionRequest);
    EXPECT_EQ(HexOf(line.Host->ReadRaw(200ms)), "3E0A000178");

    // The host's cutter runs a cut-off frame into the next one, up to its first 21.
    const std::uint64_t next = line.Sim.NextHostFrameSequence();
    line.Host->Send(kVersionRequest);
    // Handled (and its reply queued short) before the emulator takes the next call.
    ASSERT_TRUE(line.Sim.WaitForHostFrame("3E0A", 1s, next));
    line.Sim.SetShortFrames(false);
    line.Host->Send(kVersionRequest);
    const auto merged = line.Host->ReadFrame();
    ASSERT_TRUE(merged);
    EXPECT_EQ(HexOf(merged), "3E0A0001783E0A0001780021");
    EXPECT_FALSE(IsValidFrame(*merged));
}

TEST(FaultMode, FloodSendsMeasuresAsFastAsTheHostReads) {
    auto config = FastConfig();
    config.MeasureIntervalMs = 1000;  // paced, a few frames at most in this test
    config.Faults.Flood = true;
    SimLine line(config);
    ASSERT_TRUE(line.Sim.JoinConsole(1));
    line.Sim.SetMeasuresRunning(true);
    int measures = 0;
    for (int i = 0; i < 2000; ++i) {
        const auto frame = line.Host->ReadFrame(2s);
        if (!frame) break;
        if (AsMeasure(frame)) ++measures;
    }
    EXPECT_EQ(measures, 1999);  // everything but the add notification
    line.Sim.SetFlood(false);
    EXPECT_GE(line.Sim.Counters().MeasuresWritten, 1999u);
    EXPECT_GE(line.Sim.Counters().FramesWritten, 2000u);
}

TEST(FaultMode, RawBlockIsWrittenWholeAndTimed) {
    SimLine line;
    std::string block;
    for (int i = 0; i < 64; ++i) block += HexToBytes("3E0101050DD17800000021");
    const std::uint64_t before = sim::MonotonicNs();
    const auto written = line.Sim.WriteRaw(block);
    const std::uint64_t after = sim::MonotonicNs();
    ASSERT_TRUE(written);
    EXPECT_GE(*written, before);
    EXPECT_LE(*written, after);
    EXPECT_EQ(line.Host->ReadRaw(200ms), block);
    EXPECT_EQ(line.Sim.Counters().FramesWritten, 0u);  // raw blocks are not the dongle's frames
}

TEST(FaultMode, RawBlockLargerThanTheLineBufferWaitsForTheHost) {
    SimLine line;
    const std::string block(256 * 1024, '\x55');
    std::string received;
    std::thread reader([&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (received.size() < block.size() && std::chrono::steady_clock::now() < deadline)
            received += line.Host->ReadRaw(20ms);
    });
    const auto written = line.Sim.WriteRaw(block, 10s);
    reader.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(received.size(), block.size());
}

// Consoles' measure streams: start and stop, speed, keys and the response to resistance.
#include <gtest/gtest.h>

#include "tests/tools/SimTestSupport.h"

using namespace trimora;
using namespace trimora::test;
using namespace std::chrono_literals;

namespace {
// A line whose console 1 has joined; the host has seen the add notification.
struct JoinedLine : SimLine {
    explicit JoinedLine(sim::SimConfig Config = FastConfig()) : SimLine(std::move(Config)) {
        EXPECT_TRUE(Sim.JoinConsole(1));
        EXPECT_EQ(HexOf(Host->ReadFrame()), "3E050001010021");
    }
    std::optional<Measure> NextMeasure() { return AsMeasure(Host->WaitFrame("3E01")); }
};

std::uint16_t RawFor(double Kmh) {
    return sim::RawSpeedFromKmh(Kmh, true);
}
}  // namespace

TEST(MeasureStream, StartsAndStopsOnTheHostsCommand) {
    JoinedLine line;
    EXPECT_EQ(HexOf(line.Host->ReadFrame(100ms)), "(nothing)");  // none before the start

    line.Host->Send("3E130001010021");
    for (int i = 0; i < 5; ++i) {
        const auto m = AsMeasure(line.Host->ReadFrame());
        ASSERT_TRUE(m) << "measure " << i;
        EXPECT_EQ(m->Id, 1);
        EXPECT_EQ(m->Raw, RawFor(30));
        EXPECT_EQ(m->HeartRate, 120);
        EXPECT_EQ(m->Keys, 0);
    }
    EXPECT_TRUE(line.Sim.MeasuresRunning());

    line.Host->Send("3E130001000021");
    ASSERT_TRUE(line.Sim.WaitForHostFrame("3E13000100", 1s));
    line.Host->Drain();  // what was on its way when the stop arrived
    EXPECT_EQ(HexOf(line.Host->ReadFrame(150ms)), "(nothing)");  // more than 7 intervals
    EXPECT_FALSE(line.Sim.MeasuresRunning());
}

TEST(MeasureStream, AConsoleJoiningWhileMeasuresRunStreamsAtOnce) {
    SimLine line;
    line.Host->Send("3E130001010021");
    line.Host->Send("3E0200000021");
    ASSERT_TRUE(line.Host->WaitFrame("3E050001010021", 2s));
    EXPECT_TRUE(AsMeasure(line.Host->ReadFrame()));
}

TEST(MeasureStream, RemovedConsoleStopsStreaming) {
    JoinedLine line;
    line.Host->Send("3E130001010021");
    ASSERT_TRUE(line.NextMeasure());
    line.Host->Send("3E0601000021");
    ASSERT_TRUE(line.Host->WaitFrame("3E060001010021"));
    line.Host->Drain();
    EXPECT_EQ(HexOf(line.Host->ReadFrame(150ms)), "(nothing)");
}

TEST(MeasureStream, KeysAppearInOneMeasureEach) {
    auto config = FastConfig();
    config.Consoles[0].Keys = {{0, sim::kKeyNextPoint}, {0, sim::kKeyPreviousPoint}};
    JoinedLine line(config);
    line.Host->Send("3E130001010021");
    std::vector<int> keys;
    for (int i = 0; i < 4; ++i) keys.push_back(line.NextMeasure().value_or(Measure{}).Keys);
    EXPECT_EQ(keys, (std::vector<int>{4, 1, 0, 0}));

    line.Sim.PressKey(sim::kKeyNextPoint);
    keys.clear();
    for (int i = 0; i < 6; ++i) keys.push_back(line.NextMeasure().value_or(Measure{}).Keys);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), 4), 1);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), 0), 5);
}

TEST(MeasureStream, SpeedFollowsItsSetting) {
    JoinedLine line;
    line.Host->Send("3E130001010021");
    ASSERT_TRUE(line.NextMeasure());
    line.Sim.SetSpeed(25.0);
    std::optional<Measure> m;
    for (int i = 0; i < 50 && (!m || m->Raw != RawFor(25.0)); ++i) m = line.NextMeasure();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Raw, RawFor(25.0));

    // A speed whose low byte would be 21 goes out one unit off, in a frame the host can cut.
    line.Sim.SetSpeed(0x0D21 * sim::kKmhPerRawUnit);
    for (int i = 0; i < 50 && m && m->Raw != 0x0D22; ++i) m = line.NextMeasure();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Raw, 0x0D22);
}

TEST(MeasureStream, ResistanceSlowsTheConsole) {
    auto config = FastConfig();
    config.Consoles[0].Profile = sim::SpeedProfile::Constant(30);
    JoinedLine line(config);
    line.Host->Send("3E130001010021");
    ASSERT_EQ(line.NextMeasure().value_or(Measure{}).Raw, RawFor(30));

    // Level 100 for console 1: data 00 then the level.
    line.Host->Send("3E10000200640021");
    ASSERT_TRUE(line.Sim.WaitForHostFrame("3E100002", 1s));
    EXPECT_EQ(line.Sim.ResistanceLevel(1), 100);
    const std::uint16_t slower = RawFor(30 * sim::ResistanceFactor(100));
    std::optional<Measure> m;
    for (int i = 0; i < 50 && (!m || m->Raw != slower); ++i) m = line.NextMeasure();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Raw, slower);
}

TEST(MeasureStream, WithALagTheSpeedMovesGraduallyTowardTheTarget) {
    auto config = FastConfig();
    config.ResistanceLagMs = 300;
    config.Consoles[0].Profile = sim::SpeedProfile::Constant(40);
    JoinedLine line(config);
    line.Host->Send("3E130001010021");
    ASSERT_TRUE(line.NextMeasure());
    line.Host->Send("3E10000200FF0021");  // the hardest level: half speed
    ASSERT_TRUE(line.Sim.WaitForHostFrame("3E100002", 1s));
    line.Host->Drain(1ms);

    std::vector<std::uint16_t> raws;
    for (int i = 0; i < 8; ++i) raws.push_back(line.NextMeasure().value_or(Measure{}).Raw);
    for (std::size_t i = 1; i < raws.size(); ++i) EXPECT_LE(raws[i], raws[i - 1]) << i;
    EXPECT_LT(raws.back(), RawFor(40));
    EXPECT_GT(raws.front(), RawFor(20));  // still on its way after a few intervals
}

TEST(MeasureStream, StepsProfileGoesThroughTheCalibrationSpeeds) {
    auto config = FastConfig();
    config.Consoles[0].Profile = sim::SpeedProfile::Steps({20, 30, 40}, 100);
    JoinedLine line(config);
    line.Host->Send("3E130001010021");
    std::vector<std::uint16_t> distinct;
    for (int i = 0; i < 40 && distinct.size() < 4; ++i) {
        const auto m = line.NextMeasure();
        ASSERT_TRUE(m);
        if (distinct.empty() || distinct.back() != m->Raw) distinct.push_back(m->Raw);
    }
    EXPECT_EQ(distinct,
              (std::vector<std::uint16_t>{RawFor(20), RawFor(30), RawFor(40), RawFor(20)}));
}

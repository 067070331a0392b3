// The emulator's pure parts: how it cuts the host's bytes, its speed model and its key scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "protocol/FrameCodec.h"
#include "tools/dongle_sim/FrameCutter.h"
#include "tools/dongle_sim/KeyScript.h"
#include "tools/dongle_sim/SpeedModel.h"

using namespace trimora;
using namespace trimora::sim;

TEST(FrameCutter, CutsAsTheHostDoes) {
    struct Case {
        const char* what;
        std::vector<std::string> blocks;  // hex
        std::vector<std::string> frames;  // hex
    };
    const Case cases[] = {
        {"one frame", {"3E0A00000021"}, {"3E0A00000021"}},
        {"noise before the start is dropped", {"78793E4121"}, {"3E4121"}},
        {"split over blocks", {"3E41", "4221"}, {"3E414221"}},
        {"three in one block", {"3E41213E42213E4321"}, {"3E4121", "3E4221", "3E4321"}},
        {"inner 21 ends the frame; the rest waits for a start",
         {"3E010005210000000000213E0A00000021"},
         {"3E01000521", "3E0A00000021"}},
        {"inner 3E is content", {"3E013E0000", "21"}, {"3E013E000021"}},
        {"21 with no start is noise", {"2121", "3E21"}, {"3E21"}},
    };
    for (const Case& c : cases) {
        FrameCutter cutter;
        std::vector<std::string> got;
        for (const std::string& b : c.blocks)
            for (const std::string& f : cutter.Feed(HexToBytes(b))) got.push_back(BytesToHex(f));
        EXPECT_EQ(got, c.frames) << c.what;
    }
}

TEST(FrameCutter, StaysBoundedWhateverArrives) {
    FrameCutter cutter;
    // An endless unfinished frame is dropped at the limit, and cutting resumes afterwards.
    EXPECT_TRUE(cutter.Feed(">" + std::string(5000, 'x')).empty());
    EXPECT_LT(cutter.PendingSize(), FrameCutter::kMaxPending);
    EXPECT_EQ(cutter.Feed(HexToBytes("3E0400000021")).size(), 1u);
    EXPECT_EQ(cutter.PendingSize(), 0u);
}

TEST(SpeedModel, Profiles) {
    struct Case {
        const char* what;
        SpeedProfile profile;
        std::uint64_t atMs;
        double kmh;
    };
    const SpeedProfile steps = SpeedProfile::Steps({20, 30, 40}, 1000);
    const Case cases[] = {
        {"constant", SpeedProfile::Constant(25), 123456, 25},
        {"ramp start", SpeedProfile::Ramp(10, 30, 2000), 0, 10},
        {"ramp middle", SpeedProfile::Ramp(10, 30, 2000), 1000, 20},
        {"ramp holds its end", SpeedProfile::Ramp(10, 30, 2000), 9000, 30},
        {"ramp down", SpeedProfile::Ramp(40, 20, 1000), 500, 30},
        {"zero-length ramp", SpeedProfile::Ramp(10, 30, 0), 0, 30},
        {"first step", steps, 999, 20},
        {"second step", steps, 1000, 30},
        {"third step", steps, 2500, 40},
        {"steps repeat", steps, 3000, 20},
        {"no steps", SpeedProfile::Steps({}, 1000), 10, 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ProfileSpeedAt(c.profile, c.atMs), c.kmh) << c.what;
}

TEST(SpeedModel, MoreResistanceIsSlowerAndTheLagFollows) {
    EXPECT_DOUBLE_EQ(ResistanceFactor(0), 1.0);
    EXPECT_DOUBLE_EQ(ResistanceFactor(255), 0.5);
    EXPECT_GT(ResistanceFactor(60), ResistanceFactor(100));

    EXPECT_DOUBLE_EQ(LagToward(20, 30, 100, 0), 30);  // no lag: at once
    EXPECT_DOUBLE_EQ(LagToward(20, 30, 0, 1000), 20);
    const double after = LagToward(20, 30, 1000, 1000);
    EXPECT_NEAR(after, 20 + 10 * (1 - std::exp(-1.0)), 1e-9);
    EXPECT_NEAR(LagToward(30, 20, 1000, 1000), 30 - 10 * (1 - std::exp(-1.0)), 1e-9);
}

TEST(SpeedModel, RawSpeedNeverCarriesTheEndByteUnlessAsked) {
    struct Case {
        const char* what;
        double kmh;
        bool avoid;
        std::uint16_t raw;
    };
    const auto kmhOf = [](unsigned raw) { return raw * kKmhPerRawUnit; };
    const Case cases[] = {
        {"30 km/h", 30, true, 3537},
        {"rounds to nearest", kmhOf(300) + 0.004, true, 300},
        {"low byte 21 moves up one", kmhOf(0x0D21), true, 0x0D22},
        {"low byte 21 kept when asked", kmhOf(0x0D21), false, 0x0D21},
        {"high byte 21, lower half", kmhOf(0x2110), true, 0x20FF},
        {"high byte 21, upper half", kmhOf(0x21F0), true, 0x2200},
        {"both bytes 21", kmhOf(0x2121), true, 0x20FF},
        {"high byte 21 kept when asked", kmhOf(0x2110), false, 0x2110},
        {"negative clamps to 0", -5, true, 0},
        {"NaN is 0", std::nan(""), true, 0},
        {"too fast clamps", 1000, true, 0xFFFF},
    };
    for (const Case& c : cases) EXPECT_EQ(RawSpeedFromKmh(c.kmh, c.avoid), c.raw) << c.what;
    for (unsigned raw = 0; raw <= 0xFFFF; ++raw) {
        const std::uint16_t sent = RawSpeedFromKmh(kmhOf(raw), true);
        ASSERT_NE(sent >> 8, 0x21) << raw;
        ASSERT_NE(sent & 0xFF, 0x21) << raw;
    }
}

TEST(KeyScript, Parse) {
    using Keys = std::vector<ScriptedKey>;
    struct Case {
        const char* text;
        std::optional<Keys> keys;
    };
    const Case cases[] = {
        {"", Keys{}},
        {"2000:4", Keys{{2000, 4}}},
        {"4000:1,1000:4", Keys{{1000, 4}, {4000, 1}}},  // sorted by time
        {"1000:4,", std::nullopt},
        {"1000", std::nullopt},
        {"x:4", std::nullopt},
        {"1000:256", std::nullopt},
        {"-5:4", std::nullopt},
        {"1000:4:1", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseKeyScript(c.text), c.keys) << c.text;
}

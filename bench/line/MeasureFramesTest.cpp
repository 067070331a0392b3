#include <gtest/gtest.h>

#include "bench/line/MeasureFrames.h"

namespace trimora::bench {
namespace {

// Every sequence must travel as a frame that no framer can cut short, and come back from the
// values a decoder stores (Speed = D0*256+D1, HR = D2).
TEST(MeasureFramesTest, EverySequenceSurvivesTheFramerAndDecodesBack) {
    for (std::uint32_t seq = 0; seq < kMaxSequence; ++seq) {
        const std::string f = MeasureFrame(kDataConsole, seq);
        ASSERT_EQ(f.size(), kMeasureFrameSize);
        ASSERT_EQ(f.find('\x21'), kMeasureFrameSize - 1) << seq;
        ASSERT_EQ(f[0], '\x3E');
        ASSERT_EQ(std::uint8_t(f[3]) + 6u, f.size());
        const auto speed = std::uint16_t(std::uint8_t(f[4]) << 8 | std::uint8_t(f[5]));
        ASSERT_EQ(SequenceFromValues(speed, std::uint8_t(f[6])), std::int64_t(seq));
    }
}

TEST(MeasureFramesTest, ValuesNoFrameCarriesAreRejected) {
    struct Case {
        std::uint16_t Speed;
        std::uint8_t HR;
    };
    for (Case c : {Case{0, 0}, Case{0x3F40, 0x40}, Case{0x403F, 0x40}, Case{0x4040, 0x3F}})
        EXPECT_EQ(SequenceFromValues(c.Speed, c.HR), -1) << c.Speed << " " << int(c.HR);
    EXPECT_EQ(SequenceFromValues(0x4040, 0x40), 0);
}

}  // namespace
}  // namespace trimora::bench

#include "bench/line/MeasureFrames.h"

namespace trimora::bench {

namespace {
constexpr unsigned kBase = 192;
constexpr unsigned kDigit0 = 0x40;
}  // namespace

std::string MeasureFrame(std::uint8_t Console, std::uint32_t Sequence) {
    Sequence %= kMaxSequence;
    const auto d0 = char(kDigit0 + Sequence / (kBase * kBase));
    const auto d1 = char(kDigit0 + Sequence / kBase % kBase);
    const auto d2 = char(kDigit0 + Sequence % kBase);
    return std::string{'\x3E', '\x01', char(Console), '\x05', d0, d1, d2, '\0', '\0', '\0', '\x21'};
}

std::int64_t SequenceFromValues(std::uint16_t Speed, std::uint8_t HR) {
    const unsigned d0 = Speed >> 8, d1 = Speed & 0xFF, d2 = HR;
    if (d0 < kDigit0 || d1 < kDigit0 || d2 < kDigit0) return -1;
    return std::int64_t(d0 - kDigit0) * kBase * kBase + (d1 - kDigit0) * kBase + (d2 - kDigit0);
}

}  // namespace trimora::bench

#include "tests/e2e/SequencedStream.h"

namespace trimora::e2e {

namespace {
constexpr std::uint32_t kBase = 255;  // byte values but 0x21

char Digit(std::uint32_t V) {
    return static_cast<char>(V < 0x21 ? V : V + 1);
}
std::uint32_t FromDigit(std::uint32_t B) {
    return B < 0x21 ? B : B - 1u;
}
}  // namespace

std::string SequencedFrame(std::uint32_t K) {
    std::string f = {'\x3E', '\x01', static_cast<char>(1 + K % 4), '\x05'};
    f += Digit(K / kBase / kBase % kBase);
    f += Digit(K / kBase % kBase);
    f += Digit(K % kBase);
    f += std::string("\x00\x00\x00\x21", 4);
    return f;
}

std::uint32_t SequenceOf(const TVelnMeasureItem& Measure) {
    return (FromDigit(Measure.Speed >> 8) * kBase + FromDigit(Measure.Speed & 0xFF)) * kBase +
           FromDigit(Measure.HR);
}

LineRateWriter::LineRateWriter(sim::DongleSim& Sim, std::chrono::steady_clock::duration Length)
    : FSim(Sim), FThread([this, Length] { Run(Length); }) {}

LineRateWriter::~LineRateWriter() {
    Join();
}

void LineRateWriter::Join() {
    if (FThread.joinable()) FThread.join();
}

void LineRateWriter::Run(std::chrono::steady_clock::duration Length) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::uint32_t k = 0;
    while (Clock::now() - start < Length) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        std::string block;
        while (k < static_cast<std::uint32_t>(elapsed * kLineRateFramesPerSecond))
            block += SequencedFrame(k++);
        if (!block.empty() && FSim.WriteRaw(block).has_value()) FSent.fetch_add(block.size() / 11);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    FWriting.store(false);
}

}  // namespace trimora::e2e

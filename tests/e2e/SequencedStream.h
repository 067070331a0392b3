#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "protocol/ConsoleTables.h"
#include "tools/dongle_sim/DongleSim.h"

namespace trimora::e2e {

// 115200 bit/s, 10 bits per byte, 11 bytes per measure frame.
constexpr double kLineRateFramesPerSecond = 115200.0 / 10.0 / 11.0;

// Measure frame number K of a stream, for console 1 + K % 4. Its speed and HR bytes spell K
// without any 0x21 byte, so every frame stays whole and its place in the stream can be read
// back from the measure it becomes.
std::string SequencedFrame(std::uint32_t K);
std::uint32_t SequenceOf(const TVelnMeasureItem& Measure);

// Writes sequenced frames through the emulator at the line rate, a few at a time as a
// USB-serial chip hands them on, on a thread of its own, for Length.
class LineRateWriter {
  public:
    LineRateWriter(sim::DongleSim& Sim, std::chrono::steady_clock::duration Length);
    ~LineRateWriter();

    std::uint64_t Sent() const { return FSent.load(); }
    bool Writing() const { return FWriting.load(); }
    void Join();

  private:
    void Run(std::chrono::steady_clock::duration Length);

    sim::DongleSim& FSim;
    std::atomic<std::uint64_t> FSent{0};
    std::atomic<bool> FWriting{true};
    std::thread FThread;
};

}  // namespace trimora::e2e

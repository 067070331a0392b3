#pragma once

#include <cstdint>
#include <string>

#include "tools/dongle_sim/DongleSim.h"

namespace trimora::bench {

// The dongle's end of the line for the benchmarks: the emulator on a fresh pseudo-terminal,
// without consoles (so it sends nothing of its own) but answering what a contender asks, and
// its raw writer putting the benchmark's frames on the line.
class LineWriter {
  public:
    LineWriter();
    const std::string& SlavePath() const { return FSlavePath; }
    // Writes the block at the master behind anything queued and returns the CLOCK_MONOTONIC
    // time (ns) right after its last byte was written, or -1 when the line stalled for
    // TimeoutMs (a consumer that stopped reading) or went down. A full pty makes the writer
    // wait: that is flow control, not loss.
    std::int64_t WriteBlock(const std::string& Bytes, int TimeoutMs);

  private:
    sim::DongleSim FSim;
    std::string FSlavePath;
};

}  // namespace trimora::bench

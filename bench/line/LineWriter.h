#pragma once

#include <cstdint>
#include <string>

#include "bench/line/PtyMaster.h"

namespace trimora::bench {

// Puts the dongle's bytes on the line: writes a block at the pty master and returns the
// CLOCK_MONOTONIC time (ns) at which its last byte was accepted, or -1 on a stalled line.
class LineWriter {
  public:
    explicit LineWriter(PtyMaster& Pty) : FPty(Pty) {}
    std::int64_t WriteBlock(const std::string& Bytes, int TimeoutMs);

  private:
    PtyMaster& FPty;
};

}  // namespace trimora::bench

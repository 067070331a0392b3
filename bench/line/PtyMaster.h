#pragma once

#include <cstdint>
#include <string>

namespace trimora::bench {

// The dongle side of a pseudo-terminal: the benchmark writes the line's bytes here and a
// contender reads them from the slave. The pair starts raw (no echo, no line editing), so the
// bytes reach the reader exactly as written.
class PtyMaster {
  public:
    PtyMaster();
    ~PtyMaster();
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    const std::string& SlavePath() const { return FSlavePath; }
    int Fd() const { return FFd; }

    // Writes the whole block, waiting in poll() while the pty is full (that is flow control,
    // not loss). Returns the CLOCK_MONOTONIC time in ns at which the last byte was accepted, or
    // -1 when the block could not be written within TimeoutMs (a consumer that stopped reading).
    std::int64_t Write(const void* Data, std::size_t Size, int TimeoutMs);
    // Throws away what the consumer wrote back (probes, commands) so its writes never block.
    void DrainInput();

  private:
    int FFd = -1;
    std::string FSlavePath;
};

std::int64_t MonotonicNs();

}  // namespace trimora::bench

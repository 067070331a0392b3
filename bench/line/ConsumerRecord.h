#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trimora::bench {

// What every C++ contender records on its consuming thread: the time at which each frame's
// decoded values became available, and the process's CPU time between its first decoded frame
// and the end frame. The process clock (CLOCK_PROCESS_CPUTIME_ID, user + system of every thread)
// charges a contender for all the threads it uses, which keeps one-thread and two-thread designs
// comparable. The pyserial contender writes the same file format.
class ConsumerRecord {
  public:
    explicit ConsumerRecord(std::size_t Capacity = 1 << 20);

    // Call with the decoded console and values; returns true once the end frame has arrived.
    bool Decoded(std::uint8_t Console, std::uint16_t Speed, std::uint8_t HR);
    bool Ended() const { return FEnded; }

    // Frames count, CPU and wall window, then one "sequence time_ns" line per frame.
    void WriteTo(const std::string& Path) const;

  private:
    struct Entry {
        std::int64_t Sequence;
        std::int64_t TimeNs;
    };
    std::vector<Entry> FEntries;
    std::int64_t FCpuStart = 0, FCpuEnd = 0, FWallStart = 0, FWallEnd = 0;
    bool FEnded = false;
};

std::int64_t ProcessCpuNs();
// Tells the harness that the port is open and the consumer waits for data.
void SignalReady();

}  // namespace trimora::bench

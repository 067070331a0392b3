#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace trimora::sim {

// A frame the host wrote, as the emulator cut it from the line (valid or not).
struct HostFrame {
    std::uint64_t Sequence = 0;  // 0, 1, 2, ... in arrival order since the emulator started
    std::uint64_t TimeNs = 0;    // MonotonicNs() when it was cut
    std::string Bytes;
    std::string Hex;  // BytesToHex(Bytes)
};

// Every frame the host sent, for tests to assert on. Thread-safe; waiters are woken by each new
// frame. The oldest frames go once kCapacity are held, so a long demo cannot grow it unbounded.
class HostFrameLog {
  public:
    static constexpr std::size_t kCapacity = 100000;

    HostFrame Append(std::string Bytes, std::uint64_t TimeNs);
    std::vector<HostFrame> Snapshot() const;
    // Sequence number the next frame will get.
    std::uint64_t NextSequence() const;
    void Clear();

    // The first frame with Sequence >= From whose hex text starts with HexPrefix (upper case;
    // empty matches any), waiting up to Timeout for it to arrive.
    std::optional<HostFrame> WaitFor(const std::string& HexPrefix,
                                     std::chrono::milliseconds Timeout,
                                     std::uint64_t From = 0) const;

  private:
    mutable std::mutex FMutex;
    mutable std::condition_variable FArrived;
    std::deque<HostFrame> FFrames;
    std::uint64_t FNextSequence = 0;
};

}  // namespace trimora::sim

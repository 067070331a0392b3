#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace trimora {

// Writes waiting for a non-blocking device, in call order. Each keeps its own copy of the bytes
// the device has not yet taken. A write that has not gone out completely within its time-out,
// counted from when it reaches the head, is dropped. Thread-safe: the GUI thread submits, the
// event thread services.
class TWriteFifo {
  public:
    using Clock = std::chrono::steady_clock;

    // Write time-out of a request: Constant + Multiplier x its length, in ms; both 0: none.
    void SetTimeouts(std::int32_t Constant, std::int32_t Multiplier);

    // What may wait at most. A write that would pass either bound behind others is refused
    // with ENOBUFS: a line that never drains must not grow the queue without end. A write into
    // an empty queue is always taken.
    static constexpr std::size_t kMaxRequests = 4096;
    static constexpr std::size_t kMaxBytes = 1024 * 1024;

    // Writes at once what the device takes when nothing is waiting, and queues the rest (or
    // everything, behind earlier writes). Returns 0 or the errno of a failed write. Written is
    // the count taken at once; Queued tells that bytes were queued, so the writer must look.
    int Submit(int Fd, const char* Data, std::size_t Count, std::size_t& Written, bool& Queued);

    // Hands the device what it takes and drops requests past their time-out. Returns 0 or the
    // errno of a failure that ends the device; a request the device refuses otherwise is
    // dropped. Emptied tells that the queue was not empty before and is now.
    int Service(int Fd, Clock::time_point Now, bool& Emptied);

    // Milliseconds until the head request runs out of time (rounded up), or -1 if none does.
    int MsUntilDeadline(Clock::time_point Now) const;
    bool Empty() const;
    std::size_t PendingBytes() const;
    void Clear();

  private:
    struct Request {
        std::string Bytes;
        std::size_t Offset = 0;
        bool Timed = false;
        Clock::time_point Deadline;
    };
    int ServiceLocked(int Fd, Clock::time_point Now);
    void StartHead(Clock::time_point Now);
    void PopHead(Clock::time_point Now);

    mutable std::mutex FMutex;
    std::deque<Request> FQueue;
    std::size_t FPendingBytes = 0;
    std::int32_t FConstant = 1000;
    std::int32_t FMultiplier = 100;
};

// Errors after which a device can no longer be used: it was unplugged or hung up.
bool DeviceGoneError(int Errno);

}  // namespace trimora

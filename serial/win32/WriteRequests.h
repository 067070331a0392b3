#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "serial/win32/WindowsApi.h"

namespace trimora {

// The overlapped writes a device has not finished, in call order: the driver sends them in that
// order and ends each by its own write time-out. Each keeps its copy of the bytes and its
// OVERLAPPED block until the driver is done with them. Thread-safe: the GUI thread starts and
// finishes, the event thread reaps.
class TWriteRequests {
  public:
    TWriteRequests() = default;
    ~TWriteRequests();
    TWriteRequests(const TWriteRequests&) = delete;
    TWriteRequests& operator=(const TWriteRequests&) = delete;

    // What may wait at most; past either bound a write behind others is refused, so that a line
    // that never drains cannot grow the list without end.
    static constexpr std::size_t kMaxRequests = 4096;
    static constexpr std::size_t kMaxBytes = 1024 * 1024;

    // Starts a write of a copy of Data. Returns 0 or the Windows error of a refused start;
    // Written is Count when the write finished at once, else 0.
    DWORD Start(HANDLE Device, const char* Data, std::size_t Count, std::size_t& Written);
    // Ends the writes that have finished, oldest first. Returns the error of one that failed
    // because the device went (0 when none did); Emptied tells that writes were waiting and
    // none is any more.
    DWORD Reap(HANDLE Device, bool& Emptied);
    // The event of the oldest write still in flight, or null.
    HANDLE OldestEvent() const;
    // Before the device closes: gives the writes in flight up to SettleMs to go out (the last
    // frames before a close must reach the device), then cancels the rest and waits for the
    // driver to let go of them.
    void Finish(HANDLE Device, DWORD SettleMs);

    bool Empty() const;
    std::size_t PendingBytes() const;

  private:
    struct Request {
        OVERLAPPED Overlapped{};
        std::string Bytes;
        ~Request();
    };

    mutable std::mutex FMutex;
    std::deque<std::unique_ptr<Request>> FQueue;
    std::size_t FPendingBytes = 0;
};

}  // namespace trimora

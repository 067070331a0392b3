#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace trimora {

// The port's own queue of received bytes: the event thread fills it from the device, the GUI
// thread counts and reads it. It is bounded; bytes that do not fit are dropped and leave a
// receive-overrun condition (CE_RXOVER) until the next error query.
class TInputQueue {
  public:
    explicit TInputQueue(std::size_t Capacity = 4096);

    // Keeps the oldest bytes that fit in the new capacity.
    void SetCapacity(std::size_t Capacity);
    std::size_t Capacity() const;

    // Returns the number of bytes stored (the rest was dropped).
    std::size_t Push(const char* Data, std::size_t Count);
    // WasFull tells whether the queue was full before this read, so the reader can wake a
    // filler that stopped reading the device.
    std::size_t Pop(char* Out, std::size_t Count, bool* WasFull = nullptr);
    std::size_t Count() const;
    std::size_t Room() const;
    // Count and capacity under one lock.
    struct TLevel {
        std::size_t Count = 0;
        std::size_t Capacity = 0;
    };
    TLevel Level() const;
    void Clear();

    void AddErrors(std::uint32_t Flags);
    // Returns and clears the error condition, with the byte count at that moment.
    std::uint32_t TakeErrors(std::size_t& CountNow);

  private:
    mutable std::mutex FMutex;
    std::vector<char> FRing;
    std::size_t FHead = 0;  // index of the oldest byte
    std::size_t FCount = 0;
    std::uint32_t FErrors = 0;
};

}  // namespace trimora

#include "serial/InputQueue.h"

#include <algorithm>
#include <cstring>

#include "serial/ComErrorFlags.h"

namespace trimora {

TInputQueue::TInputQueue(std::size_t Capacity) : FRing(std::max<std::size_t>(Capacity, 1)) {}

void TInputQueue::SetCapacity(std::size_t Capacity) {
    Capacity = std::max<std::size_t>(Capacity, 1);
    std::lock_guard lock(FMutex);
    if (Capacity == FRing.size()) return;
    std::vector<char> ring(Capacity);
    std::size_t keep = std::min(FCount, Capacity);
    for (std::size_t i = 0; i < keep; ++i) ring[i] = FRing[(FHead + i) % FRing.size()];
    if (keep < FCount) FErrors |= CE_RXOVER;
    FRing.swap(ring);
    FHead = 0;
    FCount = keep;
}

std::size_t TInputQueue::Capacity() const {
    std::lock_guard lock(FMutex);
    return FRing.size();
}

std::size_t TInputQueue::Push(const char* Data, std::size_t Count) {
    if (Count == 0) return 0;
    std::lock_guard lock(FMutex);
    std::size_t size = FRing.size();
    std::size_t stored = std::min(Count, size - FCount);
    std::size_t tail = (FHead + FCount) % size;
    std::size_t first = std::min(stored, size - tail);
    std::memcpy(FRing.data() + tail, Data, first);
    std::memcpy(FRing.data(), Data + first, stored - first);
    FCount += stored;
    if (stored < Count) FErrors |= CE_RXOVER;
    return stored;
}

std::size_t TInputQueue::Pop(char* Out, std::size_t Count, bool* WasFull) {
    std::lock_guard lock(FMutex);
    std::size_t size = FRing.size();
    if (WasFull != nullptr) *WasFull = FCount == size;
    if (Count == 0) return 0;
    std::size_t taken = std::min(Count, FCount);
    std::size_t first = std::min(taken, size - FHead);
    std::memcpy(Out, FRing.data() + FHead, first);
    std::memcpy(Out + first, FRing.data(), taken - first);
    FHead = (FHead + taken) % size;
    FCount -= taken;
    return taken;
}

std::size_t TInputQueue::Count() const {
    std::lock_guard lock(FMutex);
    return FCount;
}

std::size_t TInputQueue::Room() const {
    std::lock_guard lock(FMutex);
    return FRing.size() - FCount;
}

TInputQueue::TLevel TInputQueue::Level() const {
    std::lock_guard lock(FMutex);
    return {FCount, FRing.size()};
}

void TInputQueue::Clear() {
    std::lock_guard lock(FMutex);
    FHead = 0;
    FCount = 0;
}

void TInputQueue::AddErrors(std::uint32_t Flags) {
    std::lock_guard lock(FMutex);
    FErrors |= Flags;
}

std::uint32_t TInputQueue::TakeErrors(std::size_t& CountNow) {
    std::lock_guard lock(FMutex);
    CountNow = FCount;
    std::uint32_t errors = FErrors;
    FErrors = 0;
    return errors;
}

}  // namespace trimora

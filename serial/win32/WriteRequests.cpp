#include "serial/win32/WriteRequests.h"

#include "serial/win32/DeviceRequests.h"

namespace trimora {

TWriteRequests::Request::~Request() {
    if (Overlapped.hEvent != nullptr) CloseHandle(Overlapped.hEvent);
}

TWriteRequests::~TWriteRequests() {
    // Requests the driver never let go of stay allocated: freeing them would let it write into
    // freed memory.
    std::lock_guard lock(FMutex);
    for (auto& r : FQueue)
        if (!HasOverlappedIoCompleted(&r->Overlapped)) (void)r.release();
}

DWORD TWriteRequests::Start(HANDLE Device, const char* Data, std::size_t Count,
                            std::size_t& Written) {
    Written = 0;
    std::lock_guard lock(FMutex);
    if (!FQueue.empty() && (FQueue.size() >= kMaxRequests || FPendingBytes + Count > kMaxBytes))
        return ERROR_NOT_ENOUGH_QUOTA;
    auto request = std::make_unique<Request>();
    request->Overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (request->Overlapped.hEvent == nullptr) return GetLastError();
    request->Bytes.assign(Data, Count);
    DWORD done = 0;
    if (WriteFile(Device, request->Bytes.data(), static_cast<DWORD>(Count), &done,
                  &request->Overlapped)) {
        Written = done;
        return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return error;
    FPendingBytes += Count;
    FQueue.push_back(std::move(request));
    return 0;
}

DWORD TWriteRequests::Reap(HANDLE Device, bool& Emptied) {
    Emptied = false;
    DWORD gone = 0;
    std::lock_guard lock(FMutex);
    const bool hadAny = !FQueue.empty();
    while (!FQueue.empty() && HasOverlappedIoCompleted(&FQueue.front()->Overlapped)) {
        Request& r = *FQueue.front();
        DWORD done = 0;
        if (!GetOverlappedResult(Device, &r.Overlapped, &done, FALSE)) {
            const DWORD error = GetLastError();
            if (DeviceGoneError(error)) gone = error;
        }
        // A write that ran into its time-out ended with fewer bytes: nothing waits for it.
        FPendingBytes -= r.Bytes.size();
        FQueue.pop_front();
    }
    Emptied = hadAny && FQueue.empty();
    return gone;
}

HANDLE TWriteRequests::OldestEvent() const {
    std::lock_guard lock(FMutex);
    return FQueue.empty() ? nullptr : FQueue.front()->Overlapped.hEvent;
}

void TWriteRequests::Finish(HANDLE Device, DWORD SettleMs) {
    std::lock_guard lock(FMutex);
    const ULONGLONG deadline = GetTickCount64() + SettleMs;
    for (auto& r : FQueue) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        WaitForSingleObject(r->Overlapped.hEvent, static_cast<DWORD>(deadline - now));
    }
    for (auto& r : FQueue) {
        AwaitRequest(Device, r->Overlapped);
        if (!HasOverlappedIoCompleted(&r->Overlapped)) (void)r.release();
    }
    FQueue.clear();
    FPendingBytes = 0;
}

bool TWriteRequests::Empty() const {
    std::lock_guard lock(FMutex);
    return FQueue.empty();
}

std::size_t TWriteRequests::PendingBytes() const {
    std::lock_guard lock(FMutex);
    return FPendingBytes;
}

}  // namespace trimora

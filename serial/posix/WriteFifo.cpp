#include "serial/posix/WriteFifo.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace trimora {

namespace {
// Bytes written, or -1 with errno (EINTR retried).
ssize_t WriteSome(int fd, const char* data, std::size_t count) {
    for (;;) {
        ssize_t n = ::write(fd, data, count);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool WouldBlock(int e) {
    return e == EAGAIN || e == EWOULDBLOCK;
}
}  // namespace

bool DeviceGoneError(int Errno) {
    return Errno == EIO || Errno == ENXIO || Errno == ENODEV || Errno == EPIPE || Errno == EBADF;
}

void TWriteFifo::SetTimeouts(std::int32_t Constant, std::int32_t Multiplier) {
    std::lock_guard lock(FMutex);
    FConstant = std::max<std::int32_t>(Constant, 0);
    FMultiplier = std::max<std::int32_t>(Multiplier, 0);
}

void TWriteFifo::StartHead(Clock::time_point Now) {
    if (FQueue.empty()) return;
    Request& head = FQueue.front();
    std::int64_t ms =
        static_cast<std::int64_t>(FConstant) +
        static_cast<std::int64_t>(FMultiplier) * static_cast<std::int64_t>(head.Bytes.size());
    head.Timed = ms > 0;
    head.Deadline = Now + std::chrono::milliseconds(ms);
}

void TWriteFifo::PopHead(Clock::time_point Now) {
    FPendingBytes -= FQueue.front().Bytes.size() - FQueue.front().Offset;
    FQueue.pop_front();
    StartHead(Now);
}

int TWriteFifo::Submit(int Fd, const char* Data, std::size_t Count, std::size_t& Written,
                       bool& Queued) {
    Written = 0;
    Queued = false;
    std::lock_guard lock(FMutex);
    auto now = Clock::now();
    // Move older writes along first, so that this one can go straight out if they are done.
    if (!FQueue.empty())
        if (int e = ServiceLocked(Fd, now)) return e;
    if (FQueue.empty()) {
        ssize_t n = WriteSome(Fd, Data, Count);
        if (n < 0 && !WouldBlock(errno)) return errno;
        Written = n < 0 ? 0 : static_cast<std::size_t>(n);
        if (Written == Count) return 0;
    } else if (FQueue.size() >= kMaxRequests || FPendingBytes + Count > kMaxBytes) {
        return ENOBUFS;
    }
    Queued = true;
    FQueue.push_back(Request{std::string(Data + Written, Count - Written), 0, false, {}});
    FPendingBytes += Count - Written;
    if (FQueue.size() == 1) StartHead(now);
    return 0;
}

int TWriteFifo::Service(int Fd, Clock::time_point Now, bool& Emptied) {
    std::lock_guard lock(FMutex);
    bool hadWork = !FQueue.empty();
    int e = ServiceLocked(Fd, Now);
    Emptied = hadWork && FQueue.empty();
    return e;
}

int TWriteFifo::ServiceLocked(int Fd, Clock::time_point Now) {
    while (!FQueue.empty()) {
        Request& head = FQueue.front();
        ssize_t n = WriteSome(Fd, head.Bytes.data() + head.Offset, head.Bytes.size() - head.Offset);
        if (n < 0) {
            int e = errno;
            if (WouldBlock(e)) break;
            if (DeviceGoneError(e)) return e;
            PopHead(Now);  // refused for good: drop it, go on with the next
            continue;
        }
        head.Offset += static_cast<std::size_t>(n);
        FPendingBytes -= static_cast<std::size_t>(n);
        if (head.Offset < head.Bytes.size()) break;
        PopHead(Now);
    }
    while (!FQueue.empty() && FQueue.front().Timed && Now >= FQueue.front().Deadline) PopHead(Now);
    return 0;
}

int TWriteFifo::MsUntilDeadline(Clock::time_point Now) const {
    std::lock_guard lock(FMutex);
    if (FQueue.empty() || !FQueue.front().Timed) return -1;
    auto left = FQueue.front().Deadline - Now;
    if (left <= Clock::duration::zero()) return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<std::int64_t>(ms, 1 << 30));
}

bool TWriteFifo::Empty() const {
    std::lock_guard lock(FMutex);
    return FQueue.empty();
}

std::size_t TWriteFifo::PendingBytes() const {
    std::lock_guard lock(FMutex);
    return FPendingBytes;
}

void TWriteFifo::Clear() {
    std::lock_guard lock(FMutex);
    FQueue.clear();
    FPendingBytes = 0;
}

}  // namespace trimora

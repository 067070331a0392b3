#include "tools/dongle_sim/OutputQueue.h"

#include <errno.h>
#include <unistd.h>

#include "tools/dongle_sim/MonotonicClock.h"

namespace trimora::sim {

void OutputQueue::Push(std::string Bytes, Kind BlockKind, std::uint64_t Tag) {
    if (Bytes.empty()) return;
    FBytes += Bytes;
    FBlocks.push_back({FBufferBase + FBytes.size(), BlockKind, Tag, Bytes.size()});
}

OutputQueue::WriteResult OutputQueue::WriteTo(int Fd, std::vector<Finished>& Done,
                                              std::uint64_t& BytesWritten) {
    WriteResult result = WriteResult::AllWritten;
    while (!Empty()) {
        const ssize_t n = ::write(Fd, FBytes.data() + FHead, PendingBytes());
        if (n < 0) {
            if (errno == EINTR) continue;
            result = (errno == EAGAIN || errno == EWOULDBLOCK) ? WriteResult::WouldBlock
                                                               : WriteResult::Failed;
            break;
        }
        const std::uint64_t now = MonotonicNs();
        FHead += static_cast<std::size_t>(n);
        BytesWritten += static_cast<std::uint64_t>(n);
        while (!FBlocks.empty() && FBlocks.front().End <= FBufferBase + FHead) {
            const Block& b = FBlocks.front();
            Done.push_back({b.BlockKind, b.Tag, b.Size, now});
            FBlocks.pop_front();
        }
    }
    // Keep the buffer from growing: drop what has been written once it is the larger part.
    if (FHead > 4096 && FHead * 2 > FBytes.size()) {
        FBytes.erase(0, FHead);
        FBufferBase += FHead;
        FHead = 0;
    }
    return result;
}

void OutputQueue::Clear(std::vector<Finished>& Dropped) {
    for (const Block& b : FBlocks) Dropped.push_back({b.BlockKind, b.Tag, b.Size, 0});
    FBlocks.clear();
    FBufferBase += FBytes.size();
    FBytes.clear();
    FHead = 0;
}

}  // namespace trimora::sim

#include "tools/dongle_sim/OutputQueue.h"

#include "tools/dongle_sim/MonotonicClock.h"
#include "tools/dongle_sim/SimLine.h"

namespace trimora::sim {

void OutputQueue::Push(std::string Bytes, Kind BlockKind, std::uint64_t Tag) {
    if (Bytes.empty()) return;
    FBytes += Bytes;
    FBlocks.push_back({FBufferBase + FBytes.size(), BlockKind, Tag, Bytes.size()});
}

OutputQueue::WriteResult OutputQueue::WriteTo(SimLine& Line, std::vector<Finished>& Done,
                                              std::uint64_t& BytesWritten) {
    WriteResult result = WriteResult::AllWritten;
    while (!Empty()) {
        std::size_t n = 0;
        const SimLine::Io io = Line.Write(FBytes.data() + FHead, PendingBytes(), n);
        if (io == SimLine::Io::Ended) {
            result = WriteResult::Failed;
            break;
        }
        if (io == SimLine::Io::WouldBlock || n == 0) {
            result = WriteResult::WouldBlock;
            break;
        }
        const std::uint64_t now = MonotonicNs();
        FHead += n;
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

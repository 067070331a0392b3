#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace trimora::sim {

class SimLine;

// Bytes waiting to go out on the master, in blocks; a block is finished when its last byte has
// been written, and that moment is reported with it.
class OutputQueue {
  public:
    enum class Kind { Frame, Measure, Garbage, Raw };
    struct Finished {
        Kind BlockKind;
        std::uint64_t Tag;  // given at Push; identifies raw blocks
        std::size_t Size;
        std::uint64_t TimeNs;  // MonotonicNs() right after the write that took its last byte
    };
    enum class WriteResult { AllWritten, WouldBlock, Failed };

    void Push(std::string Bytes, Kind BlockKind, std::uint64_t Tag = 0);
    std::size_t PendingBytes() const { return FBytes.size() - FHead; }
    bool Empty() const { return PendingBytes() == 0; }

    // Writes what the line takes now. Blocks finished go to Done; BytesWritten grows by what was
    // written.
    WriteResult WriteTo(SimLine& Line, std::vector<Finished>& Done, std::uint64_t& BytesWritten);
    // Drops everything pending; the blocks dropped go to Dropped (TimeNs 0).
    void Clear(std::vector<Finished>& Dropped);

  private:
    struct Block {
        std::uint64_t End;  // offset of its end, counted from the first byte ever pushed
        Kind BlockKind;
        std::uint64_t Tag;
        std::size_t Size;
    };
    std::string FBytes;
    std::size_t FHead = 0;          // first unwritten byte in FBytes
    std::uint64_t FBufferBase = 0;  // FBytes[0] has this offset
    std::deque<Block> FBlocks;
};

}  // namespace trimora::sim

#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace trimora::sim {

// Cuts the host's byte stream into frames the way the host cuts ours: a frame runs from a 0x3E
// to the first 0x21 after it; bytes before a 0x3E are thrown away. Whatever the bytes, the
// buffer stays bounded: an unfinished frame of MaxPending bytes or more is dropped.
class FrameCutter {
  public:
    static constexpr std::size_t kMaxPending = 1024;

    // Appends Bytes and returns every frame completed by them, in stream order.
    std::vector<std::string> Feed(const std::string& Bytes);
    void Reset() { FPending.clear(); }
    std::size_t PendingSize() const { return FPending.size(); }
    // Bytes thrown away so far (before a start, or an overlong unfinished frame).
    std::size_t Discarded() const { return FDiscarded; }

  private:
    std::string FPending;  // empty, or an unfinished frame beginning with 0x3E
    std::size_t FDiscarded = 0;
};

}  // namespace trimora::sim

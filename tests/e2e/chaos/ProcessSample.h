#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace trimora::test {

// What a running process holds, read from /proc.
struct ProcessSample {
    std::uint64_t ResidentKiB = 0;
    int Descriptors = 0;
    int Threads = 0;
};

// Nothing when the process is gone.
std::optional<ProcessSample> SampleProcess(pid_t Pid);

// Lowest, highest, first and last of a series of samples of one figure.
class FigureRange {
  public:
    void Add(std::uint64_t Value);
    bool Empty() const { return FCount == 0; }
    std::uint64_t First() const { return FFirst; }
    std::uint64_t Last() const { return FLast; }
    std::uint64_t Max() const { return FMax; }
    // "first/max/last"
    std::string Text() const;

  private:
    std::uint64_t FCount = 0, FFirst = 0, FLast = 0, FMax = 0;
};

}  // namespace trimora::test

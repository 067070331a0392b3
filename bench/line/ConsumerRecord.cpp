#include "bench/line/ConsumerRecord.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "bench/line/MeasureFrames.h"
#include "bench/line/MonotonicClock.h"

namespace trimora::bench {

std::int64_t ProcessCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void SignalReady() {
    static const char kReady[] = "ready\n";
    (void)!::write(STDOUT_FILENO, kReady, sizeof kReady - 1);
}

ConsumerRecord::ConsumerRecord(std::size_t Capacity) {
    FEntries.reserve(Capacity);
}

bool ConsumerRecord::Decoded(std::uint8_t Console, std::uint16_t Speed, std::uint8_t HR) {
    const std::int64_t now = MonotonicNs();
    if (FEnded) return true;
    if (FEntries.empty() && FCpuStart == 0) {
        FCpuStart = ProcessCpuNs();
        FWallStart = now;
    }
    if (Console == kEndConsole) {
        FCpuEnd = ProcessCpuNs();
        FWallEnd = MonotonicNs();
        FEnded = true;
        return true;
    }
    FEntries.push_back({Console == kDataConsole ? SequenceFromValues(Speed, HR) : -1, now});
    return false;
}

void ConsumerRecord::WriteTo(const std::string& Path) const {
    FILE* f = std::fopen(Path.c_str(), "w");
    if (!f) throw std::runtime_error("cannot write " + Path);
    std::fprintf(f, "frames %zu cpu_ns %lld wall_ns %lld\n", FEntries.size(),
                 (long long)(FCpuEnd - FCpuStart), (long long)(FWallEnd - FWallStart));
    for (const Entry& e : FEntries)
        std::fprintf(f, "%lld %lld\n", (long long)e.Sequence, (long long)e.TimeNs);
    std::fclose(f);
}

}  // namespace trimora::bench

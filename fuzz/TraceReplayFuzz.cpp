// A trace file as --replay reads it, any text: what it accepts is a playback the emulator can
// follow, frame after frame on time.
#include <sstream>

#include "fuzz/FuzzCheck.h"
#include "tools/dongle_sim/TraceReplay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace trimora::sim;
    std::istringstream in(std::string(reinterpret_cast<const char*>(Data), Size));
    std::vector<ReplayFrame> frames;
    std::string error;
    if (!ReadTraceForReplay(in, frames, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(!frames.empty());
    // Midnight passes at most once a day: no frame is days later than the one before.
    constexpr std::uint64_t kDayMs = 24ull * 60 * 60 * 1000;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        FUZZ_CHECK(!frames[i].Bytes.empty());
        if (i > 0) {
            FUZZ_CHECK(frames[i].AtMs >= frames[i - 1].AtMs);
            FUZZ_CHECK(frames[i].AtMs - frames[i - 1].AtMs <= kDayMs);
        }
    }
    return 0;
}

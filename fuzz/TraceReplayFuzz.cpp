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
    // Played in order: no frame before the one above it. (Gaps are unbounded: lines between
    // two frames may pass midnight more than once.)
    for (std::size_t i = 0; i < frames.size(); ++i) {
        FUZZ_CHECK(!frames[i].Bytes.empty());
        if (i > 0) FUZZ_CHECK(frames[i].AtMs >= frames[i - 1].AtMs);
    }
    return 0;
}

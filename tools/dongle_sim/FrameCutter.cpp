#include "tools/dongle_sim/FrameCutter.h"

#include "tools/dongle_sim/DeviceFrames.h"

namespace trimora::sim {

std::vector<std::string> FrameCutter::Feed(const std::string& Bytes) {
    std::vector<std::string> frames;
    for (char c : Bytes) {
        if (FPending.empty()) {
            if (static_cast<std::uint8_t>(c) == kFrameStart)
                FPending += c;
            else
                ++FDiscarded;
            continue;
        }
        FPending += c;
        if (static_cast<std::uint8_t>(c) == kFrameEnd) {
            frames.push_back(std::move(FPending));
            FPending.clear();
        } else if (FPending.size() >= kMaxPending) {
            FDiscarded += FPending.size();
            FPending.clear();
        }
    }
    return frames;
}

}  // namespace trimora::sim

#include "tools/dongle_sim/FrameCutter.h"

namespace trimora::sim {

namespace {
constexpr char kStart = 0x3E;
constexpr char kEnd = 0x21;
}  // namespace

std::vector<std::string> FrameCutter::Feed(const std::string& Bytes) {
    std::vector<std::string> frames;
    for (char c : Bytes) {
        if (FPending.empty()) {
            if (c == kStart)
                FPending += c;
            else
                ++FDiscarded;
            continue;
        }
        FPending += c;
        if (c == kEnd) {
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

#include "tools/dongle_sim/HostFrameLog.h"

#include <algorithm>
#include <cctype>

#include "protocol/FrameCodec.h"

namespace trimora::sim {

HostFrame HostFrameLog::Append(std::string Bytes, std::uint64_t TimeNs) {
    HostFrame frame;
    frame.TimeNs = TimeNs;
    frame.Hex = BytesToHex(Bytes);
    frame.Bytes = std::move(Bytes);
    {
        std::lock_guard lock(FMutex);
        frame.Sequence = FNextSequence++;
        FFrames.push_back(frame);
        if (FFrames.size() > kCapacity) FFrames.pop_front();
    }
    FArrived.notify_all();
    return frame;
}

std::vector<HostFrame> HostFrameLog::Snapshot() const {
    std::lock_guard lock(FMutex);
    return {FFrames.begin(), FFrames.end()};
}

std::uint64_t HostFrameLog::NextSequence() const {
    std::lock_guard lock(FMutex);
    return FNextSequence;
}

void HostFrameLog::Clear() {
    std::lock_guard lock(FMutex);
    FFrames.clear();
}

std::optional<HostFrame> HostFrameLog::WaitFor(const std::string& HexPrefix,
                                               std::chrono::milliseconds Timeout,
                                               std::uint64_t From) const {
    std::string prefix = HexPrefix;
    for (char& c : prefix) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::optional<HostFrame> found;
    std::uint64_t from = From;
    const auto look = [&] {
        for (const HostFrame& f : FFrames) {
            if (f.Sequence >= from && f.Hex.compare(0, prefix.size(), prefix) == 0) {
                found = f;
                return true;
            }
        }
        // Later rounds only need to look at frames that arrive meanwhile.
        from = std::max(from, FNextSequence);
        return false;
    };
    std::unique_lock lock(FMutex);
    FArrived.wait_until(lock, std::chrono::steady_clock::now() + Timeout, look);
    return found;
}

}  // namespace trimora::sim

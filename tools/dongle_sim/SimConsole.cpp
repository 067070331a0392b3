#include "tools/dongle_sim/SimConsole.h"

#include "tools/dongle_sim/DeviceFrames.h"
#include "tools/dongle_sim/MonotonicClock.h"

namespace trimora::sim {

void SimConsole::SetJoined(bool Value) {
    FJoined = Value;
    FJoinAtNs.reset();
    if (!Value) StopStream();
}

void SimConsole::StartStream(std::uint64_t NowNs) {
    FStreaming = true;
    FStreamStartNs = NowNs;
    FNextMeasureNs = NowNs;
    FNextScriptKey = 0;
    FSpeedKnown = false;
}

void SimConsole::SetSpeed(double Kmh) {
    FConfig.Profile = SpeedProfile::Constant(Kmh);
    FSpeedKmh = Kmh * ResistanceFactor(FResistanceLevel);
    FSpeedKnown = true;
}

std::uint8_t SimConsole::NextKey(std::uint64_t ElapsedMs) {
    if (!FPendingKeys.empty()) {
        const std::uint8_t key = FPendingKeys.front();
        FPendingKeys.pop_front();
        return key;
    }
    const auto& script = FConfig.Keys;
    if (FNextScriptKey < script.size() && script[FNextScriptKey].AtMs <= ElapsedMs)
        return script[FNextScriptKey++].Key;
    return 0;
}

std::string SimConsole::TakeMeasure(std::uint64_t NowNs, std::uint32_t IntervalMs,
                                    std::uint32_t LagMs, bool AvoidEnd) {
    const std::uint64_t elapsedMs = (NowNs - FStreamStartNs) / kNsPerMs;
    const double target =
        ProfileSpeedAt(FConfig.Profile, elapsedMs) * ResistanceFactor(FResistanceLevel);
    if (!FSpeedKnown) {
        FSpeedKmh = target;
        FSpeedKnown = true;
    } else {
        const double sinceLastMs = static_cast<double>(NowNs - FLastMeasureNs) / kNsPerMs;
        FSpeedKmh = LagToward(FSpeedKmh, target, sinceLastMs, LagMs);
    }
    FLastMeasureNs = NowNs;

    const std::uint64_t interval = static_cast<std::uint64_t>(IntervalMs) * kNsPerMs;
    FNextMeasureNs += interval;
    // After a stall, carry on from now rather than catching up with a burst.
    if (FNextMeasureNs <= NowNs) FNextMeasureNs = NowNs + interval;

    MeasureData m;
    m.RawSpeed = RawSpeedFromKmh(FSpeedKmh, AvoidEnd);
    m.HeartRate = AvoidEndByte(FConfig.HeartRate, AvoidEnd);
    m.Aux = AvoidEndByte(FConfig.Aux, AvoidEnd);
    m.Keys = AvoidEndByte(NextKey(elapsedMs), AvoidEnd);
    return MakeMeasureFrame(FConfig.Id, m);
}

}  // namespace trimora::sim

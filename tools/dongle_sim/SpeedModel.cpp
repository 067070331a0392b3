#include "tools/dongle_sim/SpeedModel.h"

#include <algorithm>
#include <cmath>

#include "tools/dongle_sim/DeviceFrames.h"

namespace trimora::sim {

SpeedProfile SpeedProfile::Constant(double Kmh) {
    SpeedProfile p;
    p.Kind = ProfileKind::Constant;
    p.ConstantKmh = Kmh;
    return p;
}

SpeedProfile SpeedProfile::Ramp(double FromKmh, double ToKmh, std::uint32_t Ms) {
    SpeedProfile p;
    p.Kind = ProfileKind::Ramp;
    p.RampFromKmh = FromKmh;
    p.RampToKmh = ToKmh;
    p.RampMs = Ms;
    return p;
}

SpeedProfile SpeedProfile::Steps(std::vector<double> Kmh, std::uint32_t DwellMs) {
    SpeedProfile p;
    p.Kind = ProfileKind::Steps;
    p.StepsKmh = std::move(Kmh);
    p.StepDwellMs = DwellMs;
    return p;
}

double ProfileSpeedAt(const SpeedProfile& Profile, std::uint64_t ElapsedMs) {
    switch (Profile.Kind) {
        case ProfileKind::Constant:
            return Profile.ConstantKmh;
        case ProfileKind::Ramp: {
            if (Profile.RampMs == 0 || ElapsedMs >= Profile.RampMs) return Profile.RampToKmh;
            const double share = static_cast<double>(ElapsedMs) / Profile.RampMs;
            return Profile.RampFromKmh + (Profile.RampToKmh - Profile.RampFromKmh) * share;
        }
        case ProfileKind::Steps: {
            if (Profile.StepsKmh.empty()) return 0.0;
            if (Profile.StepDwellMs == 0) return Profile.StepsKmh.front();
            const std::uint64_t step = ElapsedMs / Profile.StepDwellMs;
            return Profile.StepsKmh[step % Profile.StepsKmh.size()];
        }
    }
    return 0.0;
}

double ResistanceFactor(std::uint8_t Level) {
    return 1.0 - 0.5 * (Level / 255.0);
}

double LagToward(double Current, double Target, double ElapsedMs, double LagMs) {
    if (LagMs <= 0.0) return Target;
    if (ElapsedMs <= 0.0) return Current;
    return Current + (Target - Current) * (1.0 - std::exp(-ElapsedMs / LagMs));
}

std::uint16_t RawSpeedFromKmh(double Kmh, bool AvoidEnd) {
    double units = std::round(Kmh / kKmhPerRawUnit);
    if (!(units >= 0.0)) units = 0.0;  // negative or NaN
    units = std::min(units, 65535.0);
    auto raw = static_cast<std::uint16_t>(units);
    if (!AvoidEnd) return raw;
    if ((raw >> 8) == kFrameEnd) raw = (raw & 0xFF) < 0x80 ? 0x20FF : 0x2200;
    if ((raw & 0xFF) == kFrameEnd) raw = static_cast<std::uint16_t>(raw + 1);
    return raw;
}

std::uint8_t AvoidEndByte(std::uint8_t Value, bool AvoidEnd) {
    return AvoidEnd && Value == kFrameEnd ? kFrameEnd + 1 : Value;
}

}  // namespace trimora::sim

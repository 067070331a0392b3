#pragma once

#include <cstdint>
#include <vector>

namespace trimora::sim {

constexpr double kKmhPerRawUnit = 0.008482;

// What a console's rider does, as a speed over time since its measures started.
enum class ProfileKind {
    Constant,  // ConstantKmh for ever
    Ramp,      // RampFromKmh to RampToKmh linearly over RampMs, then holds RampToKmh
    Steps,     // each of StepsKmh for StepDwellMs in turn, then again from the first
};

struct SpeedProfile {
    ProfileKind Kind = ProfileKind::Constant;
    double ConstantKmh = 30.0;
    double RampFromKmh = 0.0;
    double RampToKmh = 40.0;
    std::uint32_t RampMs = 10000;
    std::vector<double> StepsKmh{20.0, 30.0, 40.0};
    std::uint32_t StepDwellMs = 5000;

    static SpeedProfile Constant(double Kmh);
    static SpeedProfile Ramp(double FromKmh, double ToKmh, std::uint32_t Ms);
    static SpeedProfile Steps(std::vector<double> Kmh, std::uint32_t DwellMs);
};

double ProfileSpeedAt(const SpeedProfile& Profile, std::uint64_t ElapsedMs);

// Share of the profile speed that the rider keeps against a resistance level: 1 at level 0,
// falling linearly to one half at 255.
double ResistanceFactor(std::uint8_t Level);

// One step of a first-order lag from Current toward Target; LagMs 0 jumps at once.
double LagToward(double Current, double Target, double ElapsedMs, double LagMs);

// Raw speed units for Kmh, rounded and clamped to 0..65535. With AvoidEnd, a raw value one of
// whose bytes would be 0x21 (the host cuts a frame at the first 0x21) is moved to the nearest
// value without one: by one unit for the low byte, to 0x20FF or 0x2200 for the high byte (about
// 72-74 km/h, far from any calibration point).
std::uint16_t RawSpeedFromKmh(double Kmh, bool AvoidEnd);

// The byte, or the next value when it would be 0x21 and AvoidEnd is set.
std::uint8_t AvoidEndByte(std::uint8_t Value, bool AvoidEnd);

}  // namespace trimora::sim

#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "tools/dongle_sim/SimConfig.h"

namespace trimora::sim {

// One console's side: whether it has joined, when it joins, and the measures it sends.
class SimConsole {
  public:
    explicit SimConsole(ConsoleConfig Config) : FConfig(std::move(Config)) {}

    std::uint8_t Id() const { return FConfig.Id; }
    const ConsoleConfig& Config() const { return FConfig; }

    bool Joined() const { return FJoined; }
    void SetJoined(bool Value);
    // When a pending join is due; empty when none is pending.
    std::optional<std::uint64_t> JoinAtNs() const { return FJoinAtNs; }
    void SetJoinAtNs(std::optional<std::uint64_t> Value) { FJoinAtNs = Value; }

    bool Streaming() const { return FStreaming; }
    // Begins (again) the profile and key script from NowNs; the first measure is due at once.
    void StartStream(std::uint64_t NowNs);
    void StopStream() { FStreaming = false; }
    std::uint64_t NextMeasureNs() const { return FNextMeasureNs; }

    std::uint8_t ResistanceLevel() const { return FResistanceLevel; }
    void SetResistanceLevel(std::uint8_t Value) { FResistanceLevel = Value; }

    // A key for the next measure; several keys go out one measure each.
    void PressKey(std::uint8_t Key) { FPendingKeys.push_back(Key); }
    // The rider holds Kmh from now on: the profile becomes that constant, and the speed jumps
    // there (times the resistance factor) without lag.
    void SetSpeed(double Kmh);
    void SetProfile(const SpeedProfile& Profile) { FConfig.Profile = Profile; }
    double SpeedKmh() const { return FSpeedKmh; }

    // The measure frame due at NowNs; schedules the next one IntervalMs later.
    std::string TakeMeasure(std::uint64_t NowNs, std::uint32_t IntervalMs, std::uint32_t LagMs,
                            bool AvoidEnd);

  private:
    std::uint8_t NextKey(std::uint64_t ElapsedMs);

    ConsoleConfig FConfig;
    bool FJoined = false;
    std::optional<std::uint64_t> FJoinAtNs;
    bool FStreaming = false;
    std::uint64_t FStreamStartNs = 0;
    std::uint64_t FNextMeasureNs = 0;
    std::uint64_t FLastMeasureNs = 0;
    bool FSpeedKnown = false;
    double FSpeedKmh = 0.0;
    std::uint8_t FResistanceLevel = 0;
    std::deque<std::uint8_t> FPendingKeys;
    std::size_t FNextScriptKey = 0;
};

}  // namespace trimora::sim

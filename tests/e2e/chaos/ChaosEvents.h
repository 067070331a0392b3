#pragma once

#include <array>
#include <random>

namespace trimora::test {

// What a bumped, replugged and crowded dongle does to the program, one at a time.
enum class ChaosEvent {
    ReplugSamePath,   // unplugged, back at the same device path after 0.05-3 s
    ReplugOtherPath,  // back under another device name for a while, then at the first again
    GarbageBurst,     // 1-2048 random bytes of any value on the line
    ConsoleSilence,   // the console sends nothing for up to 10 s
    ConsoleRejoins,   // the console leaves and joins again
    SecondConsole,    // another console joins for a while
};

constexpr std::array<ChaosEvent, 6> kChaosEvents = {
    ChaosEvent::ReplugSamePath, ChaosEvent::ReplugOtherPath, ChaosEvent::GarbageBurst,
    ChaosEvent::ConsoleSilence, ChaosEvent::ConsoleRejoins,  ChaosEvent::SecondConsole};

const char* ChaosEventName(ChaosEvent Event);

// Replugs come most often: they are where a bench is bumped, and where faults were found.
ChaosEvent PickChaosEvent(std::mt19937& Random);

// Uniform in [Low, High] milliseconds.
int RandomMs(std::mt19937& Random, int Low, int High);

}  // namespace trimora::test

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/dongle_sim/KeyScript.h"
#include "tools/dongle_sim/SpeedModel.h"

namespace trimora::sim {

// One wireless console that can join the dongle.
struct ConsoleConfig {
    std::uint8_t Id = 1;  // 1..254, not 0x21
    // After registration opens, the console joins this much later.
    std::uint32_t JoinDelayMs = 500;
    SpeedProfile Profile;
    std::uint8_t HeartRate = 120;
    std::uint8_t Aux = 0;
    std::vector<ScriptedKey> Keys;
    std::uint8_t Version = 0x12;
    std::uint32_t Serial = 0x00A001;  // 3 bytes
};

// The largest garbage burst: half the output the emulator holds back for a slow host, so that a
// burst and its frame always fit.
constexpr std::uint32_t kMaxGarbageBytes = 32 * 1024;

enum class GarbageMode {
    None,
    BetweenFrames,  // random bytes that hold neither 0x3E nor 0x21
    FullyRandom,    // random bytes of any value
};

// Misbehaviour on demand; everything off is a healthy dongle.
struct FaultConfig {
    bool Silent = false;  // logs what the host sends but sends nothing at all
    GarbageMode Garbage = GarbageMode::None;
    std::uint32_t GarbageBytes =
        8;  // per burst, up to kMaxGarbageBytes; one goes before every frame
    std::uint32_t GarbageIntervalMs = 0;  // > 0: a burst on its own every so often as well
    bool InnerEndByte = false;  // frames carry 0x21 before their end; speeds may hold 0x21 too
    bool ShortFrames = false;   // frames lose their reserved and end bytes
    std::uint32_t HangUpAfterMs = 0;  // > 0: the dongle unplugs this long after Start
    bool Flood = false;               // measures as fast as the line takes them, whatever the rate
};

// A frame the dongle sent in a recorded session: played back AtMs after the first frame the
// host sends.
struct ReplayFrame {
    std::uint64_t AtMs = 0;
    std::string Bytes;
    bool operator==(const ReplayFrame&) const = default;
};

struct SimConfig {
    // When not empty: a symbolic link to the pseudo-terminal's slave, re-pointed at every
    // reconnection and removed on a hang-up (an unplugged dongle's device node goes away).
    std::string LinkPath;
    std::uint8_t Version = 0x78;
    std::uint32_t Serial = 0x0A0B0C;  // 3 bytes
    std::uint8_t FirmwareMajor = 1;
    std::uint8_t FirmwareMinor = 4;
    std::uint32_t ReplyDelayMs = 0;  // the dongle's answers to requests wait this long
    std::uint32_t MeasureIntervalMs = 100;
    // Time constant with which a console's speed follows its profile and resistance.
    std::uint32_t ResistanceLagMs = 1500;
    std::vector<ConsoleConfig> Consoles{ConsoleConfig{}};
    FaultConfig Faults;
    std::uint32_t Seed = 1;  // for garbage bytes
    // When not empty, the dongle plays these back, in order and on time, instead of answering:
    // a recorded session replayed to the host.
    std::vector<ReplayFrame> Replay;
};

// Empty when the configuration is usable, else what is wrong with it.
std::string ValidateConfig(const SimConfig& Config);
bool IsUsableConsoleId(unsigned Id);

}  // namespace trimora::sim

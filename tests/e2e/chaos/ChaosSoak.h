#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/common/ProgramProcess.h"
#include "tests/e2e/chaos/ChaosEvents.h"
#include "tests/e2e/chaos/ProcessSample.h"
#include "tools/dongle_sim/DongleSim.h"

namespace trimora::test {

struct ChaosSoakOptions {
    std::chrono::seconds Length{60};
    std::uint32_t Seed = 1;
    std::string Program;     // the program's executable
    std::string Scratch;     // its home, output and the dongle's device links
    bool Sanitized = false;  // memory grows in a sanitized build: not held to the flat bound
};

// The real program against the emulated dongle while the dongle misbehaves at random. The
// program must take measures again within 10 s of every event, keep its memory, descriptors and
// threads flat, and end on SIGTERM with the shut-down frames.
class ChaosSoak {
  public:
    explicit ChaosSoak(ChaosSoakOptions Options);
    // True when nothing failed. Failures() says what did; Figures() is the one-line summary.
    bool Run();
    const std::vector<std::string>& Failures() const { return FFailures; }
    std::string Figures() const;

  private:
    using Clock = std::chrono::steady_clock;

    void Perform(ChaosEvent Event);
    void ReplugAfterAPause(const std::string& Link);
    // Measures flow again and the program answers, within 10 s: how long it took, or nothing.
    std::optional<Clock::duration> AwaitResume(Clock::duration Within);
    void Sample();
    void Fail(const std::string& What);
    void Pause(int Ms);
    bool EndsWithShutDownFrames();

    ChaosSoakOptions FOptions;
    std::mt19937 FRandom;
    std::string FLink, FOtherLink;
    sim::DongleSim FDongle;
    ProgramProcess FProgram;

    std::map<ChaosEvent, int> FEvents;
    int FReplugs = 0, FResumed = 0;
    std::uint64_t FGarbageBytes = 0;
    Clock::duration FLongestResume{};
    FigureRange FResident, FDescriptors, FThreads;
    int FExitStatus = -1;
    bool FShutDownFramesSeen = false;
    Clock::duration FRan{};
    std::vector<std::string> FFailures;
};

}  // namespace trimora::test

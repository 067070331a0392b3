#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tools/dongle_sim/SimConfig.h"
#include "tools/dongle_sim/SimConsole.h"

namespace trimora::sim {

enum class FrameKind { Reply, Notification, Measure };

// The dongle and its consoles as a state machine, without any I/O or thread: frames from the
// host and the passing of time go in, the frames the dongle sends come out through the sink.
// Not thread-safe; its owner serialises every call.
//
// Choices where the host does not care: add and remove notifications come from id 0 with the
// console's id in D0; the registration reply answers both open and close; a removed console joins
// again only when registration next opens; requests to consoles that have not joined, and
// commands this dongle does not know, go unanswered; no command is acknowledged.
class DongleModel {
  public:
    using FrameSink = std::function<void(std::string Frame, FrameKind Kind)>;

    DongleModel(const SimConfig& Config, FrameSink Output);

    // A frame the host sent that passed the frame check.
    void HandleHostFrame(const std::string& Frame, std::uint64_t NowNs);
    // Consoles whose join is due join; measures that are due go out (unless flooding).
    void Tick(std::uint64_t NowNs);
    // When Tick next has something to do; kNever when nothing is scheduled.
    static constexpr std::uint64_t kNever = UINT64_MAX;
    std::uint64_t NextDueNs() const;
    // Flooding: the next measure of the streaming consoles in turn, due or not; empty when no
    // console streams.
    std::string NextFloodMeasure(std::uint64_t NowNs);
    // Some console sends measures.
    bool Streaming() const;
    // Power cycle: every console forgotten, registration closed, measures stopped.
    void Reset();

    // The device side's own controls.
    // Joins at once, whether registration is open or not; an unknown id gets default settings.
    bool JoinConsole(std::uint8_t Id, std::uint64_t NowNs);
    // The console leaves (remove notification); false if it had not joined.
    bool LeaveConsole(std::uint8_t Id);
    // Id 0: every known console.
    void PressKey(std::uint8_t Key, std::uint8_t Id);
    void SetSpeed(double Kmh, std::uint8_t Id);
    void SetProfile(const SpeedProfile& Profile, std::uint8_t Id);
    bool MeasuresRunning() const { return FMeasuresRunning; }
    void SetMeasuresRunning(bool Value, std::uint64_t NowNs);

    bool RegistrationOpen() const { return FRegistrationOpen; }
    std::vector<std::uint8_t> JoinedConsoles() const;
    std::uint8_t ResistanceLevel(std::uint8_t Id) const;
    double ConsoleSpeedKmh(std::uint8_t Id) const;

    std::uint8_t Version() const { return FVersion; }
    void SetVersion(std::uint8_t Value) { FVersion = Value; }
    bool AvoidEnd() const { return FAvoidEnd; }
    void SetAvoidEnd(bool Value) { FAvoidEnd = Value; }
    bool Flood() const { return FFlood; }
    void SetFlood(bool Value) { FFlood = Value; }

  private:
    void Send(std::uint8_t Command, std::uint8_t Id, std::string Data, FrameKind Kind);
    std::string Serial3(std::uint32_t Serial) const;
    std::uint8_t JoinedCount() const;
    SimConsole& ConsoleFor(std::uint8_t Id);
    void Join(SimConsole& Console, std::uint64_t NowNs);
    void Forget(SimConsole& Console);

    void OnVersionRequest(std::uint8_t Id);
    void OnSerialRequest(std::uint8_t Id);
    void OnRegistration(bool Open, std::uint64_t NowNs);
    void OnRemove(std::uint8_t Id);
    void OnResistances(const std::string& Levels);

    SimConfig FConfig;
    FrameSink FOutput;
    std::map<std::uint8_t, SimConsole> FConsoles;  // configured ones, and any joined since
    bool FRegistrationOpen = false;
    bool FMeasuresRunning = false;
    std::uint8_t FVersion;
    bool FAvoidEnd = true;
    bool FFlood = false;
    std::uint8_t FFloodCursor = 0;
};

}  // namespace trimora::sim

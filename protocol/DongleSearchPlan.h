#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runtime/TickClock.h"
#include "serial/DeviceNode.h"

namespace trimora {

// What the search for a dongle that went away decides, without any I/O: which ports to probe
// after each look at the machine. The port where the dongle was last found comes first whenever
// it is there; every other port is probed once when it appears; a port that failed is probed
// again only once it has gone and come back (or been replaced), so that foreign devices are not
// written to over and over. A pseudo-terminal that goes is gone for good: its number goes to the
// next terminal someone opens.
class TDongleSearchPlan {
  public:
    using Clock = TTickClock;
    static constexpr std::chrono::milliseconds kLookInterval{1000};

    // Begins a search: LastPort may be empty. The ports Present now have been searched already
    // (or are the device just lost) and count as failed. Last is LastPort's node when it exists:
    // it counts as failed when it is the Lost device's node still there, or when no device was
    // lost (the dongle was never found there); a node that replaced the lost one is new.
    void Begin(Clock::time_point Now, const std::string& LastPort,
               const std::vector<TPortSighting>& Present, const std::optional<TPortSighting>& Last,
               const std::optional<TPortSighting>& Lost);

    // A look is due: never more than kLookInterval after the previous one.
    bool LookDue(Clock::time_point Now) const { return Now >= FNextLook; }
    Clock::time_point NextLook() const { return FNextLook; }

    // One look: Present is the machine's serial ports, Last the last port's node when it exists.
    // Returns the ports to probe, in order.
    std::vector<std::string> Look(Clock::time_point Now, const std::vector<TPortSighting>& Present,
                                  const std::optional<TPortSighting>& Last);

    // The node at Path went, whether or not a look saw it: what comes there next is new.
    void Gone(const std::string& Path);
    // The outcome of a probe the last look asked for.
    void Failed(const std::string& Path);
    // Empty once a pseudo-terminal named as the last port has gone.
    const std::string& LastPort() const { return FLastPort; }

  private:
    struct Known {
        TNodeIdentity Identity;
        bool Failed = false;
    };
    // Decides for what is there; true when Sighting is to be probed.
    bool Consider(const TPortSighting& Sighting);
    void LastPortGone();

    std::string FLastPort;
    bool FLastIsPseudoTerminal = false;
    std::map<std::string, Known> FKnown;  // by path: what the looks saw and did not see go
    Clock::time_point FNextLook{};
};

}  // namespace trimora

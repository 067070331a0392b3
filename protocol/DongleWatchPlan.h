#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace trimora {

// One device node as a look at the machine found it. The identity changes when the device is
// replaced (unplugged and plugged in again), even under the same name.
struct TPortSighting {
    std::string Path;
    std::uint64_t Identity = 0;
    // The node exists but may not be opened yet (its permissions are still being set up).
    bool Accessible = true;
    bool operator==(const TPortSighting&) const = default;
};

// What the search for a dongle that went away decides, without any I/O: which ports to probe
// after each look at the machine. The port where the dongle was last found comes first whenever
// it is there; every other port is probed once when it appears; a port that failed is probed
// again only once it has gone and come back (or been replaced), so that foreign devices are not
// written to over and over.
class TDongleWatchPlan {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kLookInterval{1000};

    // Begins a search: LastPort may be empty. The ports Present now have been searched already
    // (or are the device just lost) and count as failed; LastPort too unless it is absent.
    void Begin(Clock::time_point Now, const std::string& LastPort,
               const std::vector<TPortSighting>& Present, const std::optional<TPortSighting>& Last);

    // A look is due: never more than kLookInterval after the previous one.
    bool LookDue(Clock::time_point Now) const { return Now >= FNextLook; }
    Clock::time_point NextLook() const { return FNextLook; }

    // One look: Present is the machine's serial ports, Last the last port's node when it exists.
    // Returns the ports to probe, in order.
    std::vector<std::string> Look(Clock::time_point Now, const std::vector<TPortSighting>& Present,
                                  const std::optional<TPortSighting>& Last);

    // The outcome of a probe the last look asked for.
    void Failed(const std::string& Path);
    const std::string& LastPort() const { return FLastPort; }

  private:
    struct Known {
        std::uint64_t Identity = 0;
        bool Failed = false;
    };
    // Forgets what is gone and decides for what is there; true when Sighting is to be probed.
    bool Consider(const TPortSighting& Sighting);

    std::string FLastPort;
    std::map<std::string, Known> FKnown;  // by path: what the last look saw
    Clock::time_point FNextLook{};
};

}  // namespace trimora

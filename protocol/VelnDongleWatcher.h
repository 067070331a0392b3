#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/DongleWatchPlan.h"
#include "protocol/ProtocolEvents.h"
#include "runtime/TComponent.h"

namespace trimora {

class TVelnWirelessProtocol;
class TThreadedTimer;
class TDeviceNodeEvents;

// Looks for the dongle while the protocol is not connected: the port where it was last found
// as soon as that path exists again, and every serial port that appears on the machine, each
// once (see TDongleWatchPlan). It looks once a second on the GUI thread, and at once when a node
// appears in /dev or in the folder of that path; it does nothing in between. When a probe finds the
// dongle it closes registration and removes every console, as the start-up search does, and raises
// OnFound; the owner then opens registration. It uses only the protocol's public operations, and
// shows no progress window.
class TVelnDongleWatcher : public TComponent {
  public:
    TVelnDongleWatcher(TComponent* AOwner, TVelnWirelessProtocol& Protocol);
    ~TVelnDongleWatcher() override;

    // Starts looking, unless it is looking already. LastPort (may be empty) is where the dongle
    // was last found, or the port the user named. The ports present now count as searched.
    void Watch(const std::string& LastPort);
    // Stops looking; a probe under way finishes.
    void Stop();
    bool Watching() const { return FWatching; }
    // A probe of this component runs: the protocol's events meanwhile are its own doing.
    bool Probing() const { return FProbing; }
    const std::string& LastPort() const { return FPlan.LastPort(); }

    // One look at the machine when one is due, and the probes it asks for. The timer calls it;
    // tests call it with their own clock.
    void Poll();
    // A look now, due or not (a device node appeared).
    void LookNow();

    // Seams. The machine's serial ports (default: the kernel's list, read without message
    // boxes); a look at one node (default: stat and access); the clock.
    std::function<std::vector<std::string>()> PortLister;
    std::function<std::optional<TPortSighting>(const std::string&)> Sight;
    std::function<TDongleWatchPlan::Clock::time_point()> Now;
    // Folders whose new entries bring the next look forward; none: the periodic look only.
    std::vector<std::string> NodeFolders = {"/dev", "/dev/serial/by-id"};
    // Pauses between the dongle's registration commands after a find, in ms.
    std::int32_t RegistrationDelay = 300;

    // Events, on the GUI thread.
    std::function<void(const std::string& Port)> OnProbe;  // a probe begins
    TVelnProcedureEvent OnFound;                           // the dongle answered; consoles removed

    // The default sighting: identity from the device node (link followed), and whether this
    // process may open it for reading and writing.
    static std::optional<TPortSighting> SightNode(const std::string& Path);

  private:
    std::vector<TPortSighting> SightPorts();
    std::optional<TPortSighting> SightLast();
    bool Probe(const std::string& Path);
    void Found();

    TVelnWirelessProtocol& FProtocol;
    TDongleWatchPlan FPlan;
    std::unique_ptr<TThreadedTimer> FTimer;
    std::unique_ptr<TDeviceNodeEvents> FNodeEvents;
    bool FLookNow = false;
    bool FWatching = false;
    bool FProbing = false;
    bool FPolling = false;
};

}  // namespace trimora

#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/DongleSearchPlan.h"
#include "protocol/ProtocolEvents.h"
#include "runtime/TComponent.h"

namespace trimora {

class TVelnWirelessProtocol;
class TThreadedTimer;
class TDeviceNodeEvents;

// Owns "the dongle is lost" and the search for it afterwards. Once it follows the protocol it
// takes the protocol's OnDisconnection: a loss (or a failed write's recovery that did not find
// the dongle again) starts a search at once. It looks for the port where the dongle was last
// found as soon as that path exists again, and for every serial port that appears on the
// machine, each once (see TDongleSearchPlan). It looks once a second on the GUI thread, and at
// once when a node appears in /dev or in the folder of that path; it does nothing in between.
// Every probe is the protocol's TryDongleAt; after a find the protocol removes every console,
// and OnFound tells the owner, which opens registration. It shows no progress window.
class TDongleSearch : public TComponent {
  public:
    TDongleSearch(TComponent* AOwner, TVelnWirelessProtocol& Protocol);
    ~TDongleSearch() override;

    // Follows the protocol from now on (after its start-up search, whose attempts are no loss).
    // NamedPort (may be empty) is the port the user named: the last port while the protocol is
    // not connected. Looks at once when it is not connected.
    void Follow(const std::string& NamedPort);
    // Stops looking and following; a probe under way finishes.
    void Stop();
    bool Looking() const { return FLooking; }
    // Where the dongle was last found, or the port named; empty when there is none.
    const std::string& LastPort() const { return FLastPort; }

    // One look at the machine when one is due, and the probes it asks for. The timer calls it;
    // tests call it with their own clock.
    void Poll();
    // A look now, due or not (a device node appeared).
    void LookNow();

    // Seams. The machine's serial ports (default: the kernel's list, read without message
    // boxes); a look at one node (default: SightDeviceNode); the clock.
    std::function<std::vector<std::string>()> PortLister;
    std::function<std::optional<TPortSighting>(const std::string&)> Sight;
    std::function<TDongleSearchPlan::Clock::time_point()> Now;
    // Folders whose entries coming and going bring the next look forward; none: the periodic
    // look only.
    std::vector<std::string> NodeFolders = {"/dev", "/dev/serial/by-id"};

    // Events, on the GUI thread. The owner only listens: the search decides.
    TVelnProcedureEvent OnLost;                              // the dongle went; looking now
    std::function<void(const std::string& Port)> OnProbing;  // a probe begins
    std::function<void(const std::string& Port)> OnFailed;   // no dongle answered there
    TVelnProcedureEvent OnFound;  // the dongle answered; consoles removed

  private:
    void Lost();
    void StartLooking(const std::optional<TPortSighting>& LostDevice);
    void StopLooking();
    std::vector<TPortSighting> SightPorts();
    std::optional<TPortSighting> SightLast();
    bool Probe(const std::string& Path);
    void Found();
    void NodeGone(const std::string& Path);

    TVelnWirelessProtocol& FProtocol;
    TDongleSearchPlan FPlan;
    std::unique_ptr<TThreadedTimer> FTimer;
    std::unique_ptr<TDeviceNodeEvents> FNodeEvents;
    std::string FLastPort;
    // The dongle's node where it was found: told apart from a node that replaces it.
    std::optional<TPortSighting> FDongleNode;
    bool FFollowing = false;
    bool FLookNow = false;
    bool FLooking = false;
    bool FProbing = false;
    bool FPolling = false;
};

}  // namespace trimora

#include "protocol/DongleSearch.h"

#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "runtime/HandlerGuards.h"
#include "runtime/UiHooks.h"
#include "serial/ComPort.h"
#include "serial/DeviceNodeEvents.h"
#include "serial/PortList.h"
#include "support/ThdTimer.h"

namespace trimora {

namespace {

// The kernel's list, looked at every second: a failure to read it is not worth a message box
// each time; the next look tries again.
std::vector<std::string> QuietPortList() {
    TUiHooks quiet;
    quiet.SetMessageBoxHook([](const std::string&, TMsgDlgType) {});
    return ListSerialPorts(MachinePortList(), quiet);
}

}  // namespace

TDongleSearch::TDongleSearch(TComponent* AOwner, TVelnWirelessProtocol& Protocol)
    : TComponent(AOwner), FProtocol(Protocol) {
    PortLister = QuietPortList;
    Sight = SightDeviceNode;
    Now = [] { return TDongleSearchPlan::Clock::now(); };
    FTimer = std::make_unique<TThreadedTimer>(nullptr);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(static_cast<std::uint32_t>(TDongleSearchPlan::kLookInterval.count()));
    FTimer->OnTimer = [this](TObject*) { Poll(); };
    FNodeEvents = std::make_unique<TDeviceNodeEvents>(
        [this] { LookNow(); }, [this](const std::string& Path) { NodeGone(Path); });
}

TDongleSearch::~TDongleSearch() {
    Destroying();
    Stop();
    // A tick may be waiting to run Poll: the timer goes while everything is intact.
    FTimer.reset();
    FNodeEvents.reset();
}

void TDongleSearch::Follow(const std::string& NamedPort) {
    FFollowing = true;
    FProtocol.OnDisconnection = [this] { Lost(); };
    if (FProtocol.Connected()) {
        FLastPort = FProtocol.Port() != nullptr ? FProtocol.Port()->Port() : NamedPort;
        FDongleNode = Sight(FLastPort);
        return;
    }
    FLastPort = NamedPort;
    FDongleNode.reset();
    StartLooking(std::nullopt);
}

void TDongleSearch::Stop() {
    StopLooking();
    if (!FFollowing) return;
    FFollowing = false;
    FProtocol.OnDisconnection = nullptr;
}

void TDongleSearch::Lost() {
    // A probe of the search's own that lost its device fails by itself; a search under way
    // goes on.
    if (!FFollowing || FProbing || FLooking) return;
    RaiseEvent(OnLost);
    if (FFollowing) StartLooking(FDongleNode);
}

void TDongleSearch::StartLooking(const std::optional<TPortSighting>& LostDevice) {
    FLooking = true;
    FPlan.Begin(Now(), FLastPort, SightPorts(), SightLast(), LostDevice);
    FLastPort = FPlan.LastPort();
    std::vector<std::string> folders = NodeFolders;
    const std::size_t slash = FLastPort.rfind('/');
    if (slash != std::string::npos && slash > 0) folders.push_back(FLastPort.substr(0, slash));
    FNodeEvents->Follow(folders);
    FTimer->SetEnabled(true);
}

void TDongleSearch::StopLooking() {
    FLooking = false;
    FTimer->SetEnabled(false);
    FNodeEvents->Stop();
}

std::vector<TPortSighting> TDongleSearch::SightPorts() {
    std::vector<TPortSighting> present;
    for (const std::string& path : PortLister ? PortLister() : std::vector<std::string>{})
        if (auto s = Sight(path)) present.push_back(*s);
    return present;
}

std::optional<TPortSighting> TDongleSearch::SightLast() {
    return FLastPort.empty() ? std::nullopt : Sight(FLastPort);
}

void TDongleSearch::NodeGone(const std::string& Path) {
    FPlan.Gone(Path);
    FLastPort = FPlan.LastPort();
}

void TDongleSearch::LookNow() {
    FLookNow = true;
    Poll();
}

void TDongleSearch::Poll() {
    if (!FLooking || FPolling) return;
    if (!FLookNow && !FPlan.LookDue(Now())) return;
    FLookNow = false;
    const TFlagScope polling(FPolling);

    const std::vector<std::string> probes = FPlan.Look(Now(), SightPorts(), SightLast());
    FLastPort = FPlan.LastPort();
    for (const std::string& path : probes) {
        // Stopped meanwhile (the window closes), or the program is ending.
        if (!FLooking || Application::Instance().QuitRequested()) return;
        if (Probe(path)) {
            Found();
            return;
        }
        FPlan.Failed(path);
        RaiseEvent(OnFailed, path);
    }
}

bool TDongleSearch::Probe(const std::string& Path) {
    const TFlagScope probing(FProbing);
    RaiseEvent(OnProbing, Path);
    return FProtocol.TryDongleAt(Path);
}

void TDongleSearch::Found() {
    StopLooking();
    FLastPort = FProtocol.Port() != nullptr ? FProtocol.Port()->Port() : FLastPort;
    FDongleNode = Sight(FLastPort);
    // As the start-up search does after a find: the dongle keeps no console from before.
    FProtocol.RemoveAllConsoles();
    // Lost again meanwhile: the search has begun again and says so itself.
    if (FProtocol.Connected()) RaiseEvent(OnFound);
}

}  // namespace trimora

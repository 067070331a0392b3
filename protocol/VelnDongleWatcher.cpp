#include "protocol/VelnDongleWatcher.h"

#include <sys/stat.h>
#include <unistd.h>

#include "protocol/DongleFrames.h"
#include "protocol/PumpDelay.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "runtime/SwallowedError.h"
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
    return ListSerialPorts("/sys", quiet);
}
}  // namespace

TVelnDongleWatcher::TVelnDongleWatcher(TComponent* AOwner, TVelnWirelessProtocol& Protocol)
    : TComponent(AOwner), FProtocol(Protocol) {
    PortLister = QuietPortList;
    Sight = SightNode;
    Now = [] { return TDongleWatchPlan::Clock::now(); };
    FTimer = std::make_unique<TThreadedTimer>(nullptr);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(static_cast<std::uint32_t>(TDongleWatchPlan::kLookInterval.count()));
    FTimer->OnTimer = [this](TObject*) { Poll(); };
    FNodeEvents = std::make_unique<TDeviceNodeEvents>([this] { LookNow(); });
}

TVelnDongleWatcher::~TVelnDongleWatcher() {
    Destroying();
    // A tick may be waiting to run Poll: the timer goes while everything is intact.
    FTimer.reset();
    FNodeEvents.reset();
}

std::optional<TPortSighting> TVelnDongleWatcher::SightNode(const std::string& Path) {
    struct stat st;
    if (Path.empty() || ::stat(Path.c_str(), &st) != 0) return std::nullopt;
    TPortSighting s;
    s.Path = Path;
    // A replugged device gets a new node: the creation time tells it from the old one even
    // when it has the same name and number.
    const std::uint64_t created = static_cast<std::uint64_t>(st.st_ctim.tv_sec) * 1000000000u +
                                  static_cast<std::uint64_t>(st.st_ctim.tv_nsec);
    s.Identity = (static_cast<std::uint64_t>(st.st_rdev) * 1000003u) ^
                 (static_cast<std::uint64_t>(st.st_ino) * 7919u) ^ created;
    if (s.Identity == 0) s.Identity = 1;
    s.Accessible = ::access(Path.c_str(), R_OK | W_OK) == 0;
    return s;
}

std::vector<TPortSighting> TVelnDongleWatcher::SightPorts() {
    std::vector<TPortSighting> present;
    for (const std::string& path : PortLister ? PortLister() : std::vector<std::string>{})
        if (auto s = Sight(path)) present.push_back(*s);
    return present;
}

std::optional<TPortSighting> TVelnDongleWatcher::SightLast() {
    return FPlan.LastPort().empty() ? std::nullopt : Sight(FPlan.LastPort());
}

void TVelnDongleWatcher::Watch(const std::string& LastPort) {
    if (FWatching || FProbing) return;
    FWatching = true;
    const std::optional<TPortSighting> last = LastPort.empty() ? std::nullopt : Sight(LastPort);
    FPlan.Begin(Now(), LastPort, SightPorts(), last);
    std::vector<std::string> folders = NodeFolders;
    const std::size_t slash = LastPort.rfind('/');
    if (slash != std::string::npos && slash > 0) folders.push_back(LastPort.substr(0, slash));
    FNodeEvents->Follow(folders);
    FTimer->SetEnabled(true);
}

void TVelnDongleWatcher::Stop() {
    FWatching = false;
    FTimer->SetEnabled(false);
    FNodeEvents->Stop();
}

void TVelnDongleWatcher::LookNow() {
    FLookNow = true;
    Poll();
}

void TVelnDongleWatcher::Poll() {
    if (!FWatching || FPolling) return;
    if (!FLookNow && !FPlan.LookDue(Now())) return;
    FLookNow = false;
    FPolling = true;
    struct Reset {
        bool& Flag;
        ~Reset() { Flag = false; }
    } reset{FPolling};

    const std::vector<std::string> probes = FPlan.Look(Now(), SightPorts(), SightLast());
    for (const std::string& path : probes) {
        // Stopped meanwhile (the window closes), or the program is ending.
        if (!FWatching || Application::Instance().QuitRequested()) return;
        if (Probe(path)) {
            Found();
            return;
        }
        FPlan.Failed(path);
    }
}

bool TVelnDongleWatcher::Probe(const std::string& Path) {
    FProbing = true;
    struct Reset {
        bool& Flag;
        ~Reset() { Flag = false; }
    } reset{FProbing};
    if (OnProbe) OnProbe(Path);
    return FProtocol.TryDongleAt(Path);
}

void TVelnDongleWatcher::Found() {
    Stop();
    // As the start-up search does after a find: the dongle keeps no console from before.
    FProtocol.CloseRegistration();
    PumpDelay(RegistrationDelay);
    FProtocol.RemoveConsole(kAllConsoles);
    PumpDelay(RegistrationDelay);
    if (FProtocol.Connected()) RaiseEvent(OnFound);
}

}  // namespace trimora

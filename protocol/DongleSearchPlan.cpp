#include "protocol/DongleSearchPlan.h"

#include <algorithm>
#include <set>

namespace trimora {

void TDongleSearchPlan::Begin(Clock::time_point Now, const std::string& LastPort,
                              const std::vector<TPortSighting>& Present,
                              const std::optional<TPortSighting>& Last,
                              const std::optional<TPortSighting>& Lost) {
    FLastPort = LastPort;
    FLastIsPseudoTerminal = (Last && Last->PseudoTerminal) || (Lost && Lost->PseudoTerminal);
    FKnown.clear();
    for (const TPortSighting& s : Present) FKnown[s.Path] = Known{s.Identity, true};
    if (Last && (!Lost || Lost->Identity == Last->Identity))
        FKnown[Last->Path] = Known{Last->Identity, true};
    else if (Last)
        FKnown.erase(Last->Path);
    if (FLastIsPseudoTerminal && !Last) LastPortGone();
    FNextLook = Now + kLookInterval;
}

void TDongleSearchPlan::LastPortGone() {
    // Another terminal will get this number: it must not be opened and written to as a dongle.
    if (FLastIsPseudoTerminal) FLastPort.clear();
}

void TDongleSearchPlan::Gone(const std::string& Path) {
    FKnown.erase(Path);
    if (!FLastPort.empty() && Path == FLastPort) LastPortGone();
}

bool TDongleSearchPlan::Consider(const TPortSighting& Sighting) {
    // A node that may not be opened yet is neither probed nor held against it: it is looked at
    // again next time.
    if (!Sighting.Accessible) return false;
    auto it = FKnown.find(Sighting.Path);
    if (it != FKnown.end() && it->second.Identity == Sighting.Identity && it->second.Failed)
        return false;
    FKnown[Sighting.Path] = Known{Sighting.Identity, false};
    return true;
}

std::vector<std::string> TDongleSearchPlan::Look(Clock::time_point Now,
                                                 const std::vector<TPortSighting>& Present,
                                                 const std::optional<TPortSighting>& Last) {
    FNextLook = Now + kLookInterval;
    // What is gone is forgotten: when it comes back it is new.
    std::set<std::string> seen;
    for (const TPortSighting& s : Present) seen.insert(s.Path);
    if (Last) seen.insert(Last->Path);
    for (auto it = FKnown.begin(); it != FKnown.end();)
        it = seen.count(it->first) != 0 ? std::next(it) : FKnown.erase(it);
    if (Last)
        FLastIsPseudoTerminal = Last->PseudoTerminal;
    else
        LastPortGone();
    const bool lastHere = Last && !FLastPort.empty();

    std::vector<std::string> probes;
    if (lastHere && Consider(*Last)) probes.push_back(Last->Path);
    for (const TPortSighting& s : Present) {
        if (std::find(probes.begin(), probes.end(), s.Path) != probes.end()) continue;
        // The last port's own device under its other name (a link and its target): its fate
        // is the last port's.
        if (lastHere && Last->Path != s.Path && s.Identity != TNodeIdentity{} &&
            s.Identity == Last->Identity)
            continue;
        if (Consider(s)) probes.push_back(s.Path);
    }
    return probes;
}

void TDongleSearchPlan::Failed(const std::string& Path) {
    auto it = FKnown.find(Path);
    if (it != FKnown.end()) it->second.Failed = true;
}

}  // namespace trimora

#include "protocol/DongleWatchPlan.h"

#include <algorithm>
#include <set>

namespace trimora {

void TDongleWatchPlan::Begin(Clock::time_point Now, const std::string& LastPort,
                             const std::vector<TPortSighting>& Present,
                             const std::optional<TPortSighting>& Last) {
    FLastPort = LastPort;
    FKnown.clear();
    for (const TPortSighting& s : Present) FKnown[s.Path] = Known{s.Identity, true};
    if (Last) FKnown[Last->Path] = Known{Last->Identity, true};
    FNextLook = Now + kLookInterval;
}

bool TDongleWatchPlan::Consider(const TPortSighting& Sighting) {
    // A node that may not be opened yet is neither probed nor held against it: it is looked at
    // again next time.
    if (!Sighting.Accessible) return false;
    auto it = FKnown.find(Sighting.Path);
    if (it != FKnown.end() && it->second.Identity == Sighting.Identity && it->second.Failed)
        return false;
    FKnown[Sighting.Path] = Known{Sighting.Identity, false};
    return true;
}

std::vector<std::string> TDongleWatchPlan::Look(Clock::time_point Now,
                                                const std::vector<TPortSighting>& Present,
                                                const std::optional<TPortSighting>& Last) {
    FNextLook = Now + kLookInterval;
    // What is gone is forgotten: when it comes back it is new.
    std::set<std::string> seen;
    for (const TPortSighting& s : Present) seen.insert(s.Path);
    if (Last) seen.insert(Last->Path);
    for (auto it = FKnown.begin(); it != FKnown.end();)
        it = seen.count(it->first) != 0 ? std::next(it) : FKnown.erase(it);

    std::vector<std::string> probes;
    if (Last && Consider(*Last)) probes.push_back(Last->Path);
    for (const TPortSighting& s : Present) {
        if (std::find(probes.begin(), probes.end(), s.Path) != probes.end()) continue;
        // The last port's own device under its other name (a link and its target): its fate
        // is the last port's.
        if (Last && Last->Path != s.Path && s.Identity != 0 && s.Identity == Last->Identity)
            continue;
        if (Consider(s)) probes.push_back(s.Path);
    }
    return probes;
}

void TDongleWatchPlan::Failed(const std::string& Path) {
    auto it = FKnown.find(Path);
    if (it != FKnown.end()) it->second.Failed = true;
}

}  // namespace trimora

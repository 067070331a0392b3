#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trimora {

// Which device a node is: its device number and its inode, as they are. A replugged USB device
// gets a new node; a pseudo-terminal's number and inode come back with the next terminal, so a
// removal is noticed by TDeviceNodeEvents rather than told from these.
struct TNodeIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool operator==(const TNodeIdentity&) const = default;
};

// One device node as a look at the machine found it.
struct TPortSighting {
    std::string Path;
    TNodeIdentity Identity;
    // The node exists but may not be opened yet (its permissions are still being set up).
    bool Accessible = true;
    // Path itself is a pseudo-terminal's slave, whose number goes to the next terminal opened.
    bool PseudoTerminal = false;
    bool operator==(const TPortSighting&) const = default;
};

// The node at Path (a link followed for its identity), or nothing when there is none.
std::optional<TPortSighting> SightDeviceNode(const std::string& Path);

// Path itself, not a link to it, is a pseudo-terminal's slave.
bool IsPseudoTerminalSlave(const std::string& Path);

}  // namespace trimora

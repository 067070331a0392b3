#pragma once

#include <string>
#include <vector>

namespace trimora {

enum class TRegistryRead { rrDone, rrNoKey, rrUnreadable };

// The data of every value of the registry key Key ("HKLM\..." or "HKCU\..."), as text, in the
// registry's order. A value whose name or data does not fit 256 characters is unreadable.
TRegistryRead ReadRegistryPortNames(const std::string& Key, std::vector<std::string>& Names);

}  // namespace trimora

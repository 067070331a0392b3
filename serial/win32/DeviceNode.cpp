#include "serial/DeviceNode.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "serial/PortList.h"
#include "serial/win32/PortName.h"
#include "serial/win32/RegistryPorts.h"

namespace trimora {

namespace {
bool SameName(const std::string& A, const std::string& B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) ==
                      std::toupper(static_cast<unsigned char>(b));
           });
}
}  // namespace

// Windows knows ports by name: a COM port is there while the registry's list of ports names it
// (an adapter pulled out leaves it), or, for a name the list does not hold, while its DOS device
// exists.
std::optional<TPortSighting> SightDeviceNode(const std::string& Path) {
    const std::string bare = BarePortName(Path);
    std::vector<std::string> listed;
    ReadRegistryPortNames(MachinePortList(), listed);
    const bool present =
        std::any_of(listed.begin(), listed.end(), [&](const auto& n) { return SameName(n, bare); });
    std::string target;
    if (!present) {
        target = PortDeviceTarget(Path);
        if (target.empty()) return std::nullopt;
    }
    TPortSighting s;
    s.Path = Path;
    s.Identity = {std::hash<std::string>{}(target), 0};
    return s;
}

bool IsPseudoTerminalSlave(const std::string& /*Path*/) {
    return false;
}

}  // namespace trimora

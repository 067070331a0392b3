#include "tools/dongle_sim/SlaveLink.h"

namespace trimora::sim {

// Windows programs open the named pipe by its name; there is no device node to link to.
bool PointLink(const std::string& LinkPath, const std::string&, std::string& Error) {
    Error = "a link to the line (" + LinkPath + ") is not supported on Windows";
    return false;
}

void RemoveLink(const std::string&, const std::string&) {}

}  // namespace trimora::sim

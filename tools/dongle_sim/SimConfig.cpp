#include "tools/dongle_sim/SimConfig.h"

#include <set>

#include "tools/dongle_sim/DeviceFrames.h"

namespace trimora::sim {

bool IsUsableConsoleId(unsigned Id) {
    // 0 is the dongle, 255 means every console, and an end byte would end the frame it travels
    // in.
    return Id != kDongleId && Id < kAllConsoles && Id != kFrameEnd;
}

std::string ValidateConfig(const SimConfig& Config) {
    std::set<unsigned> ids;
    for (const ConsoleConfig& c : Config.Consoles) {
        if (!IsUsableConsoleId(c.Id))
            return "console id " + std::to_string(c.Id) + " is not usable";
        if (!ids.insert(c.Id).second) return "console id " + std::to_string(c.Id) + " twice";
        if (c.Serial > 0xFFFFFF) return "console serial number longer than 3 bytes";
    }
    if (Config.Serial > 0xFFFFFF) return "serial number longer than 3 bytes";
    if (Config.Faults.GarbageBytes > kMaxGarbageBytes)
        return "garbage bursts are at most " + std::to_string(kMaxGarbageBytes) + " bytes";
    if (Config.MeasureIntervalMs == 0) return "measure interval must be above 0 ms";
    return {};
}

}  // namespace trimora::sim

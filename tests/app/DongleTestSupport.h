#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/HostFrames.h"
#include "tests/common/Pump.h"
#include "tools/dongle_sim/DeviceFrames.h"
#include "tools/dongle_sim/DongleSim.h"

namespace trimora::test {

// A healthy dongle on a pseudo-terminal. No console joins on its own unless given.
inline sim::SimConfig QuietDongle(std::vector<sim::ConsoleConfig> Consoles = {}) {
    sim::SimConfig config;
    config.Consoles = std::move(Consoles);
    config.ResistanceLagMs = 0;
    return config;
}

// A measure of console Id as the dongle sends it.
inline std::string MeasureFrame(std::uint8_t Id, std::uint16_t RawSpeed, std::uint8_t Keys = 0) {
    sim::MeasureData data;
    data.RawSpeed = RawSpeed;
    data.HeartRate = 120;
    data.Keys = Keys;
    return sim::MakeMeasureFrame(Id, data);
}

}  // namespace trimora::test

#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "protocol/FrameCodec.h"
#include "tests/tools/HostPort.h"
#include "tools/dongle_sim/DongleSim.h"

namespace trimora::test {

// Short delays so the tests run quickly; a healthy dongle with console 1.
inline sim::SimConfig FastConfig() {
    sim::SimConfig c;
    c.Consoles[0].JoinDelayMs = 100;
    c.MeasureIntervalMs = 20;
    c.ResistanceLagMs = 0;
    return c;
}

// A started emulator and the host's end of its line.
struct SimLine {
    explicit SimLine(sim::SimConfig Config = FastConfig()) : Sim(std::move(Config)) {
        std::string error;
        started = Sim.Start(&error);
        EXPECT_TRUE(started) << error;
        if (started) Host = std::make_unique<HostPort>(Sim.SlavePath());
        EXPECT_TRUE(Host && Host->IsOpen());
    }
    sim::DongleSim Sim;
    std::unique_ptr<HostPort> Host;
    bool started = false;
};

struct Measure {
    std::uint8_t Id;
    std::uint16_t Raw;
    std::uint8_t HeartRate, Aux, Keys;
};

inline std::optional<Measure> AsMeasure(const std::optional<std::string>& Frame) {
    if (!Frame || !IsValidFrame(*Frame) || (*Frame)[1] != 0x01 || (*Frame)[3] != 5)
        return std::nullopt;
    const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>((*Frame)[i]); };
    return Measure{b(2), static_cast<std::uint16_t>(b(4) << 8 | b(5)), b(6), b(7), b(8)};
}

inline std::string HexOf(const std::optional<std::string>& Frame) {
    return Frame ? BytesToHex(*Frame) : std::string("(nothing)");
}

}  // namespace trimora::test

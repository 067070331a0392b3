#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Form1.h"
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

// The calibration window searching for the dongle on Sim's port first.
inline std::unique_ptr<TForm1> FormOn(const sim::DongleSim& Sim) {
    const std::string port = Sim.PortPath();
    return std::make_unique<TForm1>(
        [port](TVelnWirelessProtocol& Protocol) { Protocol.SetPortDef(port); });
}

// A measure of console Id as the dongle sends it.
inline std::string MeasureFrame(std::uint8_t Id, std::uint16_t RawSpeed, std::uint8_t Keys = 0) {
    sim::MeasureData data;
    data.RawSpeed = RawSpeed;
    data.HeartRate = 120;
    data.Keys = Keys;
    return sim::MakeMeasureFrame(Id, data);
}

// The locale numbers are shown in, for one test.
struct DefaultLocale {
    QLocale saved;
    explicit DefaultLocale(const QLocale& L) { QLocale::setDefault(L); }
    ~DefaultLocale() { QLocale::setDefault(saved); }
};

}  // namespace trimora::test

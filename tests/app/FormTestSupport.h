#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/qt/QtCalibrationWindow.h"
#include "tests/app/DongleTestSupport.h"

namespace trimora::test {

// The calibration window searching for the dongle on Sim's port first.
inline std::unique_ptr<TQtCalibrationWindow> FormOn(const sim::DongleSim& Sim) {
    const std::string port = Sim.PortPath();
    return std::make_unique<TQtCalibrationWindow>(
        [port](TVelnWirelessProtocol& Protocol) { Protocol.SetPortDef(port); });
}

// The locale numbers are shown in, for one test.
struct DefaultLocale {
    QLocale saved;
    explicit DefaultLocale(const QLocale& L) { QLocale::setDefault(L); }
    ~DefaultLocale() { QLocale::setDefault(saved); }
};

}  // namespace trimora::test

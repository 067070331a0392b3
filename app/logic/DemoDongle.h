#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace trimora {

namespace sim {
class DongleSim;
}

// The built-in dongle of the demo: the emulator on a pseudo-terminal, with one console that joins
// when registration opens and rides through the three calibration points, pressing its "next
// point" key as it moves on to the next one.
class TDemoDongle {
  public:
    TDemoDongle();
    ~TDemoDongle();

    // Starts the emulator; LogPath, when not empty, receives one line per frame the program sends
    // ("milliseconds HEX"). False with Error set when it cannot start.
    bool Start(const std::string& LogPath, std::string& Error);
    // The serial port the program should open.
    std::string PortPath() const;

  private:
    std::unique_ptr<sim::DongleSim> FSim;
    std::FILE* FLog = nullptr;
};

}  // namespace trimora

#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/WirelessProtocol.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "tests/common/Pump.h"
#include "tests/common/ScratchFolder.h"
#include "tools/dongle_sim/DongleSim.h"

namespace trimora::e2e {

// The program's line on a bench: the emulated dongle on a pseudo-terminal, and the protocol
// component connected to it by its own probe, with the serial port, its event thread and the
// framer it makes. Every measure the protocol raises is recorded.
class LineBench {
  public:
    explicit LineBench(sim::SimConfig Config = {});
    ~LineBench();

    // Starts the emulator and lets the protocol find the dongle on it (TryPort); false with the
    // reason in Error.
    bool Start(std::string* Error = nullptr);

    sim::DongleSim& Sim() { return FSim; }
    // The protocol's port, once Start has made it.
    TComPort& Port() { return *FProtocol.Port(); }
    TComDataPacket& Framer() { return *FProtocol.Packet(); }
    TVelnWirelessProtocol& Protocol() { return FProtocol; }

    // Measures the protocol raised, in order: (console id, raw speed).
    struct Measure {
        std::uint8_t Id;
        std::uint16_t Speed;
        bool operator==(const Measure&) const = default;
    };
    const std::vector<Measure>& Measures() const { return FMeasures; }

    // Serves hand-overs until the emulator has stopped writing measures; true when the
    // protocol has raised one for each measure written.
    bool DrainMeasures(std::chrono::milliseconds Timeout = std::chrono::seconds(5));

  private:
    sim::DongleSim FSim;
    TVelnWirelessProtocol FProtocol{nullptr};
    std::vector<Measure> FMeasures;
};

// A directory of its own under /tmp, removed with everything in it.
class ScratchDir : public test::ScratchFolder {
  public:
    ScratchDir() : test::ScratchFolder("trimora-e2e") {}
};

// A measure frame for console Id with raw speed Speed (which must hold no 0x21 byte).
std::string MeasureFrame(std::uint8_t Id, std::uint16_t Speed);

// CPU time this process has used, all threads together.
std::chrono::microseconds ProcessCpuTime();

}  // namespace trimora::e2e

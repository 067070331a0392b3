#include "tests/e2e/LineBench.h"

#include <stdlib.h>
#include <time.h>

#include <filesystem>

#include "protocol/FrameCodec.h"
#include "runtime/Application.h"
#include "tests/serial/SerialTestSupport.h"

namespace trimora::e2e {

LineBench::LineBench(sim::SimConfig Config) : FSim(std::move(Config)) {
    FProtocol.OnMeasuresReceived = [this](TVelnWirelessConsoleMeasures& val,
                                          std::uint8_t id_console) {
        FMeasures.push_back({id_console, val.Items[id_console].Speed});
    };
    // Probes and recoveries on the bench need not wait the default 300 ms.
    FProtocol.SetDisconDelayBetweenCloseOpenPort(20);
}

LineBench::~LineBench() {
    // The port serves a hand-over in progress while it closes: close it while the handlers'
    // targets still exist, and before the emulator goes.
    FProtocol.DisableResistanceTimer();
    if (TComPort* port = FProtocol.Port()) {
        test::SilencePort(*port);
        port->ClosePort();
    }
}

bool LineBench::Start(std::string* Error) {
    if (!FSim.Start(Error)) return false;
    FProtocol.SetPortDef(FSim.PortPath());
    if (!FProtocol.TryPort()) {
        if (Error) *Error = "the protocol did not find the dongle on " + FSim.PortPath();
        return false;
    }
    // The probe's serial request is answered after TryPort returns: let that pass.
    test::PumpFor(std::chrono::milliseconds(50));
    return true;
}

bool LineBench::DrainMeasures(std::chrono::milliseconds Timeout) {
    // The emulator's count is final once it has not moved for a while; what it wrote is then
    // on the line or already received.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + Timeout;
    std::uint64_t written = FSim.Counters().MeasuresWritten;
    auto stableSince = Clock::now();
    for (;;) {
        test::PumpFor(std::chrono::milliseconds(20));
        const auto now = Clock::now();
        if (const std::uint64_t w = FSim.Counters().MeasuresWritten; w != written) {
            written = w;
            stableSince = now;
        }
        const auto stable = now - stableSince;
        if (FMeasures.size() == written && stable >= std::chrono::milliseconds(100)) return true;
        if (stable >= std::chrono::milliseconds(500) || now > deadline) return false;
    }
}

std::string MeasureFrame(std::uint8_t Id, std::uint16_t Speed) {
    std::string f = {'\x3E',
                     '\x01',
                     static_cast<char>(Id),
                     '\x05',
                     static_cast<char>(Speed >> 8),
                     static_cast<char>(Speed & 0xFF),
                     '\x78',
                     '\x00',
                     '\x00',
                     '\x00',
                     '\x21'};
    return f;
}

std::chrono::microseconds ProcessCpuTime() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_nsec / 1000);
}

}  // namespace trimora::e2e

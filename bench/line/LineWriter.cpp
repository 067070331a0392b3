#include "bench/line/LineWriter.h"

#include <stdexcept>

namespace trimora::bench {

namespace {
sim::SimConfig QuietDongle() {
    sim::SimConfig config;
    config.Consoles.clear();
    return config;
}
}  // namespace

LineWriter::LineWriter() : FSim(QuietDongle()) {
    std::string error;
    if (!FSim.Start(&error)) throw std::runtime_error("dongle emulator: " + error);
    FSlavePath = FSim.SlavePath();
}

std::int64_t LineWriter::WriteBlock(const std::string& Bytes, int TimeoutMs) {
    const auto written = FSim.WriteRaw(Bytes, std::chrono::milliseconds(TimeoutMs));
    return written ? std::int64_t(*written) : -1;
}

}  // namespace trimora::bench

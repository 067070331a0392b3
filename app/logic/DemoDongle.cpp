#include "app/logic/DemoDongle.h"

#include <cinttypes>

#include "tools/dongle_sim/DongleSim.h"

namespace trimora {

namespace {

constexpr std::uint32_t kDwellMs = 8000;
constexpr int kRounds = 40;  // 16 minutes of riding

// The rider aims at each point's target speed in turn. The resistance of the selected point
// slows the console by 1 - level/510, so the profile asks for that much more.
sim::SimConfig DemoConfig() {
    sim::SimConfig config;
    sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 500;
    console.Profile = sim::SpeedProfile::Steps(
        {20.0 / (1 - 100 / 510.0), 30.0 / (1 - 60 / 510.0), 40.0}, kDwellMs);
    for (int i = 1; i <= 3 * kRounds; ++i)
        console.Keys.push_back({static_cast<std::uint32_t>(i) * kDwellMs, sim::kKeyNextPoint});
    config.Consoles = {console};
    config.MeasureIntervalMs = 100;
    config.ResistanceLagMs = 800;
    return config;
}

}  // namespace

TDemoDongle::TDemoDongle() = default;

TDemoDongle::~TDemoDongle() {
    if (FSim) FSim->Stop();  // no more log lines after this
    if (FLog != nullptr) std::fclose(FLog);
}

bool TDemoDongle::Start(const std::string& LogPath, std::string& Error) {
    if (!LogPath.empty()) {
        FLog = std::fopen(LogPath.c_str(), "w");
        if (FLog == nullptr) {
            Error = "cannot write " + LogPath;
            return false;
        }
    }
    FSim = std::make_unique<sim::DongleSim>(DemoConfig());
    if (FLog != nullptr) {
        // Runs on the emulator's thread only, so the file has one writer.
        std::FILE* log = FLog;
        FSim->OnHostFrame = [log](const sim::HostFrame& Frame) {
            std::fprintf(log, "%" PRIu64 " %s\n", Frame.TimeNs / 1000000, Frame.Hex.c_str());
            std::fflush(log);
        };
    }
    return FSim->Start(&Error);
}

std::string TDemoDongle::PortPath() const {
    return FSim ? FSim->PortPath() : std::string();
}

}  // namespace trimora

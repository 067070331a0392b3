#include "tools/dongle_sim/DongleModel.h"

#include <algorithm>

#include "tools/dongle_sim/DeviceFrames.h"
#include "tools/dongle_sim/MonotonicClock.h"

namespace trimora::sim {

DongleModel::DongleModel(const SimConfig& Config, FrameSink Output)
    : FConfig(Config), FOutput(std::move(Output)), FVersion(Config.Version) {
    FAvoidEnd = !Config.Faults.InnerEndByte;
    FFlood = Config.Faults.Flood;
    for (const ConsoleConfig& c : Config.Consoles) FConsoles.emplace(c.Id, SimConsole(c));
}

void DongleModel::Send(std::uint8_t Command, std::uint8_t Id, std::string Data, FrameKind Kind) {
    for (char& c : Data)
        c = static_cast<char>(AvoidEndByte(static_cast<std::uint8_t>(c), FAvoidEnd));
    if (FOutput) FOutput(MakeFrame(Command, Id, Data), Kind);
}

std::string DongleModel::Serial3(std::uint32_t Serial) const {
    return Byte(static_cast<std::uint8_t>(Serial >> 16)) +
           Byte(static_cast<std::uint8_t>(Serial >> 8)) + Byte(static_cast<std::uint8_t>(Serial));
}

std::uint8_t DongleModel::JoinedCount() const {
    std::uint8_t n = 0;
    for (const auto& [id, console] : FConsoles)
        if (console.Joined()) ++n;
    return n;
}

SimConsole& DongleModel::ConsoleFor(std::uint8_t Id) {
    auto it = FConsoles.find(Id);
    if (it == FConsoles.end()) {
        ConsoleConfig c;
        c.Id = Id;
        it = FConsoles.emplace(Id, SimConsole(c)).first;
    }
    return it->second;
}

void DongleModel::HandleHostFrame(const std::string& Frame, std::uint64_t NowNs) {
    const auto command = static_cast<std::uint8_t>(Frame[1]);
    const auto id = static_cast<std::uint8_t>(Frame[2]);
    const std::string data = Frame.substr(4, static_cast<std::uint8_t>(Frame[3]));
    switch (command) {
        case cmd::kVersion:
            OnVersionRequest(id);
            break;
        case cmd::kSerial:
            OnSerialRequest(id);
            break;
        case cmd::kFirmware:
            if (id == kDongleId)
                Send(cmd::kFirmware, kDongleId,
                     Byte(FConfig.FirmwareMajor) + Byte(FConfig.FirmwareMinor), FrameKind::Reply);
            break;
        case cmd::kConsoleCount:
            Send(cmd::kConsoleCount, kDongleId, Byte(JoinedCount()), FrameKind::Reply);
            break;
        case cmd::kOpenRegistration:
        case cmd::kCloseRegistration:
            OnRegistration(command == cmd::kOpenRegistration, NowNs);
            break;
        case cmd::kRemoveConsole:
            OnRemove(id);
            break;
        case cmd::kResistance:
            OnResistances(data);
            break;
        case cmd::kMeasures:
            if (!data.empty()) SetMeasuresRunning(data[0] != 0, NowNs);
            break;
        default:
            break;  // a command this dongle does not know goes unanswered
    }
}

void DongleModel::OnVersionRequest(std::uint8_t Id) {
    if (Id == kDongleId) {
        Send(cmd::kVersion, kDongleId, Byte(FVersion), FrameKind::Reply);
        return;
    }
    auto it = FConsoles.find(Id);
    if (it != FConsoles.end() && it->second.Joined())
        Send(cmd::kVersion, Id, Byte(it->second.Config().Version), FrameKind::Reply);
}

void DongleModel::OnSerialRequest(std::uint8_t Id) {
    if (Id == kDongleId) {
        Send(cmd::kSerial, kDongleId, Serial3(FConfig.Serial), FrameKind::Reply);
        return;
    }
    auto it = FConsoles.find(Id);
    if (it != FConsoles.end() && it->second.Joined())
        Send(cmd::kSerial, Id, Serial3(it->second.Config().Serial), FrameKind::Reply);
}

void DongleModel::OnRegistration(bool Open, std::uint64_t NowNs) {
    FRegistrationOpen = Open;
    for (auto& [id, console] : FConsoles) {
        if (console.Joined()) continue;
        if (!Open)
            console.SetJoinAtNs(std::nullopt);
        else if (!console.JoinAtNs())
            console.SetJoinAtNs(NowNs + std::uint64_t{console.Config().JoinDelayMs} * kNsPerMs);
    }
    Send(cmd::kOpenRegistration, kDongleId, Byte(JoinedCount()), FrameKind::Reply);
}

void DongleModel::OnRemove(std::uint8_t Id) {
    for (auto& [id, console] : FConsoles)
        if (console.Joined() && (Id == kAllConsoles || Id == id)) Forget(console);
}

void DongleModel::OnResistances(const std::string& Levels) {
    // Data byte k is the level of console k; byte 0 stands for the dongle.
    for (std::size_t k = 1; k < Levels.size() && k < 255; ++k) {
        auto it = FConsoles.find(static_cast<std::uint8_t>(k));
        if (it != FConsoles.end())
            it->second.SetResistanceLevel(static_cast<std::uint8_t>(Levels[k]));
    }
}

void DongleModel::Join(SimConsole& Console, std::uint64_t NowNs) {
    Console.SetJoined(true);
    Send(cmd::kConsoleAdd, kDongleId, Byte(Console.Id()), FrameKind::Notification);
    if (FMeasuresRunning) Console.StartStream(NowNs);
}

void DongleModel::Forget(SimConsole& Console) {
    Console.SetJoined(false);
    // Notifications come from the dongle itself; the console's id travels in D0.
    Send(cmd::kRemoveConsole, kDongleId, Byte(Console.Id()), FrameKind::Notification);
}

void DongleModel::Tick(std::uint64_t NowNs) {
    for (auto& [id, console] : FConsoles) {
        if (!console.Joined() && FRegistrationOpen && console.JoinAtNs() &&
            *console.JoinAtNs() <= NowNs)
            Join(console, NowNs);
    }
    if (FFlood) return;
    for (auto& [id, console] : FConsoles) {
        if (console.Streaming() && console.NextMeasureNs() <= NowNs && FOutput)
            FOutput(console.TakeMeasure(NowNs, FConfig.MeasureIntervalMs, FConfig.ResistanceLagMs,
                                        FAvoidEnd),
                    FrameKind::Measure);
    }
}

std::uint64_t DongleModel::NextDueNs() const {
    std::uint64_t due = kNever;
    for (const auto& [id, console] : FConsoles) {
        if (!console.Joined() && FRegistrationOpen && console.JoinAtNs())
            due = std::min(due, *console.JoinAtNs());
        if (!FFlood && console.Streaming()) due = std::min(due, console.NextMeasureNs());
    }
    return due;
}

std::string DongleModel::NextFloodMeasure(std::uint64_t NowNs) {
    for (int tries = 0; tries < 256; ++tries) {
        ++FFloodCursor;
        auto it = FConsoles.find(FFloodCursor);
        if (it != FConsoles.end() && it->second.Streaming())
            return it->second.TakeMeasure(NowNs, FConfig.MeasureIntervalMs, FConfig.ResistanceLagMs,
                                          FAvoidEnd);
    }
    return {};
}

bool DongleModel::Streaming() const {
    for (const auto& [id, console] : FConsoles)
        if (console.Streaming()) return true;
    return false;
}

void DongleModel::Reset() {
    FRegistrationOpen = false;
    FMeasuresRunning = false;
    for (auto& [id, console] : FConsoles) console.SetJoined(false);
}

bool DongleModel::JoinConsole(std::uint8_t Id, std::uint64_t NowNs) {
    if (!IsUsableConsoleId(Id)) return false;
    SimConsole& console = ConsoleFor(Id);
    if (console.Joined()) return false;
    Join(console, NowNs);
    return true;
}

bool DongleModel::LeaveConsole(std::uint8_t Id) {
    auto it = FConsoles.find(Id);
    if (it == FConsoles.end() || !it->second.Joined()) return false;
    Forget(it->second);
    return true;
}

void DongleModel::PressKey(std::uint8_t Key, std::uint8_t Id) {
    for (auto& [id, console] : FConsoles)
        if (Id == 0 || Id == id) console.PressKey(Key);
}

void DongleModel::SetSpeed(double Kmh, std::uint8_t Id) {
    for (auto& [id, console] : FConsoles)
        if (Id == 0 || Id == id) console.SetSpeed(Kmh);
}

void DongleModel::SetProfile(const SpeedProfile& Profile, std::uint8_t Id) {
    for (auto& [id, console] : FConsoles)
        if (Id == 0 || Id == id) console.SetProfile(Profile);
}

void DongleModel::SetMeasuresRunning(bool Value, std::uint64_t NowNs) {
    FMeasuresRunning = Value;
    for (auto& [id, console] : FConsoles) {
        if (!Value)
            console.StopStream();
        else if (console.Joined() && !console.Streaming())
            // A console already streaming keeps its profile time and key script.
            console.StartStream(NowNs);
    }
}

std::vector<std::uint8_t> DongleModel::JoinedConsoles() const {
    std::vector<std::uint8_t> ids;
    for (const auto& [id, console] : FConsoles)
        if (console.Joined()) ids.push_back(id);
    return ids;
}

std::uint8_t DongleModel::ResistanceLevel(std::uint8_t Id) const {
    auto it = FConsoles.find(Id);
    return it == FConsoles.end() ? 0 : it->second.ResistanceLevel();
}

double DongleModel::ConsoleSpeedKmh(std::uint8_t Id) const {
    auto it = FConsoles.find(Id);
    return it == FConsoles.end() ? 0.0 : it->second.SpeedKmh();
}

}  // namespace trimora::sim

#include "tools/dongle_sim/DongleSim.h"

#include <algorithm>

#include "tools/dongle_sim/MonotonicClock.h"

namespace trimora::sim {

DongleSim::DongleSim(SimConfig Config)
    : FConfig(std::move(Config)),
      FModel(FConfig,
             [this](std::string Frame, FrameKind Kind) { EmitFrame(std::move(Frame), Kind); }),
      FRandom(FConfig.Seed) {}

DongleSim::~DongleSim() {
    Stop();
    // Stop asked from the thread itself leaves the join to us.
    if (FThread.joinable()) FThread.join();
    std::lock_guard lock(FMutex);
    if (FLine.IsOpen()) CloseLine();
}

bool DongleSim::Start(std::string* Error) {
    const auto fail = [Error](const std::string& Why) {
        if (Error) *Error = Why;
        return false;
    };
    std::string error = ValidateConfig(FConfig);
    if (!error.empty()) return fail(error);
    std::lock_guard lock(FMutex);
    if (FStarted) return fail("already started");
    if (!FLine.CreateWake(error) || !OpenLine(error)) return fail(error);
    const std::uint64_t now = MonotonicNs();
    if (FConfig.Faults.HangUpAfterMs > 0)
        FHangUpAtNs = now + std::uint64_t{FConfig.Faults.HangUpAfterMs} * kNsPerMs;
    if (FConfig.Faults.GarbageIntervalMs > 0)
        FNextGarbageNs = now + std::uint64_t{FConfig.Faults.GarbageIntervalMs} * kNsPerMs;
    FStarted = true;
    FLoopRunning = true;
    FThread = std::thread([this] { Loop(); });
    return true;
}

void DongleSim::Stop() {
    std::lock_guard stopLock(FStopMutex);
    {
        std::lock_guard lock(FMutex);
        if (!FStarted) return;
        FStopRequested = true;
        Wake();
    }
    if (std::this_thread::get_id() == FLoopThread.load()) return;
    if (FThread.joinable()) FThread.join();
    std::lock_guard lock(FMutex);
    RunTasks();
    if (FLine.IsOpen()) CloseLine();
}

std::string DongleSim::SlavePath() const {
    std::lock_guard lock(FMutex);
    return FLine.HostPath();
}

std::string DongleSim::LinkPath() const {
    std::lock_guard lock(FMutex);
    return FConfig.LinkPath;
}

std::string DongleSim::PortPath() const {
    std::lock_guard lock(FMutex);
    return FConfig.LinkPath.empty() ? FLine.HostPath() : FConfig.LinkPath;
}

bool DongleSim::Connected() const {
    std::lock_guard lock(FMutex);
    return FLine.IsOpen();
}

void DongleSim::PressKey(std::uint8_t Key, std::uint8_t ConsoleId) {
    std::lock_guard lock(FMutex);
    FModel.PressKey(Key, ConsoleId);
}

void DongleSim::SetSpeed(double Kmh, std::uint8_t ConsoleId) {
    std::lock_guard lock(FMutex);
    FModel.SetSpeed(Kmh, ConsoleId);
}

void DongleSim::SetProfile(const SpeedProfile& Profile, std::uint8_t ConsoleId) {
    std::lock_guard lock(FMutex);
    FModel.SetProfile(Profile, ConsoleId);
}

bool DongleSim::JoinConsole(std::uint8_t Id) {
    std::lock_guard lock(FMutex);
    if (!FLine.IsOpen()) return false;
    const bool joined = FModel.JoinConsole(Id, MonotonicNs());
    Flush();
    Wake();
    return joined;
}

bool DongleSim::LeaveConsole(std::uint8_t Id) {
    std::lock_guard lock(FMutex);
    const bool left = FModel.LeaveConsole(Id);
    Flush();
    Wake();
    return left;
}

std::vector<std::uint8_t> DongleSim::JoinedConsoles() const {
    std::lock_guard lock(FMutex);
    return FModel.JoinedConsoles();
}

bool DongleSim::RegistrationOpen() const {
    std::lock_guard lock(FMutex);
    return FModel.RegistrationOpen();
}

bool DongleSim::MeasuresRunning() const {
    std::lock_guard lock(FMutex);
    return FModel.MeasuresRunning();
}

void DongleSim::SetMeasuresRunning(bool Value) {
    std::lock_guard lock(FMutex);
    FModel.SetMeasuresRunning(Value, MonotonicNs());
    Wake();
}

std::uint8_t DongleSim::ResistanceLevel(std::uint8_t ConsoleId) const {
    std::lock_guard lock(FMutex);
    return FModel.ResistanceLevel(ConsoleId);
}

double DongleSim::ConsoleSpeedKmh(std::uint8_t ConsoleId) const {
    std::lock_guard lock(FMutex);
    return FModel.ConsoleSpeedKmh(ConsoleId);
}

bool DongleSim::HangUp() {
    bool done = false;
    RunOnLoop([this, &done] {
        if (!FLine.IsOpen()) return;
        CloseLine();
        ++FCounters.HangUps;
        done = true;
    });
    return done;
}

bool DongleSim::Reconnect(std::string* Error) {
    return ReconnectAt(LinkPath(), Error);
}

bool DongleSim::ReconnectAt(const std::string& LinkPath, std::string* Error) {
    bool done = false;
    std::string error = "the line is up";
    RunOnLoop([this, &done, &error, &LinkPath] {
        if (FLine.IsOpen() || !FStarted || FStopRequested) return;
        if (LinkPath.empty() != FConfig.LinkPath.empty()) {
            error = "a link can only move to another link";
            return;
        }
        const std::string previous = FConfig.LinkPath;
        FConfig.LinkPath = LinkPath;
        done = OpenLine(error);
        if (!done) FConfig.LinkPath = previous;
    });
    if (!done && Error) *Error = error;
    return done;
}

void DongleSim::SetHangUpAfter(std::uint32_t Ms) {
    std::lock_guard lock(FMutex);
    FHangUpAtNs = Ms == 0 ? 0 : MonotonicNs() + std::uint64_t{Ms} * kNsPerMs;
    Wake();
}

bool DongleSim::Silent() const {
    std::lock_guard lock(FMutex);
    return FConfig.Faults.Silent;
}

void DongleSim::SetSilent(bool Value) {
    std::lock_guard lock(FMutex);
    FConfig.Faults.Silent = Value;
}

std::uint8_t DongleSim::DongleVersion() const {
    std::lock_guard lock(FMutex);
    return FModel.Version();
}

void DongleSim::SetDongleVersion(std::uint8_t Value) {
    std::lock_guard lock(FMutex);
    FModel.SetVersion(Value);
}

GarbageMode DongleSim::Garbage() const {
    std::lock_guard lock(FMutex);
    return FConfig.Faults.Garbage;
}

void DongleSim::SetGarbage(GarbageMode Mode, std::uint32_t BurstBytes, std::uint32_t IntervalMs) {
    std::lock_guard lock(FMutex);
    FConfig.Faults.Garbage = Mode;
    FConfig.Faults.GarbageBytes = std::min(BurstBytes, kMaxGarbageBytes);
    FConfig.Faults.GarbageIntervalMs = IntervalMs;
    FNextGarbageNs = IntervalMs == 0 ? 0 : MonotonicNs() + std::uint64_t{IntervalMs} * kNsPerMs;
    Wake();
}

bool DongleSim::InnerEndByte() const {
    std::lock_guard lock(FMutex);
    return FConfig.Faults.InnerEndByte;
}

void DongleSim::SetInnerEndByte(bool Value) {
    std::lock_guard lock(FMutex);
    FConfig.Faults.InnerEndByte = Value;
    FModel.SetAvoidEnd(!Value);
}

bool DongleSim::ShortFrames() const {
    std::lock_guard lock(FMutex);
    return FConfig.Faults.ShortFrames;
}

void DongleSim::SetShortFrames(bool Value) {
    std::lock_guard lock(FMutex);
    FConfig.Faults.ShortFrames = Value;
}

bool DongleSim::Flood() const {
    std::lock_guard lock(FMutex);
    return FModel.Flood();
}

void DongleSim::SetFlood(bool Value) {
    std::lock_guard lock(FMutex);
    FConfig.Faults.Flood = Value;
    FModel.SetFlood(Value);
    Wake();
}

std::uint32_t DongleSim::ReplyDelayMs() const {
    std::lock_guard lock(FMutex);
    return FConfig.ReplyDelayMs;
}

void DongleSim::SetReplyDelayMs(std::uint32_t Value) {
    std::lock_guard lock(FMutex);
    FConfig.ReplyDelayMs = Value;
}

std::optional<std::uint64_t> DongleSim::WriteRaw(const std::string& Bytes,
                                                 std::chrono::milliseconds Timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    std::unique_lock lock(FMutex);
    if (!FLine.IsOpen()) return std::nullopt;
    if (Bytes.empty()) return MonotonicNs();
    const std::uint64_t tag = FNextRawTag++;
    FRawResults[tag] = {};
    FOutput.Push(Bytes, OutputQueue::Kind::Raw, tag);
    Flush();
    if (!FRawResults[tag].Done) {
        Wake();  // the thread then waits for room on the line
        FChanged.wait_until(lock, deadline, [&] { return FRawResults[tag].Done; });
    }
    const RawResult result = FRawResults[tag];
    FRawResults.erase(tag);
    return result.Done ? result.TimeNs : std::nullopt;
}

SimCounters DongleSim::Counters() const {
    std::lock_guard lock(FMutex);
    return FCounters;
}

}  // namespace trimora::sim

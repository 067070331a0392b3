// The emulator's own thread: it waits on the line and its wake-up, reads and answers
// what the host writes, and sends what falls due.
#include <algorithm>

#include "protocol/FrameCodec.h"
#include "tools/dongle_sim/DeviceFrames.h"
#include "tools/dongle_sim/DongleSim.h"
#include "tools/dongle_sim/MonotonicClock.h"
#include "tools/dongle_sim/SlaveLink.h"

namespace trimora::sim {

void DongleSim::Loop() {
    FLoopThread.store(std::this_thread::get_id());
    std::unique_lock lock(FMutex);
    while (!FStopRequested) {
        RunTasks();
        ServeTimers(MonotonicNs());
        Flush();

        // Flooding refills the queue whenever the line has room again.
        const bool flooding = FModel.Flood() && FModel.Streaming() && !FConfig.Faults.Silent;
        const bool wantOutput = FLine.IsOpen() && (!FOutput.Empty() || flooding);
        const std::uint64_t deadline = NextDeadlineNs();
        std::optional<std::uint64_t> timeout;
        if (deadline != DongleModel::kNever) {
            const std::uint64_t now = MonotonicNs();
            timeout = deadline > now ? deadline - now : 0;
        }

        // Only this thread opens or closes the line, so it stays valid across the wait.
        lock.unlock();
        const SimLine::Readiness ready = FLine.Wait(wantOutput, timeout);
        lock.lock();

        std::vector<HostFrame> received;
        if (ready.Input && FLine.IsOpen() && !ReadHost(received)) {
            // The master reports the slave gone for good: behave as if unplugged.
            CloseLine();
            ++FCounters.HangUps;
        }
        if (!received.empty() && OnHostFrame) {
            lock.unlock();
            for (const HostFrame& f : received) OnHostFrame(f);
            lock.lock();
        }
    }
    RunTasks();
    FLoopRunning = false;
    FChanged.notify_all();
}

void DongleSim::RunTasks() {
    if (FTasks.empty()) return;
    while (!FTasks.empty()) {
        const std::function<void()> task = std::move(FTasks.front());
        FTasks.pop_front();
        task();
        ++FTasksDone;
    }
    FChanged.notify_all();
}

void DongleSim::RunOnLoop(const std::function<void()>& Task) {
    std::unique_lock lock(FMutex);
    if (!FLoopRunning || FStopRequested || std::this_thread::get_id() == FLoopThread.load()) {
        Task();
        return;
    }
    FTasks.push_back(Task);
    const std::uint64_t ticket = ++FTasksQueued;
    Wake();
    FChanged.wait(lock, [&] { return FTasksDone >= ticket; });
}

void DongleSim::Wake() {
    FLine.Wake();
}

void DongleSim::EmitFrame(std::string Frame, FrameKind Kind) {
    if (FConfig.Faults.Silent || !FConfig.Replay.empty()) return;
    if (Kind == FrameKind::Reply && FConfig.ReplyDelayMs > 0) {
        FDelayed.push_back({MonotonicNs() + std::uint64_t{FConfig.ReplyDelayMs} * kNsPerMs,
                            std::move(Frame), Kind});
        return;
    }
    QueueFrame(std::move(Frame), Kind);
}

void DongleSim::QueueFrame(std::string Frame, FrameKind Kind) {
    if (!FLine.IsOpen()) return;
    // The burst that goes before the frame counts against the bound, and is only built once it
    // fits.
    if (FOutput.PendingBytes() + BurstSize() >= kMaxQueuedBytes) {
        ++FCounters.FramesDropped;
        return;
    }
    if (BurstSize() > 0) FOutput.Push(GarbageBurst(), OutputQueue::Kind::Garbage);
    if (FConfig.Faults.InnerEndByte && Frame.size() >= 2)
        Frame[Frame.size() - 2] = static_cast<char>(kFrameEnd);  // the reserved byte
    if (FConfig.Faults.ShortFrames && Frame.size() > 2) Frame.resize(Frame.size() - 2);
    FOutput.Push(std::move(Frame), Kind == FrameKind::Measure ? OutputQueue::Kind::Measure
                                                              : OutputQueue::Kind::Frame);
}

std::size_t DongleSim::BurstSize() const {
    return FConfig.Faults.Garbage == GarbageMode::None ? 0 : FConfig.Faults.GarbageBytes;
}

std::string DongleSim::GarbageBurst() {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string burst;
    while (burst.size() < FConfig.Faults.GarbageBytes) {
        const int b = byte(FRandom);
        if (FConfig.Faults.Garbage == GarbageMode::BetweenFrames &&
            (b == kFrameStart || b == kFrameEnd))
            continue;
        burst += static_cast<char>(b);
    }
    return burst;
}

void DongleSim::ServeTimers(std::uint64_t NowNs) {
    if (FHangUpAtNs != 0 && NowNs >= FHangUpAtNs) {
        FHangUpAtNs = 0;
        if (FLine.IsOpen()) {
            CloseLine();
            ++FCounters.HangUps;
        }
    }
    if (!FLine.IsOpen()) return;

    // In order of arrival, whatever delay each was given.
    std::vector<DelayedFrame> due;
    for (auto it = FDelayed.begin(); it != FDelayed.end();) {
        if (it->DueNs <= NowNs) {
            due.push_back(std::move(*it));
            it = FDelayed.erase(it);
        } else {
            ++it;
        }
    }
    for (DelayedFrame& d : due) QueueFrame(std::move(d.Frame), d.Kind);
    ServeReplay(NowNs);

    FModel.Tick(NowNs);

    const FaultConfig& faults = FConfig.Faults;
    if (faults.Garbage != GarbageMode::None && faults.GarbageIntervalMs > 0 &&
        FNextGarbageNs != 0 && NowNs >= FNextGarbageNs) {
        // A host that does not read gets no more bursts than frames.
        if (FOutput.PendingBytes() + BurstSize() < kMaxQueuedBytes)
            FOutput.Push(GarbageBurst(), OutputQueue::Kind::Garbage);
        FNextGarbageNs = NowNs + std::uint64_t{faults.GarbageIntervalMs} * kNsPerMs;
    }

    if (FModel.Flood() && !faults.Silent) {
        while (FOutput.PendingBytes() < kFloodFillBytes) {
            std::string measure = FModel.NextFloodMeasure(NowNs);
            if (measure.empty()) break;
            QueueFrame(std::move(measure), FrameKind::Measure);
        }
    }
}

void DongleSim::ServeReplay(std::uint64_t NowNs) {
    if (FReplayStartNs == 0 || FConfig.Faults.Silent) return;
    const std::vector<ReplayFrame>& frames = FConfig.Replay;
    for (; FReplayNext < frames.size(); ++FReplayNext) {
        const ReplayFrame& f = frames[FReplayNext];
        if (FReplayStartNs + f.AtMs * kNsPerMs > NowNs) break;
        const bool measure = f.Bytes.size() > 1 && f.Bytes[1] == '\x01';
        QueueFrame(f.Bytes, measure ? FrameKind::Measure : FrameKind::Reply);
    }
}

std::uint64_t DongleSim::NextDeadlineNs() const {
    std::uint64_t deadline = DongleModel::kNever;
    if (FHangUpAtNs != 0) deadline = FHangUpAtNs;
    if (!FLine.IsOpen()) return deadline;
    for (const DelayedFrame& d : FDelayed) deadline = std::min(deadline, d.DueNs);
    if (FReplayStartNs != 0 && FReplayNext < FConfig.Replay.size())
        deadline = std::min(deadline, FReplayStartNs + FConfig.Replay[FReplayNext].AtMs * kNsPerMs);
    deadline = std::min(deadline, FModel.NextDueNs());
    if (FConfig.Faults.Garbage != GarbageMode::None && FConfig.Faults.GarbageIntervalMs > 0 &&
        FNextGarbageNs != 0)
        deadline = std::min(deadline, FNextGarbageNs);
    return deadline;
}

void DongleSim::Flush() {
    if (!FLine.IsOpen() || FOutput.Empty()) return;
    std::vector<OutputQueue::Finished> done;
    const auto result = FOutput.WriteTo(FLine, done, FCounters.BytesWritten);
    if (result == OutputQueue::WriteResult::Failed) FOutput.Clear(done);
    FinishBlocks(done);
}

void DongleSim::FinishBlocks(const std::vector<OutputQueue::Finished>& Done) {
    bool rawFinished = false;
    for (const OutputQueue::Finished& f : Done) {
        const bool written = f.TimeNs != 0;
        switch (f.BlockKind) {
            case OutputQueue::Kind::Measure:
                if (written) ++FCounters.MeasuresWritten;
                [[fallthrough]];
            case OutputQueue::Kind::Frame:
                ++(written ? FCounters.FramesWritten : FCounters.FramesDropped);
                break;
            case OutputQueue::Kind::Garbage:
                if (written) FCounters.GarbageBytesWritten += f.Size;
                break;
            case OutputQueue::Kind::Raw: {
                auto it = FRawResults.find(f.Tag);
                if (it != FRawResults.end()) {
                    it->second.Done = true;
                    if (written) it->second.TimeNs = f.TimeNs;
                    rawFinished = true;
                }
                break;
            }
        }
    }
    if (rawFinished) FChanged.notify_all();
}

bool DongleSim::ReadHost(std::vector<HostFrame>& Received) {
    char buffer[4096];
    while (true) {
        std::size_t n = 0;
        const SimLine::Io io = FLine.Read(buffer, sizeof buffer, n);
        if (io == SimLine::Io::Done && n > 0) {
            FCounters.HostBytesRead += static_cast<std::uint64_t>(n);
            const std::uint64_t now = MonotonicNs();
            for (std::string& bytes : FCutter.Feed(std::string(buffer, n))) {
                const bool valid = IsValidFrame(bytes);
                HostFrame frame = FLog.Append(std::move(bytes), now);
                ++FCounters.HostFrames;
                if (valid) FModel.HandleHostFrame(frame.Bytes, now);
                if (valid && FReplayStartNs == 0 && !FConfig.Replay.empty()) FReplayStartNs = now;
                if (OnHostFrame) Received.push_back(std::move(frame));
            }
            continue;
        }
        return io != SimLine::Io::Ended;  // ended: no host side any more
    }
}

bool DongleSim::OpenLine(std::string& Error) {
    if (!FLine.Open(Error)) return false;
    if (!FConfig.LinkPath.empty() && !PointLink(FConfig.LinkPath, FLine.HostPath(), Error)) {
        FLine.Close();
        return false;
    }
    FCutter.Reset();
    return true;
}

void DongleSim::CloseLine() {
    const std::string slave = FLine.HostPath();
    FLine.Close();
    if (!FConfig.LinkPath.empty()) RemoveLink(FConfig.LinkPath, slave);
    std::vector<OutputQueue::Finished> dropped;
    FOutput.Clear(dropped);
    FinishBlocks(dropped);
    FDelayed.clear();
    FCutter.Reset();
    // An unplugged dongle loses power and with it every console it knew.
    FModel.Reset();
    FChanged.notify_all();
}

}  // namespace trimora::sim

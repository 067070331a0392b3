#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tools/dongle_sim/DongleModel.h"
#include "tools/dongle_sim/FrameCutter.h"
#include "tools/dongle_sim/HostFrameLog.h"
#include "tools/dongle_sim/OutputQueue.h"
#include "tools/dongle_sim/SimConfig.h"
#include "tools/dongle_sim/SimLine.h"

namespace trimora::sim {

struct SimCounters {
    std::uint64_t FramesWritten = 0;    // frames whose last byte reached the master
    std::uint64_t MeasuresWritten = 0;  // of which measure frames
    std::uint64_t FramesDropped = 0;    // never queued: the host was not reading
    std::uint64_t BytesWritten = 0;     // everything, garbage and raw blocks included
    std::uint64_t GarbageBytesWritten = 0;
    std::uint64_t HostFrames = 0;  // frames cut from what the host wrote, valid or not
    std::uint64_t HostBytesRead = 0;
    std::uint64_t HangUps = 0;
};

// The USB dongle and its wireless consoles on the dongle's end of a serial line (a
// pseudo-terminal's master, or a named pipe on Windows). The host opens SlavePath() (or the
// link) as its serial port. One thread of its own serves the line;
// every public call is thread-safe.
class DongleSim {
  public:
    explicit DongleSim(SimConfig Config = {});
    ~DongleSim();
    DongleSim(const DongleSim&) = delete;
    DongleSim& operator=(const DongleSim&) = delete;

    // Opens the pseudo-terminal (and the link) and starts serving; false with Error set when
    // the configuration or the system refuses. Once only.
    bool Start(std::string* Error = nullptr);
    // Stops serving, closes the master and removes the link. Also done by the destructor. From
    // OnHostFrame it only asks the thread to end; the destructor then finishes.
    void Stop();

    // The slave's path while the line is up, else empty.
    std::string SlavePath() const;
    std::string LinkPath() const;
    // What a host should open: the link if there is one, else the slave.
    std::string PortPath() const;
    // The line is up: started, and not hung up since.
    bool Connected() const;

    // Frames the host sent, in order.
    std::vector<HostFrame> HostFrames() const { return FLog.Snapshot(); }
    // The first host frame from sequence From on whose hex text starts with HexPrefix,
    // waiting up to Timeout for it.
    std::optional<HostFrame> WaitForHostFrame(const std::string& HexPrefix,
                                              std::chrono::milliseconds Timeout,
                                              std::uint64_t From = 0) const {
        return FLog.WaitFor(HexPrefix, Timeout, From);
    }
    // Sequence number the next host frame will get: a From that skips everything so far.
    std::uint64_t NextHostFrameSequence() const { return FLog.NextSequence(); }
    void ClearHostFrames() { FLog.Clear(); }
    // Called on the emulator's thread for each host frame, after it is logged; set it before
    // Start. It may call this object.
    std::function<void(const HostFrame&)> OnHostFrame;

    // Consoles. Id 0 addresses every console.
    void PressKey(std::uint8_t Key, std::uint8_t ConsoleId = 0);
    void SetSpeed(double Kmh, std::uint8_t ConsoleId = 0);
    void SetProfile(const SpeedProfile& Profile, std::uint8_t ConsoleId = 0);
    // A console joins now, registration open or not; false if it cannot (joined, bad id).
    bool JoinConsole(std::uint8_t Id);
    // A console leaves now (remove notification); false if it had not joined.
    bool LeaveConsole(std::uint8_t Id);
    std::vector<std::uint8_t> JoinedConsoles() const;
    bool RegistrationOpen() const;
    // Start or stop measures as the host's command does.
    bool MeasuresRunning() const;
    void SetMeasuresRunning(bool Value);
    // Last level the host sent for a console.
    std::uint8_t ResistanceLevel(std::uint8_t ConsoleId) const;
    double ConsoleSpeedKmh(std::uint8_t ConsoleId) const;

    // The line. HangUp closes the master now, as an unplugged dongle: the host's slave sees a
    // hang-up, the link goes, and the dongle forgets its consoles. Reconnect plugs it back in
    // on a fresh pseudo-terminal (a new slave path, the link re-pointed).
    bool HangUp();
    bool Reconnect(std::string* Error = nullptr);
    // Plugs back in with the link at LinkPath from now on, as a device that comes back under
    // another name; the old link stays gone.
    bool ReconnectAt(const std::string& LinkPath, std::string* Error = nullptr);
    // Hang up this long from now; 0 cancels.
    void SetHangUpAfter(std::uint32_t Ms);

    // Faults.
    bool Silent() const;
    void SetSilent(bool Value);
    std::uint8_t DongleVersion() const;
    void SetDongleVersion(std::uint8_t Value);
    GarbageMode Garbage() const;
    // BurstBytes above kMaxGarbageBytes is held to it.
    void SetGarbage(GarbageMode Mode, std::uint32_t BurstBytes = 8, std::uint32_t IntervalMs = 0);
    bool InnerEndByte() const;
    void SetInnerEndByte(bool Value);
    bool ShortFrames() const;
    void SetShortFrames(bool Value);
    bool Flood() const;
    void SetFlood(bool Value);
    std::uint32_t ReplyDelayMs() const;
    void SetReplyDelayMs(std::uint32_t Value);

    // Writes Bytes to the master as one block behind anything already queued, as fast as the
    // line takes it, and returns MonotonicNs() taken right after its last byte was written;
    // nothing if the line is down or Timeout passes first.
    std::optional<std::uint64_t> WriteRaw(
        const std::string& Bytes, std::chrono::milliseconds Timeout = std::chrono::seconds(5));

    SimCounters Counters() const;

  private:
    struct RawResult {
        bool Done = false;
        std::optional<std::uint64_t> TimeNs;  // empty: dropped with the line
    };
    struct DelayedFrame {
        std::uint64_t DueNs;
        std::string Frame;
        FrameKind Kind;
    };
    // Bound of what waits for the host before new frames are dropped.
    static constexpr std::size_t kMaxQueuedBytes = 64 * 1024;
    static constexpr std::size_t kFloodFillBytes = 4096;
    static_assert(kMaxGarbageBytes <= kMaxQueuedBytes / 2, "a burst and its frame must fit");

    // Thread side; all under FMutex unless stated.
    void Loop();
    void RunTasks();
    void RunOnLoop(const std::function<void()>& Task);
    void Wake();
    void EmitFrame(std::string Frame, FrameKind Kind);
    void QueueFrame(std::string Frame, FrameKind Kind);
    std::size_t BurstSize() const;  // garbage bytes that go before each frame; 0 when off
    std::string GarbageBurst();
    void ServeTimers(std::uint64_t NowNs);
    void ServeReplay(std::uint64_t NowNs);
    std::uint64_t NextDeadlineNs() const;
    void Flush();
    // False when the slave side is gone for good.
    bool ReadHost(std::vector<HostFrame>& Received);
    void FinishBlocks(const std::vector<OutputQueue::Finished>& Done);
    bool OpenLine(std::string& Error);
    void CloseLine();

    SimConfig FConfig;
    HostFrameLog FLog;

    mutable std::mutex FMutex;
    std::condition_variable FChanged;  // tasks run, raw blocks finished
    DongleModel FModel;
    SimLine FLine;
    FrameCutter FCutter;
    OutputQueue FOutput;
    std::deque<DelayedFrame> FDelayed;
    std::mt19937 FRandom;
    std::uint64_t FHangUpAtNs = 0;  // 0: none
    std::uint64_t FNextGarbageNs = 0;
    std::uint64_t FReplayStartNs = 0;  // 0: the host has sent nothing yet
    std::size_t FReplayNext = 0;       // the next frame of FConfig.Replay to send
    std::deque<std::function<void()>> FTasks;
    std::uint64_t FTasksQueued = 0;
    std::uint64_t FTasksDone = 0;
    std::uint64_t FNextRawTag = 1;
    std::map<std::uint64_t, RawResult> FRawResults;  // by tag, while WriteRaw waits
    bool FStarted = false;
    bool FStopRequested = false;
    bool FLoopRunning = false;
    std::mutex FStopMutex;  // one Stop at a time
    std::thread FThread;
    std::atomic<std::thread::id> FLoopThread{};

    SimCounters FCounters;
};

}  // namespace trimora::sim

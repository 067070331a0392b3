#include "tests/e2e/chaos/ChaosSoak.h"

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <thread>

namespace trimora::test {

using namespace std::chrono_literals;

namespace {

constexpr auto kResumeWithin = 10s;
// The window's shut-down, in order: measures stopped, the console it follows removed (the one
// that joined first, which a second console in range may be), registration closed, every
// console removed.
constexpr const char* kShutDownFrames[] = {"3E130001000021", "3E06", "3E0300000021",
                                           "3E06FF000021"};

sim::SimConfig StreamingDongle(const std::string& Link, std::uint32_t Seed) {
    sim::SimConfig config;
    config.LinkPath = Link;
    config.Seed = Seed;
    config.MeasureIntervalMs = 20;  // 50 measures a second, as a busy bench
    config.ResistanceLagMs = 0;
    sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 200;
    console.Profile = sim::SpeedProfile::Constant(25.0);
    config.Consoles = {console};
    return config;
}

std::string Folder(const std::string& Path) {
    ::mkdir(Path.c_str(), 0700);
    return Path;
}

double Seconds(std::chrono::steady_clock::duration D) {
    return std::chrono::duration<double>(D).count();
}

}  // namespace

ChaosSoak::ChaosSoak(ChaosSoakOptions Options)
    : FOptions(std::move(Options)),
      FRandom(FOptions.Seed),
      FLink(FOptions.Scratch + "/ttyDONGLE"),
      FOtherLink(FOptions.Scratch + "/ttyDONGLE-elsewhere"),
      FDongle(StreamingDongle(FLink, FOptions.Seed)),
      FProgram({FOptions.Program, "--port", FLink},
               {{"XDG_CONFIG_HOME", Folder(FOptions.Scratch + "/config")},
                {"XDG_RUNTIME_DIR", Folder(FOptions.Scratch + "/runtime")}},
               FOptions.Scratch, "chaos-program") {}

void ChaosSoak::Fail(const std::string& What) {
    FFailures.push_back(What);
    std::fprintf(stderr, "chaos soak: %s\n", What.c_str());
}

void ChaosSoak::Pause(int Ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
}

std::optional<ChaosSoak::Clock::duration> ChaosSoak::AwaitResume(Clock::duration Within) {
    const auto start = Clock::now();
    const auto deadline = start + Within;
    const std::uint64_t measures = FDongle.Counters().MeasuresWritten;
    // The emulator sends measures only after the program started them on this line.
    while (FDongle.Counters().MeasuresWritten < measures + 3) {
        if (Clock::now() >= deadline || !FProgram.Running()) return std::nullopt;
        Pause(20);
    }
    // And the program still answers on it (the resistance refresh comes every second).
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (!FDongle.WaitForHostFrame("3E", std::max(left, 0ms), FDongle.NextHostFrameSequence()))
        return std::nullopt;
    return Clock::now() - start;
}

void ChaosSoak::ReplugAfterAPause(const std::string& Link) {
    FDongle.HangUp();
    Pause(RandomMs(FRandom, 50, 3000));
    std::string error;
    if (!FDongle.ReconnectAt(Link, &error)) Fail("the emulator cannot plug back in: " + error);
}

void ChaosSoak::Perform(ChaosEvent Event) {
    switch (Event) {
        case ChaosEvent::ReplugSamePath:
            ReplugAfterAPause(FLink);
            break;
        case ChaosEvent::ReplugOtherPath:
            // The program cannot see it there (no such port is listed on this machine); it must
            // find it again once it is back where it was.
            ReplugAfterAPause(FOtherLink);
            Pause(RandomMs(FRandom, 500, 3000));
            ReplugAfterAPause(FLink);
            break;
        case ChaosEvent::GarbageBurst: {
            std::string bytes(static_cast<std::size_t>(RandomMs(FRandom, 1, 2048)), '\0');
            std::uniform_int_distribution<int> byte(0, 255);
            for (char& c : bytes) c = static_cast<char>(byte(FRandom));
            if (FDongle.WriteRaw(bytes)) FGarbageBytes += bytes.size();
            break;
        }
        case ChaosEvent::ConsoleSilence:
            FDongle.SetMeasuresRunning(false);
            Pause(RandomMs(FRandom, 100, 10000));
            FDongle.SetMeasuresRunning(true);
            break;
        case ChaosEvent::ConsoleRejoins:
            FDongle.LeaveConsole(1);
            Pause(RandomMs(FRandom, 50, 3000));
            FDongle.JoinConsole(1);
            break;
        case ChaosEvent::SecondConsole:
            FDongle.JoinConsole(2);
            Pause(RandomMs(FRandom, 1000, 5000));
            FDongle.LeaveConsole(2);
            break;
    }
}

void ChaosSoak::Sample() {
    const auto sample = SampleProcess(FProgram.Pid());
    if (!sample) return;
    FResident.Add(sample->ResidentKiB);
    FDescriptors.Add(static_cast<std::uint64_t>(sample->Descriptors));
    FThreads.Add(static_cast<std::uint64_t>(sample->Threads));
}

bool ChaosSoak::EndsWithShutDownFrames() {
    std::uint64_t from = FDongle.NextHostFrameSequence();
    FProgram.Signal(SIGTERM);
    FExitStatus = FProgram.Wait(30s);
    const std::uint64_t signalled = from;
    for (const char* frame : kShutDownFrames) {
        const auto seen = FDongle.WaitForHostFrame(frame, 2s, from);
        if (!seen) {
            std::string sent;
            for (const sim::HostFrame& f : FDongle.HostFrames())
                if (f.Sequence >= signalled) sent += " " + f.Hex;
            Fail("after SIGTERM no " + std::string(frame) + " in order; sent:" + sent);
            return false;
        }
        from = seen->Sequence + 1;
    }
    return true;
}

bool ChaosSoak::Run() {
    const auto started = Clock::now();
    std::string error;
    if (!FDongle.Start(&error)) {
        Fail("the emulator does not start: " + error);
        return false;
    }
    if (!FProgram.Start()) {
        Fail("the program does not start");
        return false;
    }
    // A sanitized build takes a while to show its window and find the dongle.
    if (!AwaitResume(60s)) Fail("no measures within 60 s of the start");
    Sample();

    const auto deadline = started + FOptions.Length;
    while (Clock::now() < deadline && FProgram.Running()) {
        const ChaosEvent event = PickChaosEvent(FRandom);
        ++FEvents[event];
        Perform(event);
        const auto took = AwaitResume(kResumeWithin);
        const bool replug =
            event == ChaosEvent::ReplugSamePath || event == ChaosEvent::ReplugOtherPath;
        if (replug) ++FReplugs;
        if (took) {
            FResumed += replug;
            if (replug) FLongestResume = std::max(FLongestResume, *took);
        } else if (FProgram.Running()) {
            std::ostringstream what;
            what << ChaosEventName(event) << " at "
                 << static_cast<int>(Seconds(Clock::now() - started))
                 << " s: no measures within 10 s";
            Fail(what.str());
        }
        Sample();
        Pause(RandomMs(FRandom, 500, 3000));
    }

    if (!FProgram.Running()) {
        FExitStatus = FProgram.Wait(0ms);
        Fail("the program ended by itself, status " + std::to_string(FExitStatus));
    } else {
        FShutDownFramesSeen = EndsWithShutDownFrames();
        if (FExitStatus != 0) Fail("SIGTERM: exit status " + std::to_string(FExitStatus));
        if (!FShutDownFramesSeen) Fail("SIGTERM: the shut-down frames did not reach the dongle");
    }
    FRan = Clock::now() - started;

    // Samples are taken with the dongle found and streaming, so each holds the same port.
    if (!FDescriptors.Empty() && FDescriptors.Last() > FDescriptors.First() + 2)
        Fail("descriptors grew: " + FDescriptors.Text());
    if (!FThreads.Empty() && FThreads.Last() > FThreads.First() + 2)
        Fail("threads grew: " + FThreads.Text());
    if (!FOptions.Sanitized && !FResident.Empty() && FResident.Last() > FResident.First() * 3 / 2)
        Fail("resident memory grew by half: " + FResident.Text() + " KiB");
    return FFailures.empty();
}

std::string ChaosSoak::Figures() const {
    std::ostringstream out;
    auto count = [this](ChaosEvent E) {
        const auto at = FEvents.find(E);
        return at == FEvents.end() ? 0 : at->second;
    };
    int events = 0;
    for (const auto& [event, n] : FEvents) events += n;
    out.setf(std::ios::fixed);
    out.precision(1);
    out << "chaos soak: " << Seconds(FRan) << " s, seed " << FOptions.Seed << ", " << events
        << " events; replugs " << FResumed << "/" << FReplugs << " resumed (same path "
        << count(ChaosEvent::ReplugSamePath) << ", other path "
        << count(ChaosEvent::ReplugOtherPath) << "), longest resume " << Seconds(FLongestResume)
        << " s; garbage bursts " << count(ChaosEvent::GarbageBurst) << " (" << FGarbageBytes
        << " bytes), silences " << count(ChaosEvent::ConsoleSilence) << ", rejoins "
        << count(ChaosEvent::ConsoleRejoins) << ", second console "
        << count(ChaosEvent::SecondConsole) << "; first/max/last: RSS " << FResident.Text()
        << " KiB, descriptors " << FDescriptors.Text() << ", threads " << FThreads.Text()
        << "; SIGTERM exit " << FExitStatus << ", shut-down frames "
        << (FShutDownFramesSeen ? "seen" : "missing") << (FFailures.empty() ? "; ok" : "; FAILED");
    return out.str();
}

}  // namespace trimora::test

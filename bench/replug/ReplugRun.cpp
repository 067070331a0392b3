// The dongle coming back: the protocol with its dongle search, as the window runs them, against the
// emulator on a pseudo-terminal behind a link that goes with an unplug and comes back with a
// replug. Prints one JSON line per case:
//   replug   per round: from the replug to the first measure on the GUI thread, and from the
//            replug to the search's probe (its look happens once a second); the waits the
//            probe and the start-up sequence prescribe are given so the report can take them off;
//   unplug   per round: from the unplug to the search's notice of the loss (null if it did not
//            notice before the next replug);
//   absent   CPU of this process over a wall-time window while the search waits for a dongle
//            that is not there (the emulator is not running).
//
//   trimora_bench_replug --rounds N --absent-seconds S

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "bench/line/ConsumerRecord.h"
#include "protocol/DongleSearch.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "tests/common/ScratchFolder.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace trimora;
using Clock = std::chrono::steady_clock;

namespace {

// TryPort's wait after opening and its wait for the version reply, then the pause between
// closing registration and removing the consoles.
constexpr int kPrescribedWaitsMs = 300 + 200 + 300;

double Ms(Clock::duration D) {
    return std::chrono::duration<double, std::milli>(D).count();
}

// Runs the GUI loop until something calls Terminate, or Limit passes.
void RunFor(std::chrono::milliseconds Limit) {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    // Sleeps through the window (no wake-ups of its own to count against the idle figure).
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, Limit, [&] { return done; }))
            Application::Instance().Terminate();
    });
    Application::Instance().Run();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    changed.notify_all();
    guard.join();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    double absentSeconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--absent-seconds") == 0) absentSeconds = std::atof(argv[i + 1]);
    }
    Application& app = Application::Instance();
    app.SetGuiThread(std::this_thread::get_id());

    const test::ScratchFolder folder("trimora-replug");
    const std::string link = folder.Path() + "/ttyDONGLE";

    TVelnWirelessProtocol protocol(nullptr);
    protocol.SetPortDef(link);
    protocol.PortLister = [] { return std::vector<std::string>{}; };
    TDongleSearch search(nullptr, protocol);
    search.PortLister = [] { return std::vector<std::string>{}; };

    Clock::time_point probed{}, measured{}, lost{};
    bool waitingForMeasure = false;
    search.OnLost = [&] {
        if (lost == Clock::time_point{}) lost = Clock::now();
    };
    search.OnProbing = [&](const std::string&) {
        if (probed == Clock::time_point{}) probed = Clock::now();
    };
    search.OnFound = [&] {
        protocol.SetResistanceInterval(1000);
        protocol.OpenRegistration();
    };
    protocol.OnConsoleAdd = [&](std::int32_t) { protocol.SetMeasures(true); };
    protocol.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures&, std::uint8_t) {
        if (!waitingForMeasure) return;
        waitingForMeasure = false;
        measured = Clock::now();
        app.Terminate();
    };
    // Waiting for a dongle that is not there.
    search.Follow(link);
    const std::int64_t cpuStart = bench::ProcessCpuNs();
    const auto wallStart = Clock::now();
    RunFor(std::chrono::milliseconds(static_cast<int>(absentSeconds * 1000)));
    const double wallS = Ms(Clock::now() - wallStart) / 1000.0;
    const double cpuMs = (bench::ProcessCpuNs() - cpuStart) / 1e6;
    std::printf(
        "{\"case\": \"absent\", \"wall_s\": %.3f, \"cpu_ms\": %.3f, \"core_percent\": %.5f}\n",
        wallS, cpuMs, 100.0 * cpuMs / (wallS * 1000.0));
    std::fflush(stdout);

    sim::SimConfig config;
    config.LinkPath = link;
    config.MeasureIntervalMs = 10;
    config.ResistanceLagMs = 0;
    sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 0;
    config.Consoles = {console};
    sim::DongleSim dongle(config);
    for (int round = 1; round <= rounds; ++round) {
        probed = measured = Clock::time_point{};
        waitingForMeasure = true;
        std::string error;
        const bool plugged = round == 1 ? dongle.Start(&error) : dongle.Reconnect(&error);
        if (!plugged) {
            std::fprintf(stderr, "replug: %s\n", error.c_str());
            return 1;
        }
        const auto replugged = Clock::now();
        RunFor(std::chrono::seconds(15));
        if (measured == Clock::time_point{}) {
            std::fprintf(stderr, "replug: no measure within 15 s in round %d\n", round);
            return 1;
        }
        const double total = Ms(measured - replugged);
        const double detect = Ms(probed - replugged);
        std::printf(
            "{\"case\": \"replug\", \"round\": %d, \"replug_to_measure_ms\": %.1f, "
            "\"replug_to_probe_ms\": %.1f, \"prescribed_waits_ms\": %d, "
            "\"less_waits_ms\": %.1f, \"probe_to_measure_less_waits_ms\": %.1f}\n",
            round, total, detect, kPrescribedWaitsMs, total - kPrescribedWaitsMs,
            total - detect - kPrescribedWaitsMs);
        std::fflush(stdout);
        // Unplugged again; the next round starts once the loss has been noticed. The replug
        // falls at a different moment of the search's second each round.
        lost = Clock::time_point{};
        dongle.HangUp();
        const auto unplugged = Clock::now();
        RunFor(std::chrono::milliseconds(300 + 170 * round));
        if (lost == Clock::time_point{})
            std::printf("{\"case\": \"unplug\", \"round\": %d, \"unplug_to_lost_ms\": null}\n",
                        round);
        else
            std::printf("{\"case\": \"unplug\", \"round\": %d, \"unplug_to_lost_ms\": %.1f}\n",
                        round, Ms(lost - unplugged));
        std::fflush(stdout);
    }
    dongle.Stop();
    return 0;
}

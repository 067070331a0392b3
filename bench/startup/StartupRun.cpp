// Start-up and memory of the program, measured from outside it on the X display in DISPLAY
// (scripts/bench runs this under xvfb-run), against the emulated dongle in this process.
//
//   trimora_bench_startup --program PATH --minimal PATH [--rounds N] [--stream-ms MS] --work DIR
//
// Each round launches the program with --port to the emulator's slave and takes, on
// CLOCK_MONOTONIC: the time the emulator logged the host's "open registration" frame, and the
// time the program's window was first mapped. Then, with the console joined and its measures
// streaming for --stream-ms, the program's resident memory. Then the minimal Qt Widgets program
// (one window, one label) is launched the same way and its resident memory taken once its
// window is shown. One JSON line per round.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/line/MonotonicClock.h"
#include "bench/startup/WindowMapWatch.h"
#include "tools/dongle_sim/DongleSim.h"

extern char** environ;

namespace {

using trimora::bench::MonotonicNs;

// The waits the start-up sequence prescribes before registration opens when the dongle answers
// on the first port: the pause before opening the port (300 ms), the version reply (200 ms),
// then showing the result (800), the pause after closing registration and removing consoles
// (300) and showing the result again (800).
constexpr double kPrescribedWaitsMs = 2400;

struct Options {
    std::string Program, Minimal, Work = "/tmp";
    int Rounds = 3;
    int StreamMs = 3000;
};

[[noreturn]] void Usage(const char* Why) {
    std::fprintf(stderr, "trimora_bench_startup: %s\n", Why);
    std::exit(2);
}

class Child {
  public:
    Child(std::vector<std::string> Args, const std::string& Home) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
        // The program's per-user state (remembered port, single instance) stays in the run's
        // own folder.
        env.push_back("XDG_CONFIG_HOME=" + Home);
        env.push_back("XDG_RUNTIME_DIR=" + Home);
        std::vector<char*> argv, envp;
        for (auto& a : Args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (::posix_spawn(&FPid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
            FPid = -1;
    }
    ~Child() { Stop(); }
    pid_t Pid() const { return FPid; }
    // SIGTERM closes the program's window as the operator would; it gets a while to shut down.
    void Stop() {
        if (FPid <= 0) return;
        ::kill(FPid, SIGTERM);
        for (int i = 0; i < 500; ++i) {
            if (::waitpid(FPid, nullptr, WNOHANG) == FPid) {
                FPid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, nullptr, 0);
        FPid = -1;
    }

  private:
    pid_t FPid = -1;
};

// Resident memory in KiB (VmRSS), or -1.
long ResidentKiB(pid_t Pid) {
    std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

std::string Num(double V) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", V);
    return text;
}

int Round(const Options& o, int Index) {
    const std::string home = o.Work + "/startup-home-" + std::to_string(Index);
    if (::mkdir(home.c_str(), 0700) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "trimora_bench_startup: %s: %s\n", home.c_str(), std::strerror(errno));
        return 1;
    }

    trimora::sim::DongleSim sim;  // one console joins 500 ms after registration opens
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "trimora_bench_startup: emulator: %s\n", error.c_str());
        return 1;
    }
    trimora::bench::WindowMapWatch display;
    if (!display.Connected()) Usage("no X display (DISPLAY)");

    const std::int64_t launched = MonotonicNs();
    Child program({o.Program, "--port", sim.SlavePath()}, home);
    if (program.Pid() <= 0) Usage("cannot start the program");
    const std::int64_t shown = display.WaitForMap("Trimora", 30000);
    auto registration = sim.WaitForHostFrame("3E0200000021", std::chrono::seconds(30));
    if (shown < 0 || !registration) {
        std::fprintf(stderr, "trimora_bench_startup: the program %s\n",
                     shown < 0 ? "showed no window" : "never opened registration");
        return 1;
    }
    const double toRegistrationMs = double(std::int64_t(registration->TimeNs) - launched) / 1e6;
    const double toWindowMs = double(shown - launched) / 1e6;

    // One console streaming: measures run once the program asked for them.
    auto started = sim.WaitForHostFrame("3E130001010021", std::chrono::seconds(10));
    if (!started) {
        std::fprintf(stderr, "trimora_bench_startup: the program never started measures\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(o.StreamMs));
    const long oursKiB = ResidentKiB(program.Pid());
    program.Stop();

    Child minimal({o.Minimal}, home);
    if (minimal.Pid() <= 0 || display.WaitForMap("Minimal", 30000) < 0) {
        std::fprintf(stderr, "trimora_bench_startup: the minimal Qt program showed no window\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const long minimalKiB = ResidentKiB(minimal.Pid());
    minimal.Stop();

    std::printf(
        "{\"phase\": \"startup\", \"round\": %d, \"to_registration_ms\": %s, "
        "\"prescribed_waits_ms\": %s, \"startup_ms\": %s, \"to_window_ms\": %s, "
        "\"rss_kib\": %ld, \"minimal_rss_kib\": %ld}\n",
        Index, Num(toRegistrationMs).c_str(), Num(kPrescribedWaitsMs).c_str(),
        Num(toRegistrationMs - kPrescribedWaitsMs).c_str(), Num(toWindowMs).c_str(), oursKiB,
        minimalKiB);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) Usage("option without value");
        const std::string v = argv[++i];
        if (a == "--program")
            o.Program = v;
        else if (a == "--minimal")
            o.Minimal = v;
        else if (a == "--rounds")
            o.Rounds = std::atoi(v.c_str());
        else if (a == "--stream-ms")
            o.StreamMs = std::atoi(v.c_str());
        else if (a == "--work")
            o.Work = v;
        else
            Usage(("unknown option " + a).c_str());
    }
    if (o.Program.empty() || o.Minimal.empty()) Usage("--program and --minimal are needed");
    for (int r = 1; r <= o.Rounds; ++r)
        if (int e = Round(o, r)) return e;
    return 0;
}

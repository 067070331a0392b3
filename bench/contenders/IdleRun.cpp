// Idle cost of the stack: the protocol on its port, connected to an emulated dongle that sends
// nothing, with the refresh timer running at 1000 ms. CPU of this process over a wall-time
// window, scaled to a minute; the dongle runs in a child process so its thread is not counted.
//
//   trimora_bench_idle --seconds S      prints one JSON line per case:
//     silent   the dongle never answers; each tick is handed over and finds nothing to send;
//     console  one console has joined and has a level; each tick sends the resistance frame.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/contenders/OursStack.h"
#include "bench/line/ConsumerRecord.h"
#include "bench/line/MonotonicClock.h"
#include "runtime/Application.h"
#include "tools/dongle_sim/DongleSim.h"

extern char** environ;

using namespace trimora;

namespace {

std::string ReadLine(int Fd) {
    std::string line;
    char c;
    while (::read(Fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

// Child side: the dongle on a fresh pty; prints the slave's path, then serves "join" and ends
// when its input closes.
int ServeDongle(bool Silent) {
    sim::SimConfig config;
    config.Consoles.clear();
    config.Faults.Silent = Silent;
    sim::DongleSim dongle(config);
    std::string error;
    if (!dongle.Start(&error)) {
        std::fprintf(stderr, "dongle: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", dongle.SlavePath().c_str());
    std::fflush(stdout);
    for (std::string cmd = ReadLine(STDIN_FILENO); !cmd.empty(); cmd = ReadLine(STDIN_FILENO))
        if (cmd == "join") dongle.JoinConsole(1);
    return 0;
}

class DongleProcess {
  public:
    explicit DongleProcess(bool Silent) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        char self[] = "/proc/self/exe";
        char mode[] = "--serve-dongle";
        char kind[16];
        std::snprintf(kind, sizeof kind, "%s", Silent ? "silent" : "console");
        char* argv[] = {self, mode, kind, nullptr};
        int rc = posix_spawn(&FPid, self, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        FIn = in[1];
        FOut = out[0];
        if (rc != 0) throw std::runtime_error(std::string("spawn: ") + std::strerror(rc));
        FSlave = ReadLine(FOut);
        if (FSlave.empty()) throw std::runtime_error("the dongle did not start");
    }
    ~DongleProcess() {
        ::close(FIn);  // the child ends when its input closes
        ::waitpid(FPid, nullptr, 0);
        ::close(FOut);
    }
    const std::string& Slave() const { return FSlave; }
    void Join() { (void)!::write(FIn, "join\n", 5); }

  private:
    pid_t FPid = -1;
    int FIn = -1, FOut = -1;
    std::string FSlave;
};

void RunCase(const char* Name, bool Silent, double Seconds) {
    Application& app = Application::Instance();
    DongleProcess dongle(Silent);
    bench::OursStack stack(dongle.Slave());
    TVelnWirelessProtocol& protocol = stack.Protocol();
    if (!Silent) {
        dongle.Join();
        app.PumpUntil([&] { return protocol.ConsoleCount() > 0; }, std::chrono::seconds(10));
        protocol.SetConsoleResistance(1, 100, 0, 0);
    }
    std::uint64_t ticks = 0;
    protocol.OnBeforeSendResistance = [&] { ++ticks; };
    protocol.SetResistanceInterval(1000);
    protocol.EnableResistanceTimer();

    // The window closes from a thread that sleeps through it, so the loop itself never polls.
    const std::int64_t wallStart = bench::MonotonicNs();
    const std::int64_t cpuStart = bench::ProcessCpuNs();
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(Seconds));
        app.Terminate();
    });
    app.Run();
    const std::int64_t cpu = bench::ProcessCpuNs() - cpuStart;
    const std::int64_t wall = bench::MonotonicNs() - wallStart;
    closer.join();
    const double perMin = double(cpu) / 1e6 * 60e9 / double(wall);
    std::printf(
        "{\"contender\": \"ours\", \"case\": \"%s\", \"connected\": %s, \"wall_s\": %.3f, "
        "\"cpu_ms\": %.3f, \"cpu_ms_per_min\": %.3f, \"core_percent\": %.4f, \"ticks\": %llu, "
        "\"frames_sent\": %llu}\n",
        Name, protocol.Connected() ? "true" : "false", double(wall) / 1e9, double(cpu) / 1e6,
        perMin, 100.0 * double(cpu) / double(wall), (unsigned long long)ticks,
        (unsigned long long)(Silent || protocol.Resistances().empty() ? 0 : ticks));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--serve-dongle") == 0)
        return ServeDongle(std::strcmp(argv[2], "silent") == 0);
    if (argc != 3 || std::strcmp(argv[1], "--seconds") != 0) {
        std::fprintf(stderr, "usage: %s --seconds S\n", argv[0]);
        return 2;
    }
    const double seconds = std::stod(argv[2]);
    signal(SIGPIPE, SIG_IGN);
    try {
        RunCase("silent", true, seconds);
        RunCase("console", false, seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "idle: %s\n", e.what());
        return 1;
    }
    return 0;
}

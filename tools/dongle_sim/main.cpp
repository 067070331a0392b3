// trimora-dongle-sim: the dongle emulator as a program, driven by its options and by commands on
// standard input, so that a test in another process, a script or a person can use it.
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "tools/dongle_sim/CommandLine.h"
#include "tools/dongle_sim/ConsoleCommands.h"
#include "tools/dongle_sim/DongleSim.h"
#include "tools/dongle_sim/TraceReplay.h"

using namespace trimora::sim;

namespace {

// Whole lines to standard output, flushed at once; the emulator's thread echoes through it too.
class LinePrinter {
  public:
    void Print(const std::string& Line) {
        std::lock_guard lock(FMutex);
        std::fwrite(Line.data(), 1, Line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    std::mutex& Mutex() { return FMutex; }

  private:
    std::mutex FMutex;
};

// Reads standard input and signals until quit, the end of input (unless Stay) or a signal.
void ServeCommands(DongleSim& Sim, LinePrinter& Printer, bool Stay, int SignalFd) {
    std::string pending;
    bool inputOpen = true;
    while (true) {
        pollfd fds[2] = {{SignalFd, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents & POLLIN) return;
        if (!(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (!Stay) return;
            inputOpen = false;
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            const CommandResult result = ExecuteCommand(Sim, line);
            if (!result.Reply.empty()) Printer.Print(result.Reply);
            if (result.Quit) return;
        }
        if (pending.size() > 4096) pending.clear();  // no line is that long
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        const std::string usage = UsageText();
        std::cerr << "trimora-dongle-sim: " << error << "\n"
                  << usage.substr(0, usage.find('\n') + 1)
                  << "Try 'trimora-dongle-sim --help' for the options and commands.\n";
        return 2;
    }
    if (options->Help) {
        std::cout << UsageText();
        return 0;
    }

    // Signals arrive through a descriptor, so every thread started below leaves them alone.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

    SimConfig config = options->Config;
    if (!options->Replay.empty() && !LoadTraceForReplay(options->Replay, config.Replay, error)) {
        std::cerr << "trimora-dongle-sim: " << error << "\n";
        return 1;
    }

    LinePrinter printer;
    DongleSim sim(config);
    if (options->Echo)
        sim.OnHostFrame = [&printer](const HostFrame& F) { printer.Print("host " + F.Hex); };
    {
        // The path is the first line, before any echo.
        std::unique_lock hold(printer.Mutex());
        if (!sim.Start(&error)) {
            hold.unlock();
            std::cerr << "trimora-dongle-sim: " << error << "\n";
            return 1;
        }
        std::printf("%s\n", sim.SlavePath().c_str());
        std::fflush(stdout);
    }
    ServeCommands(sim, printer, options->Stay, signalFd);
    sim.Stop();
    return 0;
}

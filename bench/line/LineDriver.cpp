// Runs one contender through one phase on a fresh pseudo-terminal and prints the figures as one
// JSON line. The contender is a separate process given the slave's path and a result file; it
// says "ready" on stdout once its port is open, and writes what it decoded when the end frame
// arrives (bench/line/ConsumerRecord.h).
//
//   trimora_bench_line --contender NAME --phase latency|flood|linerate --frames N
//                      [--spacing-us U] [--rate FPS] [--work DIR] [--samples FILE]
//                      [--clock monotonic|raw] -- COMMAND [ARGS...]
// --samples appends each latency sample (ns, one a line), so runs can be pooled. --clock raw
// stamps the writes on CLOCK_MONOTONIC_RAW, the clock a Windows contender reads under wine.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/line/LineWriter.h"
#include "bench/line/MeasureFrames.h"
#include "bench/line/MonotonicClock.h"

extern char** environ;

namespace trimora::bench {
namespace {

struct Options {
    std::string Contender;
    std::string Phase;
    std::uint32_t Frames = 1000;
    std::int64_t SpacingNs = 1000000;
    std::string WorkDir = "/tmp";
    std::string SamplesPath;
    bool RawClock = false;
    std::vector<std::string> Command;
};

[[noreturn]] void Usage(const char* Why) {
    std::fprintf(stderr, "trimora_bench_line: %s\n", Why);
    std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (i + 1 >= argc) Usage("option without value");
        std::string v = argv[++i];
        if (a == "--contender")
            o.Contender = v;
        else if (a == "--phase")
            o.Phase = v;
        else if (a == "--frames")
            o.Frames = std::uint32_t(std::stoul(v));
        else if (a == "--spacing-us")
            o.SpacingNs = std::int64_t(std::stod(v) * 1000);
        else if (a == "--rate")
            o.SpacingNs = std::int64_t(std::llround(1e9 / std::stod(v)));
        else if (a == "--work")
            o.WorkDir = v;
        else if (a == "--samples")
            o.SamplesPath = v;
        else if (a == "--clock" && (v == "monotonic" || v == "raw"))
            o.RawClock = v == "raw";
        else
            Usage(("unknown option " + a).c_str());
    }
    for (; i < argc; ++i) o.Command.push_back(argv[i]);
    if (o.Contender.empty() || o.Command.empty()) Usage("need --contender and a command");
    if (o.Phase != "latency" && o.Phase != "flood" && o.Phase != "linerate") Usage("bad --phase");
    if (o.Frames == 0 || o.Frames >= kMaxSequence) Usage("bad --frames");
    return o;
}

class Child {
  public:
    Child(std::vector<std::string> Argv) {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        std::vector<char*> args;
        for (auto& a : Argv) args.push_back(a.data());
        args.push_back(nullptr);
        int rc = posix_spawnp(&FPid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        FOut = pipeFds[0];
        if (rc != 0) {
            ::close(FOut);
            throw std::runtime_error("cannot start " + Argv[0] + ": " + std::strerror(rc));
        }
    }
    ~Child() {
        if (FPid > 0 && !FReaped) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
        if (FOut >= 0) ::close(FOut);
    }

    // Waits for the "ready" line; false if the child ended or stayed silent.
    bool WaitReady(int TimeoutMs) {
        std::string got;
        const std::int64_t deadline = MonotonicNs() + std::int64_t(TimeoutMs) * 1000000;
        // A Windows contender's stdout ends its lines with "\r\n".
        while (got.find("ready\n") == std::string::npos &&
               got.find("ready\r\n") == std::string::npos) {
            int left = int((deadline - MonotonicNs()) / 1000000);
            if (left <= 0) return false;
            pollfd pfd{FOut, POLLIN, 0};
            if (::poll(&pfd, 1, left) <= 0) continue;
            char buf[256];
            ssize_t n = ::read(FOut, buf, sizeof buf);
            if (n <= 0) return false;
            got.append(buf, std::size_t(n));
        }
        return true;
    }
    // Non-blocking: true once the child has ended; its exit status is then in Status().
    bool Exited() {
        if (FReaped) return true;
        int status = 0;
        if (::waitpid(FPid, &status, WNOHANG) == FPid) {
            FReaped = true;
            FStatus = status;
        }
        return FReaped;
    }
    int Status() const { return FStatus; }

  private:
    pid_t FPid = -1;
    int FOut = -1;
    bool FReaped = false;
    int FStatus = 0;
};

// CLOCK_MONOTONIC_RAW in ns: under wine a Windows program's monotonic clock
// (QueryPerformanceCounter) is this one, not CLOCK_MONOTONIC, which NTP may slew.
std::int64_t RawMonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void SleepUntil(std::int64_t Ns) {
    timespec ts{time_t(Ns / 1000000000), long(Ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

struct Decoded {
    std::uint64_t Frames = 0;
    std::int64_t CpuNs = 0, WallNs = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> Entries;  // sequence, time
};

Decoded ReadResult(const std::string& Path) {
    std::ifstream in(Path);
    Decoded d;
    std::string w1, w2, w3;
    if (!(in >> w1 >> d.Frames >> w2 >> d.CpuNs >> w3 >> d.WallNs) || w1 != "frames")
        throw std::runtime_error("no result in " + Path);
    d.Entries.reserve(d.Frames);
    std::int64_t s, t;
    while (in >> s >> t) d.Entries.emplace_back(s, t);
    return d;
}

double Percentile(std::vector<std::int64_t>& Sorted, double P) {
    if (Sorted.empty()) return NAN;
    std::size_t k = std::size_t(std::ceil(P / 100.0 * double(Sorted.size())));
    k = std::clamp<std::size_t>(k, 1, Sorted.size());
    return double(Sorted[k - 1]);
}

std::string Json(const std::vector<std::pair<std::string, std::string>>& Fields) {
    std::ostringstream o;
    o << "{";
    for (std::size_t i = 0; i < Fields.size(); ++i)
        o << (i ? ", " : "") << '"' << Fields[i].first << "\": " << Fields[i].second;
    o << "}";
    return o.str();
}
std::string Str(const std::string& S) {
    return '"' + S + '"';
}
std::string Num(double V) {
    if (!std::isfinite(V)) return "null";
    std::ostringstream o;
    o.precision(10);
    o << V;
    return o.str();
}

int Run(const Options& o) {
    LineWriter writer;
    std::string resultPath = o.WorkDir + "/" + o.Contender + "-" + o.Phase + ".result";
    ::unlink(resultPath.c_str());
    std::vector<std::string> argv = o.Command;
    argv.push_back(writer.SlavePath());
    argv.push_back(resultPath);
    Child child(argv);
    if (!child.WaitReady(30000)) {
        std::fprintf(stderr, "%s: never became ready\n", o.Contender.c_str());
        return 1;
    }
    // Let whatever the contender does after opening (probes, first reads) settle.
    SleepUntil(MonotonicNs() + 200000000);

    const int kWriteTimeoutMs = 20000;
    std::vector<std::int64_t> written(o.Frames, 0);
    std::int64_t firstWriteNs = 0, lastWriteNs = 0;
    bool stalled = false;
    if (o.Phase == "flood") {
        std::string block;
        block.reserve(std::size_t(o.Frames) * kMeasureFrameSize);
        for (std::uint32_t i = 0; i < o.Frames; ++i) block += MeasureFrame(kDataConsole, i);
        firstWriteNs = MonotonicNs();
        lastWriteNs = writer.WriteBlock(block, kWriteTimeoutMs);
        stalled = lastWriteNs < 0;
    } else {
        const std::int64_t start = MonotonicNs() + o.SpacingNs;
        for (std::uint32_t i = 0; i < o.Frames && !stalled; ++i) {
            SleepUntil(start + std::int64_t(i) * o.SpacingNs);
            written[i] = writer.WriteBlock(MeasureFrame(kDataConsole, i), kWriteTimeoutMs);
            stalled = written[i] < 0;
            if (o.RawClock && !stalled) written[i] += RawMonotonicNs() - MonotonicNs();
        }
        firstWriteNs = written[0];
        lastWriteNs = written[o.Frames - 1];
    }
    // The end frame goes out until the contender has quit, so a lost one cannot hang the run.
    const std::int64_t giveUp = MonotonicNs() + 60000000000LL;
    const std::string endFrame = MeasureFrame(kEndConsole, 0);
    while (!child.Exited() && MonotonicNs() < giveUp) {
        writer.WriteBlock(endFrame, 100);
        SleepUntil(MonotonicNs() + 50000000);
    }
    if (!child.Exited()) {
        std::fprintf(stderr, "%s: did not finish\n", o.Contender.c_str());
        return 1;
    }
    if (!WIFEXITED(child.Status()) || WEXITSTATUS(child.Status()) != 0) {
        std::fprintf(stderr, "%s: ended with status %d\n", o.Contender.c_str(), child.Status());
        return 1;
    }
    Decoded d = ReadResult(resultPath);
    ::unlink(resultPath.c_str());

    // Each frame counts once; values that match no written frame are corrupt.
    std::vector<std::int64_t> decodedAt(o.Frames, -1);
    std::uint64_t unique = 0, duplicates = 0, corrupt = 0;
    std::int64_t lastDecodeNs = 0;
    for (auto [seq, t] : d.Entries) {
        if (seq < 0 || seq >= std::int64_t(o.Frames)) {
            ++corrupt;
            continue;
        }
        if (decodedAt[seq] >= 0) {
            ++duplicates;
            continue;
        }
        decodedAt[seq] = t;
        ++unique;
        lastDecodeNs = std::max(lastDecodeNs, t);
    }
    std::vector<std::pair<std::string, std::string>> f{
        {"contender", Str(o.Contender)},
        {"phase", Str(o.Phase)},
        {"written", Num(o.Frames)},
        {"decoded", Num(double(unique))},
        {"lost", Num(double(o.Frames - unique))},
        {"duplicates", Num(double(duplicates))},
        {"corrupt", Num(double(corrupt))},
        {"writer_stalled", stalled ? "true" : "false"}};
    if (o.Phase == "latency") {
        std::vector<std::int64_t> lat;
        for (std::uint32_t i = 0; i < o.Frames; ++i)
            if (decodedAt[i] >= 0 && written[i] > 0) lat.push_back(decodedAt[i] - written[i]);
        std::sort(lat.begin(), lat.end());
        if (!o.SamplesPath.empty()) {
            std::ofstream samples(o.SamplesPath, std::ios::app);
            for (std::int64_t v : lat) samples << v << '\n';
        }
        f.push_back({"p50_us", Num(Percentile(lat, 50) / 1000)});
        f.push_back({"p99_us", Num(Percentile(lat, 99) / 1000)});
        f.push_back({"max_us", Num(lat.empty() ? NAN : double(lat.back()) / 1000)});
        f.push_back({"min_us", Num(lat.empty() ? NAN : double(lat.front()) / 1000)});
    } else if (o.Phase == "flood") {
        const double seconds = double(lastDecodeNs - firstWriteNs) / 1e9;
        f.push_back({"seconds", Num(seconds)});
        f.push_back({"frames_per_s", Num(seconds > 0 ? double(unique) / seconds : NAN)});
        f.push_back({"writer_seconds", Num(double(lastWriteNs - firstWriteNs) / 1e9)});
        // The consumer's own CPU per frame: less disturbed by other work on the machine than
        // the wall time, so it shows where a change helps.
        f.push_back({"cpu_ns_per_frame", Num(unique > 0 ? double(d.CpuNs) / double(unique) : NAN)});
    } else {
        const double per10k = d.Frames ? double(d.CpuNs) / 1e6 * 10000.0 / double(d.Frames) : NAN;
        f.push_back({"cpu_ms", Num(double(d.CpuNs) / 1e6)});
        f.push_back({"wall_s", Num(double(d.WallNs) / 1e9)});
        f.push_back({"cpu_ms_per_10k", Num(per10k)});
        f.push_back(
            {"core_percent", Num(d.WallNs > 0 ? 100.0 * double(d.CpuNs) / double(d.WallNs) : NAN)});
        f.push_back(
            {"rate_fps", Num(d.WallNs > 0 ? double(d.Frames) * 1e9 / double(d.WallNs) : NAN)});
    }
    std::printf("%s\n", Json(f).c_str());
    // Loss, corruption and duplicates are figures (a noisy machine may provoke them); a
    // contender that decodes nothing at all is broken.
    if (unique == 0) {
        std::fprintf(stderr, "%s: decoded no frame\n", o.Contender.c_str());
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace trimora::bench

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    try {
        return trimora::bench::Run(trimora::bench::ParseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "trimora_bench_line: %s\n", e.what());
        return 1;
    }
}

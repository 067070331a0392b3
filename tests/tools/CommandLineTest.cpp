// The dongle-sim program: its options, its help, and its commands on standard input, driven
// from another process as a test or script would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/common/ProgramProcess.h"
#include "tests/common/ScratchFolder.h"
#include "tests/tools/SimTestSupport.h"
#include "tools/dongle_sim/CommandLine.h"
#include "tools/dongle_sim/ConsoleCommands.h"

extern char** environ;

using namespace trimora;
using namespace trimora::test;
using namespace std::chrono_literals;

namespace {

// dongle-sim as a child process with pipes on its standard input and output.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> Args) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        Args.insert(Args.begin(), DONGLE_SIM_PROGRAM);
        std::vector<char*> argv;
        for (std::string& a : Args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&FPid, DONGLE_SIM_PROGRAM, &actions, nullptr, argv.data(), environ) != 0)
            FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        FIn = in[1];
        FOut = out[0];
    }
    ~SimProcess() {
        CloseInput();
        if (FPid > 0 && !FExited) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
        if (FOut >= 0) ::close(FOut);
    }
    bool Started() const { return FPid > 0; }

    void Command(const std::string& Line) {
        const std::string text = Line + "\n";
        [[maybe_unused]] ssize_t n = ::write(FIn, text.data(), text.size());
    }
    // The next line it prints, or "(timeout)".
    std::string ReadLine(std::chrono::milliseconds Timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + Timeout;
        while (true) {
            const auto end = FBuffer.find('\n');
            if (end != std::string::npos) {
                std::string line = FBuffer.substr(0, end);
                FBuffer.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{FOut, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return "(timeout)";
            char chunk[512];
            const ssize_t n = ::read(FOut, chunk, sizeof chunk);
            if (n <= 0) return "(closed)";
            FBuffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    std::string Ask(const std::string& Line) {
        Command(Line);
        return ReadLine();
    }
    void CloseInput() {
        if (FIn >= 0) ::close(FIn);
        FIn = -1;
    }
    // Exit status once it has ended within Timeout, else -1.
    int WaitExit(std::chrono::milliseconds Timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + Timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(FPid, &status, WNOHANG) == FPid) {
                FExited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    pid_t Pid() const { return FPid; }

  private:
    pid_t FPid = -1;
    int FIn = -1;
    int FOut = -1;
    bool FExited = false;
    std::string FBuffer;
};

}  // namespace

TEST(CommandLine, OptionsSetTheConfiguration) {
    std::string error;
    const auto options = sim::ParseCommandLine({"--consoles",
                                                "2,5",
                                                "--join-delay=250",
                                                "--interval",
                                                "40",
                                                "--ramp",
                                                "10:35.5:3000",
                                                "--hr",
                                                "140",
                                                "--keys",
                                                "1000:4,2000:1",
                                                "--version",
                                                "0x79",
                                                "--serial",
                                                "123456",
                                                "--silent",
                                                "--garbage",
                                                "between",
                                                "--garbage-bytes",
                                                "3",
                                                "--inner-end-byte",
                                                "--short-frames",
                                                "--flood",
                                                "--hang-up-after",
                                                "900",
                                                "--link",
                                                "/tmp/x",
                                                "--echo",
                                                "--stay",
                                                "--reply-delay",
                                                "30",
                                                "--lag",
                                                "0",
                                                "--seed",
                                                "9"},
                                               error);
    ASSERT_TRUE(options) << error;
    const sim::SimConfig& c = options->Config;
    ASSERT_EQ(c.Consoles.size(), 2u);
    EXPECT_EQ(c.Consoles[0].Id, 2);
    EXPECT_EQ(c.Consoles[1].Id, 5);
    for (const auto& console : c.Consoles) {
        EXPECT_EQ(console.JoinDelayMs, 250u);
        EXPECT_EQ(console.Profile.Kind, sim::ProfileKind::Ramp);
        EXPECT_DOUBLE_EQ(console.Profile.RampToKmh, 35.5);
        EXPECT_EQ(console.HeartRate, 140);
        EXPECT_EQ(console.Keys.size(), 2u);
    }
    EXPECT_EQ(c.MeasureIntervalMs, 40u);
    EXPECT_EQ(c.Version, 0x79);
    EXPECT_EQ(c.Serial, 0x123456u);
    EXPECT_TRUE(c.Faults.Silent);
    EXPECT_EQ(c.Faults.Garbage, sim::GarbageMode::BetweenFrames);
    EXPECT_EQ(c.Faults.GarbageBytes, 3u);
    EXPECT_TRUE(c.Faults.InnerEndByte);
    EXPECT_TRUE(c.Faults.ShortFrames);
    EXPECT_TRUE(c.Faults.Flood);
    EXPECT_EQ(c.Faults.HangUpAfterMs, 900u);
    EXPECT_EQ(c.LinkPath, "/tmp/x");
    EXPECT_EQ(c.ReplyDelayMs, 30u);
    EXPECT_EQ(c.ResistanceLagMs, 0u);
    EXPECT_EQ(c.Seed, 9u);
    EXPECT_TRUE(options->Echo);
    EXPECT_TRUE(options->Stay);
}

TEST(CommandLine, BadOptionsAreRefused) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},           {"--interval"},          {"--interval", "fast"},
        {"--interval", "0"},   {"--consoles", "0"},     {"--consoles", "33"},
        {"--consoles", "255"}, {"--consoles", "1,1"},   {"--consoles", "1,"},
        {"--speed", "-3"},     {"--speed", "nan"},      {"--ramp", "10:20"},
        {"--version", "1FF"},  {"--serial", "1000000"}, {"--keys", "4"},
        {"--garbage", "lots"}, {"--hr", "256"},         {"--silent=yes"},
        {"--steps", "0"},
    };
    for (const auto& args : cases) {
        std::string error;
        EXPECT_FALSE(sim::ParseCommandLine(args, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(CommandLine, RefusesWhatItCannotMeanAndSaysWhy) {
    const struct {
        std::vector<std::string> Args;
        std::string Error;
    } cases[] = {
        {{"--consoles", ""}, "bad value for --consoles: "},
        {{"--consoles="}, "bad value for --consoles: "},
        {{"--stay=1"}, "option --stay takes no value"},
        {{"--help=x"}, "option --help takes no value"},
        {{"--garbage-bytes", "32769"}, "bad value for --garbage-bytes: 32769"},
        {{"--garbage-bytes", "300000000"}, "bad value for --garbage-bytes: 300000000"},
        {{"--link", "--echo"}, "option --link needs a value"},  // an option is not a path
        {{"--speed", "-3"}, "bad value for --speed: -3"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(sim::ParseCommandLine(c.Args, error)) << c.Args[0];
        EXPECT_EQ(error, c.Error);
    }
    std::string error;
    const auto largest = sim::ParseCommandLine({"--garbage-bytes", "32768"}, error);
    ASSERT_TRUE(largest) << error;
    EXPECT_EQ(largest->Config.Faults.GarbageBytes, sim::kMaxGarbageBytes);
}

TEST(CommandLine, ConsoleSettingsHoldWhereverTheConsolesAreNamed) {
    const std::vector<std::vector<std::string>> orders = {
        {"--speed", "40", "--hr", "90", "--consoles", "none", "--consoles", "3"},
        {"--consoles", "none", "--speed", "40", "--consoles", "3", "--hr", "90"},
        {"--consoles", "3", "--speed", "40", "--hr", "90"},
        {"--speed", "40", "--consoles", "3", "--hr", "90"},
    };
    for (const auto& args : orders) {
        std::string error;
        const auto options = sim::ParseCommandLine(args, error);
        ASSERT_TRUE(options) << error;
        ASSERT_EQ(options->Config.Consoles.size(), 1u) << args[0];
        const sim::ConsoleConfig& c = options->Config.Consoles[0];
        EXPECT_EQ(c.Id, 3);
        EXPECT_EQ(c.Serial, 0x00A003u);
        EXPECT_EQ(c.Profile.Kind, sim::ProfileKind::Constant) << args[0];
        EXPECT_EQ(c.Profile.ConstantKmh, 40.0) << args[0];
        EXPECT_EQ(c.HeartRate, 90) << args[0];
    }
    std::string error;
    EXPECT_TRUE(sim::ParseCommandLine({"--consoles", "none"}, error)->Config.Consoles.empty());
}

TEST(CommandLine, ABadCommandLineEndsWithTheUsageOnStandardError) {
    const ScratchFolder folder("dongle-sim-usage");
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},          {"--stay=1"},
        {"--consoles", ""},   {"--interval"},
        {"--link", "--echo"}, {"--garbage-bytes", "300000000"},
        {"--speed", "x"},     {"stray"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0]);
        std::vector<std::string> all = {DONGLE_SIM_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        const ProgramOutcome o = RunProgram(all, folder.Path(), 5s);
        EXPECT_EQ(o.Status, 2);
        EXPECT_EQ(o.Out, "");
        EXPECT_EQ(o.Err.rfind("trimora-dongle-sim: ", 0), 0u) << o.Err;
        EXPECT_NE(o.Err.find("\nUsage: trimora-dongle-sim [OPTION]...\n"), std::string::npos)
            << o.Err;
    }
}

TEST(CommandLine, HelpDocumentsEveryOptionAndCommand) {
    const std::string usage = sim::UsageText();
    for (const std::string& option : sim::OptionNames())
        EXPECT_NE(usage.find("  " + option + " "), std::string::npos) << option;
    for (const std::string& command : sim::CommandNames())
        EXPECT_NE(usage.find("  " + command + " "), std::string::npos) << command;

    SimProcess help({"--help"});
    ASSERT_TRUE(help.Started());
    EXPECT_EQ(help.ReadLine(), "Usage: trimora-dongle-sim [OPTION]...");
    EXPECT_EQ(help.WaitExit(), 0);
}

TEST(CommandLine, DrivenFromAnotherProcess) {
    SimProcess proc({"--consoles", "none", "--interval", "20", "--lag", "0"});
    ASSERT_TRUE(proc.Started());
    const std::string path = proc.ReadLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    HostPort host(path);
    ASSERT_TRUE(host.IsOpen());

    EXPECT_EQ(proc.Ask("join 3"), "ok");
    EXPECT_EQ(HexOf(host.ReadFrame()), "3E050001030021");
    EXPECT_EQ(proc.Ask("join 3"), "error console already joined or line down");

    host.Send("3E130001010021");
    EXPECT_EQ(proc.Ask("speed 25"), "ok");
    std::optional<Measure> m;
    for (int i = 0; i < 50 && (!m || m->Raw != sim::RawSpeedFromKmh(25, true)); ++i)
        m = AsMeasure(host.WaitFrame("3E01"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Raw, sim::RawSpeedFromKmh(25, true));
    EXPECT_EQ(proc.Ask("key 4"), "ok");
    for (int i = 0; i < 50 && m && m->Keys != 4; ++i) m = AsMeasure(host.WaitFrame("3E01"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Keys, 4);

    EXPECT_EQ(proc.Ask("leave 3"), "ok");
    EXPECT_TRUE(host.WaitFrame("3E060001030021"));
    const std::string status = proc.Ask("status");
    EXPECT_EQ(status.rfind("ok connected=1 path=" + path + " consoles= ", 0), 0u) << status;
    EXPECT_EQ(proc.Ask("frobnicate"), "error unknown command frobnicate (try help)");
    EXPECT_EQ(proc.Ask("key"), "error usage: key K [ID]");
    EXPECT_EQ(proc.Ask("garbage between 300000000"),
              "error garbage bursts are at most 32768 bytes");

    EXPECT_EQ(proc.Ask("hangup"), "ok");
    EXPECT_TRUE(host.WaitHangUp(2s));
    const std::string reconnected = proc.Ask("reconnect");
    ASSERT_EQ(reconnected.rfind("ok /dev/pts/", 0), 0u) << reconnected;
    HostPort again(reconnected.substr(3));
    ASSERT_TRUE(again.IsOpen());
    EXPECT_EQ(proc.Ask("version 77"), "ok");
    again.Send("3E0A00000021");
    EXPECT_EQ(HexOf(again.ReadFrame()), "3E0A0001770021");

    EXPECT_EQ(proc.Ask("quit"), "ok");
    EXPECT_EQ(proc.WaitExit(), 0);
}

TEST(CommandLine, LinkEchoAndEndOfInput) {
    const ScratchFolder scratch("dongle-sim-cli");
    const std::string link = scratch.Path() + "/ttyDONGLE";
    {
        SimProcess proc({"--link", link, "--echo"});
        ASSERT_TRUE(proc.Started());
        const std::string path = proc.ReadLine();
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);
        HostPort host(link);
        ASSERT_TRUE(host.IsOpen());
        host.Send("3E0A00000021");
        EXPECT_EQ(proc.ReadLine(), "host 3E0A00000021");
        proc.CloseInput();  // the end of input ends the program without --stay
        EXPECT_EQ(proc.WaitExit(), 0);
        EXPECT_TRUE(host.WaitHangUp(1s));
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(CommandLine, StayKeepsRunningUntilASignal) {
    SimProcess proc({"--stay"});
    ASSERT_TRUE(proc.Started());
    const std::string path = proc.ReadLine();
    proc.CloseInput();
    EXPECT_EQ(proc.WaitExit(300ms), -1);
    HostPort host(path);
    host.Send("3E0A00000021");
    EXPECT_EQ(HexOf(host.ReadFrame()), "3E0A0001780021");
    kill(proc.Pid(), SIGTERM);
    EXPECT_EQ(proc.WaitExit(), 0);
}

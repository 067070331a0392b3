// The program itself given what an operator might mistype: a wrong command line ends at once
// with the reason and the usage; a port that is no dongle still brings up the window, which
// then closes normally. Runs headless (offscreen).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/PseudoTerminal.h"
#include "tests/e2e/LineBench.h"

extern char** environ;

using namespace std::chrono_literals;

namespace {

struct Outcome {
    int Status = -1;  // exit status; -1: still running at the deadline (then killed)
    std::string Out, Err;
};

std::string ReadAll(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the program with Args, as Prefix's user when a prefix is given, on the offscreen
// platform, and collects its exit status and output.
Outcome RunProgram(const std::vector<std::string>& Prefix, const std::vector<std::string>& Args,
                   const std::string& Scratch, std::chrono::seconds Timeout = 20s) {
    std::vector<std::string> all = Prefix;
    all.push_back(TRIMORA_PROGRAM);
    all.insert(all.end(), Args.begin(), Args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    const std::string out = Scratch + "/out", err = Scratch + "/err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    Outcome result;
    if (spawned != 0) return result;
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    if (status != -1)
        result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.Out = ReadAll(out);
    result.Err = ReadAll(err);
    return result;
}

// Runs the program as an unprivileged user when this is root: then it cannot open devices it
// was not meant to, and its search of the machine's own ports touches none of them.
std::vector<std::string> UnprivilegedPrefix() {
    if (::geteuid() != 0) return {};
    return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

}  // namespace

TEST(ProgramFaults, AWrongCommandLineEndsAtOnceWithTheReasonAndTheUsage) {
    trimora::e2e::ScratchDir scratch;
    const std::vector<std::vector<std::string>> wrong = {
        {"--bogus"},
        {"--port"},
        {"--port="},
        {"--quit-after", "soon"},
        {"--quit-after", "nan"},
        {"--quit-after", "0x10"},
        {"--port", "--demo"},
        {"--demo", "--port", "COM1"},
        {"--screenshot", scratch.Path() + "/a.png"},
        {std::string("--\xff\xfe", 4)},
        {"--port", std::string(100000, 'a'), "--bogus"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(args.front());
        const Outcome o = RunProgram({}, args, scratch.Path(), 10s);
        EXPECT_EQ(o.Status, 2);
        EXPECT_TRUE(o.Out.empty());
        EXPECT_EQ(o.Err.rfind(std::string(TRIMORA_PROGRAM) + ": ", 0), 0u) << o.Err;
        EXPECT_NE(o.Err.find("Usage: "), std::string::npos);
    }
}

TEST(ProgramFaults, APortThatIsNoDongleStillOpensTheWindowWhichClosesNormally) {
    if (::geteuid() == 0 && ::system("command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "no setpriv to leave root with";
    trimora::e2e::ScratchDir scratch;
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0777), 0);
    const std::string regular = scratch.Path() + "/regular";
    std::ofstream(regular) << "not a serial port\n";
    ASSERT_EQ(::chmod(regular.c_str(), 0666), 0);
    trimora::test::PseudoTerminal locked;  // a device this user may not open
    ASSERT_EQ(::chmod(locked.SlavePath().c_str(), 0600), 0);
    if (::geteuid() != 0 && ::access(locked.SlavePath().c_str(), R_OK | W_OK) == 0)
        GTEST_SKIP() << "this user may open any device";

    struct Port {
        const char* What;
        std::string Path;
        bool PermissionHint;
    };
    const std::vector<Port> ports = {
        {"missing device", "/dev/ttyTRIMORA-missing", false},
        {"directory", scratch.Path(), false},
        {"regular file", regular, false},
        {"device without permission", locked.SlavePath(), true},
    };
    if (RunProgram(UnprivilegedPrefix(), {"--help"}, scratch.Path()).Status != 0)
        GTEST_SKIP() << "the program cannot run as an unprivileged user from where it is built";
    for (const Port& p : ports) {
        SCOPED_TRACE(p.What);
        const Outcome o = RunProgram(UnprivilegedPrefix(),
                                     {"--port", p.Path, "--quit-after", "0.5"}, scratch.Path());
        EXPECT_EQ(o.Status, 0) << o.Err;
        const std::string hint = "no permission to open " + p.Path;
        EXPECT_EQ(o.Err.find(hint) != std::string::npos, p.PermissionHint) << o.Err;
    }
}

// The program itself given what an operator might mistype: a wrong command line ends at once
// with the reason and the usage; a port that is no dongle still brings up the window, which
// then closes normally. Runs headless (offscreen).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "tests/common/ProgramProcess.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/e2e/LineBench.h"

using namespace std::chrono_literals;

namespace {

using trimora::test::ProgramOutcome;

// Runs the program with Args, as Prefix's user when a prefix is given, on the offscreen
// platform.
ProgramOutcome RunProgram(const std::vector<std::string>& Prefix,
                          const std::vector<std::string>& Args, const std::string& Scratch,
                          std::chrono::seconds Timeout = 20s) {
    std::vector<std::string> all = Prefix;
    all.push_back(TRIMORA_PROGRAM);
    all.insert(all.end(), Args.begin(), Args.end());
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return trimora::test::RunProgram(all, Scratch, Timeout);
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
        {"--quit-after", "1", "--screenshot", ""},
        {"--demo", "--port", "COM1"},
        {"--screenshot", scratch.Path() + "/a.png"},
        {std::string("--\xff\xfe", 4)},
        {"--port", std::string(100000, 'a'), "--bogus"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(args.front());
        const ProgramOutcome o = RunProgram({}, args, scratch.Path(), 10s);
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
        const ProgramOutcome o = RunProgram(
            UnprivilegedPrefix(), {"--port", p.Path, "--quit-after", "0.5"}, scratch.Path());
        EXPECT_EQ(o.Status, 0) << o.Err;
        const std::string hint = "no permission to open " + p.Path;
        EXPECT_EQ(o.Err.find(hint) != std::string::npos, p.PermissionHint) << o.Err;
    }
}

// The program as a desktop tool, run as a user runs it: the port listing without a display, the
// port remembered from one start to the next, the trace file for support, one instance at a time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/FileContents.h"
#include "tests/common/ProgramProcess.h"
#include "tests/e2e/LineBench.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace std::chrono_literals;
using trimora::test::ProgramProcess;
using trimora::test::RunToEnd;
namespace fs = std::filesystem;

namespace {

using Env = std::map<std::string, std::optional<std::string>>;

// A user of its own: configuration and runtime folders in the scratch folder.
Env UserEnv(const std::string& Scratch) {
    ::mkdir((Scratch + "/config").c_str(), 0700);
    ::mkdir((Scratch + "/runtime").c_str(), 0700);
    return {{"XDG_CONFIG_HOME", Scratch + "/config"},
            {"XDG_RUNTIME_DIR", Scratch + "/runtime"},
            {"QT_QPA_PLATFORM", "offscreen"}};
}

}  // namespace

TEST(ProgramDesktop, TheDonglesPortIsRememberedListedFirstAndTriedFirst) {
    trimora::e2e::ScratchDir scratch;
    trimora::sim::SimConfig config;
    config.LinkPath = scratch.Path() + "/usb-dongle-if00";  // as a by-id link names it
    trimora::sim::DongleSim dongle(config);
    ASSERT_TRUE(dongle.Start());
    const Env env = UserEnv(scratch.Path());

    ProgramProcess found({TRIMORA_PROGRAM, "--port", config.LinkPath, "--quit-after", "1.5"}, env,
                         scratch.Path(), "found");
    ASSERT_EQ(RunToEnd(found, 30s), 0) << found.Err();
    EXPECT_NE(trimora::test::FileText(scratch.Path() + "/config/Trimora/Trimora.conf")
                  .find("Port=" + config.LinkPath),
              std::string::npos);

    // No display at all: the listing needs none.
    Env bare = env;
    bare["QT_QPA_PLATFORM"] = std::nullopt;
    bare["DISPLAY"] = std::nullopt;
    bare["WAYLAND_DISPLAY"] = std::nullopt;
    ProgramProcess listing({TRIMORA_PROGRAM, "--list-ports"}, bare, scratch.Path(), "listing");
    ASSERT_EQ(RunToEnd(listing, 10s), 0) << listing.Err();
    const std::string out = listing.Out();
    EXPECT_EQ(out.rfind(config.LinkPath + "  [remembered: the dongle answered here last time]\n" +
                            "  device:       " + dongle.SlavePath() + "\n",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find(" (COM1)\n"), std::string::npos) << "the usual start comes next: " << out;

    // Started again without --port: the remembered port is the first one tried, and found.
    const std::string trace = scratch.Path() + "/trace.log";
    ProgramProcess again({TRIMORA_PROGRAM, "--quit-after", "1.5", "--trace", trace}, env,
                         scratch.Path(), "again");
    ASSERT_EQ(RunToEnd(again, 30s), 0) << again.Err();
    const std::string lines = trimora::test::FileText(trace);
    EXPECT_NE(lines.find(" ->3E0A00000021 Version Req Console 0\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(" Connection done " + config.LinkPath + "\n"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("Connection Failed"), std::string::npos) << lines;
}

TEST(ProgramDesktop, ADongleFoundAgainAfterALossIsRememberedToo) {
    trimora::e2e::ScratchDir scratch;
    trimora::sim::SimConfig config;
    config.LinkPath = scratch.Path() + "/usb-dongle-if00";
    trimora::sim::DongleSim dongle(config);
    ASSERT_TRUE(dongle.Start());
    const Env env = UserEnv(scratch.Path());
    const std::string file = scratch.Path() + "/config/Trimora/Trimora.conf";

    ProgramProcess program({TRIMORA_PROGRAM, "--port", config.LinkPath, "--quit-after", "9"}, env,
                           scratch.Path(), "refound");
    ASSERT_TRUE(program.Start());
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!fs::exists(file) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(fs::exists(file)) << "found at the start: " << program.Err();

    // Forgotten meanwhile; the dongle goes and comes back while the window waits for it.
    fs::remove(file);
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(dongle.HangUp());
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(dongle.Reconnect());
    ASSERT_EQ(program.Wait(30s), 0) << program.Err();
    EXPECT_NE(trimora::test::FileText(file).find("Port=" + config.LinkPath), std::string::npos)
        << program.Err();
}

TEST(ProgramDesktop, ATraceFileThatCannotBeWrittenIsReportedOnceAndTheProgramGoesOn) {
    trimora::e2e::ScratchDir scratch;
    ProgramProcess run({TRIMORA_PROGRAM, "--demo", "--trace", "/dev/full", "--quit-after", "2"},
                       UserEnv(scratch.Path()), scratch.Path());
    ASSERT_EQ(RunToEnd(run, 30s), 0) << run.Err();
    const std::string err = run.Err();
    const std::string says = "trimora: cannot write the trace file /dev/full";
    const auto first = err.find(says);
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find(says, first + 1), std::string::npos) << "once only: " << err;
}

TEST(ProgramDesktop, OneInstancePerUserAndDisplayAndACrashedOneBlocksNothing) {
    trimora::e2e::ScratchDir scratch;
    const Env env = UserEnv(scratch.Path());
    const std::string socket = scratch.Path() + "/runtime/trimora-offscreen.socket";
    ProgramProcess first({TRIMORA_PROGRAM, "--demo", "--quit-after", "20"}, env, scratch.Path(),
                         "first");
    ASSERT_TRUE(first.Start());
    for (int i = 0; i < 500 && !fs::exists(socket); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(fs::exists(socket)) << first.Err();

    ProgramProcess second({TRIMORA_PROGRAM, "--demo"}, env, scratch.Path(), "second");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunToEnd(second, 10s), 0) << second.Err();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "at once, without a search";
    EXPECT_NE(second.Err().find("already runs on this display: its window comes to the front"),
              std::string::npos)
        << second.Err();
    EXPECT_TRUE(first.Running());

    // What opens no window is not held back.
    ProgramProcess listing({TRIMORA_PROGRAM, "--list-ports"}, env, scratch.Path(), "listing");
    EXPECT_EQ(RunToEnd(listing, 10s), 0) << listing.Err();
    EXPECT_NE(listing.Out().find(" (COM1)\n"), std::string::npos) << listing.Out();
    ProgramProcess help({TRIMORA_PROGRAM, "--help"}, env, scratch.Path(), "help");
    EXPECT_EQ(RunToEnd(help, 10s), 0);
    EXPECT_EQ(help.Out().rfind("Usage: ", 0), 0u) << help.Out();

    // Killed: its socket stays behind, and the next start is a first one all the same.
    first.Signal(SIGKILL);
    EXPECT_EQ(first.Wait(10s), 128 + SIGKILL);
    ASSERT_TRUE(fs::exists(socket));
    ProgramProcess next({TRIMORA_PROGRAM, "--demo", "--quit-after", "1"}, env, scratch.Path(),
                        "next");
    EXPECT_EQ(RunToEnd(next, 30s), 0) << next.Err();
    EXPECT_EQ(next.Err().find("already runs"), std::string::npos) << next.Err();
    EXPECT_FALSE(fs::exists(socket)) << "removed when it ended";
}

// Without a runtime folder, a file where the user's folder under /tmp belongs: the program runs
// without the check, and says so once.
TEST(ProgramDesktop, AnUnusableInstanceFolderSkipsTheCheckAndSaysSo) {
    trimora::e2e::ScratchDir scratch;
    Env env = UserEnv(scratch.Path());
    env["XDG_RUNTIME_DIR"] = std::nullopt;
    env["TMPDIR"] = scratch.Path() + "/tmp";
    ASSERT_TRUE(fs::create_directory(scratch.Path() + "/tmp"));
    const std::string taken = scratch.Path() + "/tmp/trimora-" + std::to_string(::getuid());
    std::ofstream(taken) << "not a folder";

    ProgramProcess run({TRIMORA_PROGRAM, "--demo", "--quit-after", "1"}, env, scratch.Path());
    ASSERT_EQ(RunToEnd(run, 30s), 0) << run.Err();
    const std::string err = run.Err();
    const std::string says =
        "trimora: " + taken + " is not a folder: not checking whether Trimora already runs\n";
    const auto first = err.find(says);
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find(says, first + 1), std::string::npos) << "once only: " << err;
    EXPECT_EQ(err.find("cannot listen"), std::string::npos) << err;
}

// The pseudo-terminal as a USB line: opened late or twice, unplugged, plugged back in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/common/ScratchFolder.h"
#include "tests/tools/SimTestSupport.h"

using namespace trimora;
using namespace trimora::test;
using namespace std::chrono_literals;

namespace {
const std::string kVersionRequest = "3E0A00000021";
const std::string kVersionReplyHex = "3E0A0001780021";

// A fresh path for a link in a private temporary folder.
struct TempLink {
    ScratchFolder Folder{"dongle-sim-test"};
    const std::string Path = Folder.Path() + "/ttyDONGLE";
};

std::string LinkTarget(const std::string& Path) {
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(Path, ec);
    return ec ? std::string() : target.string();
}
}  // namespace

TEST(Line, HostMayOpenLateAndReopen) {
    sim::DongleSim sim(FastConfig());
    ASSERT_TRUE(sim.Start());
    // Nobody on the slave for a while: the emulator must neither spin nor give up.
    std::this_thread::sleep_for(100ms);
    for (int open = 0; open < 2; ++open) {
        HostPort host(sim.SlavePath());
        ASSERT_TRUE(host.IsOpen());
        host.Send(kVersionRequest);
        EXPECT_EQ(HexOf(host.ReadFrame()), kVersionReplyHex) << "open " << open;
    }
    EXPECT_TRUE(sim.Connected());
    EXPECT_EQ(sim.Counters().HangUps, 0u);
}

TEST(Line, HangUpIsSeenByTheHostAndReconnectPlugsBackIn) {
    TempLink link;
    auto config = FastConfig();
    config.LinkPath = link.Path;
    sim::DongleSim sim(config);
    ASSERT_TRUE(sim.Start());
    const std::string firstSlave = sim.SlavePath();
    EXPECT_EQ(LinkTarget(link.Path), firstSlave);
    EXPECT_EQ(sim.PortPath(), link.Path);

    HostPort host(link.Path);
    ASSERT_TRUE(host.IsOpen());
    ASSERT_TRUE(sim.JoinConsole(1));
    ASSERT_TRUE(host.WaitFrame("3E0500"));
    EXPECT_FALSE(host.WaitHangUp(50ms));

    ASSERT_TRUE(sim.HangUp());
    EXPECT_TRUE(host.WaitHangUp(1s));
    EXPECT_FALSE(sim.Connected());
    EXPECT_EQ(sim.SlavePath(), "");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link.Path)));
    EXPECT_FALSE(sim.HangUp());  // already unplugged
    EXPECT_FALSE(sim.WriteRaw("x"));
    EXPECT_EQ(sim.Counters().HangUps, 1u);

    std::string error;
    ASSERT_TRUE(sim.Reconnect(&error)) << error;
    EXPECT_FALSE(sim.Reconnect());  // already plugged in
    EXPECT_EQ(LinkTarget(link.Path), sim.SlavePath());
    HostPort again(link.Path);
    ASSERT_TRUE(again.IsOpen());
    again.Send(kVersionRequest);
    EXPECT_EQ(HexOf(again.ReadFrame()), kVersionReplyHex);
    // A power cycle: the dongle knows no console any more.
    again.Send("3E0400000021");
    EXPECT_EQ(HexOf(again.ReadFrame()), "3E040001000021");
}

TEST(Line, ReplugUnderAnotherLinkMovesTheLink) {
    TempLink first, second;
    auto config = FastConfig();
    config.LinkPath = first.Path;
    sim::DongleSim sim(config);
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(sim.HangUp());
    ASSERT_TRUE(sim.ReconnectAt(second.Path));
    EXPECT_EQ(sim.PortPath(), second.Path);
    EXPECT_EQ(LinkTarget(second.Path), sim.SlavePath());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(first.Path)));
    HostPort host(second.Path);
    ASSERT_TRUE(host.IsOpen());
    host.Send(kVersionRequest);
    EXPECT_EQ(HexOf(host.ReadFrame()), kVersionReplyHex);

    ASSERT_TRUE(sim.HangUp());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(second.Path)));
    std::string error;
    EXPECT_FALSE(sim.ReconnectAt("", &error)) << "a linked dongle keeps a link";
    ASSERT_TRUE(sim.ReconnectAt(first.Path, &error)) << error;
    EXPECT_EQ(LinkTarget(first.Path), sim.SlavePath());
}

TEST(Line, HangUpAfterADelay) {
    auto config = FastConfig();
    config.Faults.HangUpAfterMs = 200;
    SimLine line(config);
    line.Host->Send(kVersionRequest);
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), kVersionReplyHex);
    EXPECT_TRUE(line.Host->WaitHangUp(3s));
    EXPECT_FALSE(line.Sim.Connected());

    // Set at run time as well, on the fresh line.
    ASSERT_TRUE(line.Sim.Reconnect());
    HostPort host(line.Sim.SlavePath());
    line.Sim.SetHangUpAfter(100);
    EXPECT_TRUE(host.WaitHangUp(3s));
}

TEST(Line, ALinkPathThatIsARealFileIsLeftAlone) {
    TempLink link;
    { std::ofstream(link.Path) << "keep me"; }
    auto config = FastConfig();
    config.LinkPath = link.Path;
    sim::DongleSim sim(config);
    std::string error;
    EXPECT_FALSE(sim.Start(&error));
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_regular_file(link.Path));
}

TEST(Line, StopRemovesTheLinkAndHangsUp) {
    TempLink link;
    auto config = FastConfig();
    config.LinkPath = link.Path;
    auto sim = std::make_unique<sim::DongleSim>(config);
    ASSERT_TRUE(sim->Start());
    HostPort host(link.Path);
    ASSERT_TRUE(host.IsOpen());
    sim.reset();
    EXPECT_TRUE(host.WaitHangUp(1s));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link.Path)));
}

TEST(Line, ConfigurationIsCheckedAtStart) {
    struct Case {
        const char* what;
        std::function<void(sim::SimConfig&)> spoil;
    };
    const Case cases[] = {
        {"console id 0", [](sim::SimConfig& c) { c.Consoles[0].Id = 0; }},
        {"console id 21", [](sim::SimConfig& c) { c.Consoles[0].Id = 0x21; }},
        {"console id 255", [](sim::SimConfig& c) { c.Consoles[0].Id = 255; }},
        {"same id twice", [](sim::SimConfig& c) { c.Consoles.push_back(c.Consoles[0]); }},
        {"serial too long", [](sim::SimConfig& c) { c.Serial = 0x1000000; }},
        {"no measure interval", [](sim::SimConfig& c) { c.MeasureIntervalMs = 0; }},
    };
    for (const Case& c : cases) {
        auto config = FastConfig();
        c.spoil(config);
        sim::DongleSim sim(config);
        std::string error;
        EXPECT_FALSE(sim.Start(&error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_EQ(sim.SlavePath(), "") << c.what;
    }
}

TEST(Line, CallbackSeesEveryHostFrameAndMayCallBack) {
    auto config = FastConfig();
    config.Consoles.clear();
    sim::DongleSim sim(config);
    std::atomic<int> seen{0};
    sim.OnHostFrame = [&](const sim::HostFrame& F) {
        ++seen;
        // Calls back from the emulator's own thread must not deadlock.
        if (F.Hex == "3E0200000021") sim.JoinConsole(7);
        if (F.Hex == "3E0300000021") sim.HangUp();
    };
    ASSERT_TRUE(sim.Start());
    HostPort host(sim.SlavePath());
    host.Send("3E0200000021");
    EXPECT_TRUE(host.WaitFrame("3E050001070021"));
    host.Send("3E0300000021");
    EXPECT_TRUE(host.WaitHangUp(1s));
    EXPECT_EQ(seen.load(), 2);
}

// The Windows build of the protocol and the dongle search under wine, without a window, against
// the emulator on a pseudo-terminal that wine maps as a COM port: COM1 fails, the registry's
// list finds the dongle, a console joins and measures are decoded; unplugged, the port reports
// the device gone once and the search finds the dongle again at the same COM name.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/HostFrames.h"
#include "tests/common/ProgramProcess.h"
#include "tests/common/ScratchFolder.h"
#include "tests/wine/WineSession.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace std::chrono_literals;
using namespace trimora;
using trimora::test::ProgramProcess;
using trimora::test::SentInOrder;
using trimora::test::SentSince;

namespace {

constexpr int DonglePort = 7;  // COM7
const char* const kStartMeasures = "3E130001010021";
const char* const kCloseRegistration = "3E0300000021";
const char* const kRemoveAll = "3E06FF000021";

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> lines;
    std::istringstream in(Text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::size_t CountOf(const std::vector<std::string>& Lines, const std::string& Prefix) {
    return static_cast<std::size_t>(std::count_if(
        Lines.begin(), Lines.end(), [&](const auto& l) { return l.rfind(Prefix, 0) == 0; }));
}

// Until the program has printed Count lines starting with Prefix, or has ended.
bool WaitForLines(ProgramProcess& Program, const std::string& Prefix, std::size_t Count,
                  std::chrono::milliseconds Timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (CountOf(Lines(Program.Out()), Prefix) >= Count) return true;
        if (!Program.Running()) return CountOf(Lines(Program.Out()), Prefix) >= Count;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

}  // namespace

TEST(WindowsProtocol, FindsTheDongleAfterCom1FailsAndAgainAfterAReplug) {
    test::ScratchFolder scratch("trimora-wine-protocol");
    test::WineSession wine(TRIMORA_WINE_PREFIX, scratch.Path());
    std::string error;
    ASSERT_TRUE(wine.Start(error)) << error;

    sim::SimConfig config;
    config.LinkPath = wine.Prefix() + "/dosdevices/com" + std::to_string(DonglePort);
    sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 300;
    config.Consoles = {console};
    sim::DongleSim dongle(config);
    ASSERT_TRUE(dongle.Start(&error)) << error;
    ASSERT_TRUE(wine.PlugComPort(DonglePort, dongle.SlavePath(), error)) << error;

    ProgramProcess probe(wine.Command({TRIMORA_PROTOCOL_PROBE, "30"}), wine.Environment(),
                         scratch.Path(), "protocol-probe");
    ASSERT_TRUE(probe.Start());
    ASSERT_TRUE(WaitForLines(probe, "measure 1 ", 1, 60s)) << probe.Out() << probe.Err();

    // COM1, the port's first name, fails; the list then finds the dongle at COM7.
    std::vector<std::string> status;
    for (const std::string& l : Lines(probe.Out()))
        if (l.rfind("status ", 0) == 0) status.push_back(l);
    ASSERT_GE(status.size(), 3u) << probe.Out();
    EXPECT_EQ(status.front(), "status trying 100 100 COM1");
    EXPECT_EQ(status.back().rfind("status found ", 0), 0u) << status.back();
    EXPECT_NE(status.back().find(" COM7"), std::string::npos) << status.back();
    EXPECT_EQ(status[status.size() - 2].rfind("status trying ", 0), 0u);
    EXPECT_EQ(CountOf(status, "status found "), 1u) << probe.Out();
    EXPECT_EQ(CountOf(Lines(probe.Out()), "connect 1 COM7"), 1u) << probe.Out();
    EXPECT_EQ(CountOf(Lines(probe.Out()), "console 1"), 1u);
    for (const std::string& l : Lines(probe.Out())) {
        if (l.rfind("measure 1 ", 0) == 0) {
            EXPECT_NE(l, "measure 1 0") << "speed decoded";
        }
    }

    // Unplugged: the device and its registry entry go; the loss is reported once.
    ASSERT_TRUE(dongle.HangUp());
    wine.UnplugComPort(DonglePort);
    ASSERT_TRUE(WaitForLines(probe, "lost", 1, 10s)) << probe.Out();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(CountOf(Lines(probe.Out()), "gone"), 1u) << probe.Out();

    // Plugged back in at the same COM name: found again, and the console's measures resume.
    const std::uint64_t replugged = dongle.NextHostFrameSequence();
    ASSERT_TRUE(dongle.Reconnect(&error)) << error;
    ASSERT_TRUE(wine.PlugComPort(DonglePort, dongle.SlavePath(), error)) << error;
    EXPECT_TRUE(WaitForLines(probe, "refound COM7", 1, 15s)) << probe.Out();
    EXPECT_TRUE(dongle.WaitForHostFrame(kStartMeasures, 20s, replugged)) << probe.Out();

    // At its end it disconnects: registration closed and every console removed.
    const std::uint64_t closing = dongle.NextHostFrameSequence();
    EXPECT_EQ(probe.Wait(40s), 0) << probe.Err();
    EXPECT_TRUE(SentInOrder(SentSince(dongle, closing), {kCloseRegistration, kRemoveAll}))
        << probe.Out();
    EXPECT_EQ(Lines(probe.Out()).back(), "end");
}

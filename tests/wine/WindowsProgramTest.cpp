// The Windows program under wine on a virtual display, against the emulator on a pseudo-terminal
// that wine maps as a COM port: found by walking the registry's port list, a console joins and
// steps the points with its keys, the window shows the speed, the dongle is unplugged and plugged
// back in at the same COM name, and closing the window sends the shut-down frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/logic/ArrowShape.h"
#include "app/logic/CalibrationGeometry.h"
#include "tests/common/HostFrames.h"
#include "tests/common/ProgramProcess.h"
#include "tests/common/ScratchFolder.h"
#include "tests/e2e/VirtualDisplay.h"
#include "tests/wine/DesktopTools.h"
#include "tests/wine/WineSession.h"
#include "tools/dongle_sim/DongleSim.h"
#include "tools/dongle_sim/SpeedModel.h"

using namespace std::chrono_literals;
using namespace trimora;
using trimora::test::ProgramProcess;
using trimora::test::SentInOrder;
using trimora::test::SentSince;

namespace {

namespace fs = std::filesystem;

constexpr int DonglePort = 5;  // COM5
constexpr std::uint32_t Lime = 0x00FF00;
const char* const kVersionRequest = "3E0A00000021";
const char* const kAskConsoles = "3E0400000021";
const char* const kOpenRegistration = "3E0200000021";
const char* const kCloseRegistration = "3E0300000021";
const char* const kStartMeasures = "3E130001010021";
const char* const kStopMeasures = "3E130001000021";
const char* const kRemoveConsole1 = "3E0601000021";
const char* const kRemoveAll = "3E06FF000021";
// The resistance table with console 1's level: P1 100, P2 60, P3 0 (the frames begin so).
const char* const kLevelP1 = "3E1000020064";
const char* const kLevelP2 = "3E100002003C";
const char* const kLevelP3 = "3E1000020000";

// The frame, unless the program ends first: a program that failed to start is not waited for.
bool WaitForFrameWhileRunning(const sim::DongleSim& Dongle, ProgramProcess& Program,
                              const std::string& Hex, std::chrono::milliseconds Timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Dongle.WaitForHostFrame(Hex, 250ms)) return true;
        if (!Program.Running()) return false;
    }
    return false;
}

// The console rides at Kmh with the level of the point selected, at once.
void RideAt(sim::DongleSim& Dongle, double Kmh, std::uint8_t Level) {
    Dongle.SetProfile(sim::SpeedProfile::Constant(Kmh / sim::ResistanceFactor(Level)), 1);
}

// Where the arrow's shaft is centred, in the window's client area (screen pixels).
std::optional<double> ArrowCentre(const test::ScreenPicture& Picture) {
    const int row = CalibrationGeometry::Indicatore.Top + ArrowShape::HeadTop / 2 +
                    ArrowShape::OriginIn(CalibrationGeometry::Indicatore.Width,
                                         CalibrationGeometry::Indicatore.Height)
                        .Y;
    const std::vector<int> lime = Picture.ColumnsOf(Lime, row);
    if (lime.empty()) return std::nullopt;
    return (lime.front() + lime.back()) / 2.0;
}

class WindowsProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(Scratch.Path().empty());
        std::string error;
        ASSERT_TRUE(Display.StartAsThisProcessDisplay(error)) << error;
        ASSERT_TRUE(Manager.Start(Scratch.Path(), error)) << error;
        ASSERT_TRUE(Wine.Start(error)) << error;
        ForgetRememberedPort();  // a fresh user: nothing remembered from an earlier run
    }
    // The prefix is shared: what this run remembered is no other test's start.
    void TearDown() override { ForgetRememberedPort(); }

    void ForgetRememberedPort() {
        std::error_code ignored;
        for (const auto& user : fs::directory_iterator(Wine.HostPath("C:\\users"), ignored))
            fs::remove_all(user.path() / "AppData/Roaming/Trimora", ignored);
    }

    // A screenshot of the window, kept in the build folder to be looked at, with the arrow's
    // middle at Centre.
    void ExpectArrowAt(const test::DesktopWindow& Window, double Centre, const std::string& Name) {
        const std::string shot = std::string(TRIMORA_WINE_OUTPUT_DIR) + "/" + Name;
        const auto picture = test::ScreenPicture::Grab(Window, Scratch.Path(), shot);
        ASSERT_TRUE(picture);
        std::printf("screenshot: %s\n", shot.c_str());
        const auto centre = ArrowCentre(*picture);
        ASSERT_TRUE(centre) << "no arrow in " << shot;
        EXPECT_NEAR(*centre, Centre, 1.0) << shot;
    }

    test::ScratchFolder Scratch{"trimora-wine"};
    test::VirtualDisplay Display;
    test::WindowManager Manager;
    test::WineSession Wine{TRIMORA_WINE_PREFIX, Scratch.Path()};
};

}  // namespace

TEST_F(WindowsProgram, FindsTheDongleInTheRegistryListCalibratesSurvivesAReplugAndShutsDown) {
    sim::SimConfig config;
    // The emulator's slave as wine's COM5: re-pointed at each replug, gone while unplugged.
    config.LinkPath = Wine.Prefix() + "/dosdevices/com" + std::to_string(DonglePort);
    config.ResistanceLagMs = 0;
    sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 300;
    console.Profile = sim::SpeedProfile::Constant(20.0 / sim::ResistanceFactor(100));
    config.Consoles = {console};
    sim::DongleSim dongle(config);
    std::string error;
    ASSERT_TRUE(dongle.Start(&error)) << error;
    ASSERT_TRUE(Wine.PlugComPort(DonglePort, dongle.SlavePath(), error)) << error;

    // No --port: COM1 first, then the registry's list.
    ProgramProcess program(Wine.Command({TRIMORA_WINDOWS_PROGRAM}), Wine.Environment(),
                           Scratch.Path(), "windows-program");
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(WaitForFrameWhileRunning(dongle, program, kStartMeasures, 60s))
        << "the console's measures never started: " << program.Err();
    // Found in the list, the dongle is asked for its consoles; it has none yet, so registration
    // is not closed before it opens.
    const std::vector<std::string> started = SentSince(dongle, 0);
    EXPECT_TRUE(
        SentInOrder(started, {kVersionRequest, kAskConsoles, kOpenRegistration, kStartMeasures}));
    EXPECT_EQ(std::find(started.begin(), started.end(), kCloseRegistration), started.end());

    // P1's level goes out once a second.
    const std::uint64_t counting = dongle.NextHostFrameSequence();
    std::this_thread::sleep_for(3500ms);
    const std::vector<std::string> refreshed = SentSince(dongle, counting);
    const auto p1 = std::count_if(refreshed.begin(), refreshed.end(), [](const std::string& Hex) {
        return Hex.rfind(kLevelP1, 0) == 0;
    });
    EXPECT_GE(p1, 3);
    EXPECT_LE(p1, 5);

    // The speed and the arrow at 20 km/h, as on Linux: the arrow's middle at x = 8 + 20 * 5.
    const auto window = test::FindWindow("^Trimora: Connected$", 10s, Scratch.Path());
    ASSERT_TRUE(window) << "no window titled \"Trimora: Connected\"";
    ExpectArrowAt(*window, 108.0, "windows-20kmh.png");

    // The console's keys: 4 steps to P2, 4 again to P3 (40 km/h), 1 back to P2.
    dongle.PressKey(sim::kKeyNextPoint, 1);
    EXPECT_TRUE(dongle.WaitForHostFrame(kLevelP2, 5s, counting)) << "key 4 did not select P2";
    RideAt(dongle, 40.0, 0);
    const std::uint64_t toP3 = dongle.NextHostFrameSequence();
    dongle.PressKey(sim::kKeyNextPoint, 1);
    EXPECT_TRUE(dongle.WaitForHostFrame(kLevelP3, 5s, toP3)) << "key 4 did not select P3";
    std::this_thread::sleep_for(600ms);
    ExpectArrowAt(*window, 208.0, "windows-40kmh.png");
    const std::uint64_t back = dongle.NextHostFrameSequence();
    dongle.PressKey(sim::kKeyPreviousPoint, 1);
    EXPECT_TRUE(dongle.WaitForHostFrame(kLevelP2, 5s, back)) << "key 1 did not select P2";

    // Unplugged: the device and its registry entry go. Plugged back in at the same COM name,
    // the console's measures resume.
    ASSERT_TRUE(dongle.HangUp());
    Wine.UnplugComPort(DonglePort);
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(program.Running()) << program.Err();
    const std::uint64_t replugged = dongle.NextHostFrameSequence();
    ASSERT_TRUE(dongle.Reconnect(&error)) << error;
    ASSERT_TRUE(Wine.PlugComPort(DonglePort, dongle.SlavePath(), error)) << error;
    EXPECT_TRUE(dongle.WaitForHostFrame(kStartMeasures, 20s, replugged))
        << "the measures did not resume after the replug";

    // A second start, in the session's words: the running window comes to the front.
    ProgramProcess second(Wine.Command({TRIMORA_WINDOWS_PROGRAM}), Wine.Environment(),
                          Scratch.Path(), "windows-second-start");
    EXPECT_EQ(test::RunToEnd(second, 20s), 0) << second.Err();
    EXPECT_NE(second.Err().find(
                  "trimora: Trimora already runs in your session: its window comes to the front"),
              std::string::npos)
        << second.Err();
    ASSERT_TRUE(program.Running()) << program.Err();
    // The usage names Windows' ports and ways to end, none of Linux's.
    ProgramProcess help(Wine.Command({TRIMORA_WINDOWS_PROGRAM, "--help"}), Wine.Environment(),
                        Scratch.Path(), "windows-help");
    EXPECT_EQ(test::RunToEnd(help, 20s), 0) << help.Err();
    // Its lines end in CR LF, as a Windows program's text output does.
    EXPECT_NE(help.Out().find("  --port NAME         try this serial port first (COM7)\r\n"),
              std::string::npos)
        << help.Out();
    EXPECT_NE(help.Out().find("Logging off"), std::string::npos) << help.Out();
    for (const char* linuxWord : {"ttyUSB", "/dev/", "SIGINT", "SIGTERM", "trimora-dongle-sim"})
        EXPECT_EQ(help.Out().find(linuxWord), std::string::npos) << linuxWord << "\n" << help.Out();

    // Closed as the operator closes it: the shut-down frames still reach the dongle.
    const std::uint64_t closing = dongle.NextHostFrameSequence();
    const auto current = test::FindWindow("^Trimora", 5s, Scratch.Path());
    ASSERT_TRUE(current);
    ASSERT_TRUE(test::CloseLikeUser(*current, Scratch.Path()));
    EXPECT_EQ(program.Wait(20s), 0) << program.Err();
    static_cast<void>(dongle.WaitForHostFrame(kRemoveAll, 2s, closing));
    EXPECT_TRUE(SentInOrder(SentSince(dongle, closing),
                            {kStopMeasures, kRemoveConsole1, kCloseRegistration, kRemoveAll}));
}

#include <gtest/gtest.h>
#include <signal.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/HostFrames.h"
#include "tests/common/ProgramProcess.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace std::chrono_literals;
using trimora::sim::DongleSim;
using trimora::test::ProgramProcess;

namespace {

// The window's shut-down: measures stopped, registration closed, consoles removed, in that order.
void ExpectShutDownFramesSince(const DongleSim& Dongle, std::uint64_t From) {
    EXPECT_TRUE(trimora::test::SentInOrder(
        trimora::test::SentSince(Dongle, From),
        {"3E130001000021", "3E0601000021", "3E0300000021", "3E06FF000021"}))
        << "the shut-down frames at the end";
}

int CountPixels(const QImage& Image, const QColor& Colour) {
    int count = 0;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixelColor(x, y) == Colour) ++count;
    return count;
}

}  // namespace

// The real program on a virtual display against the emulated dongle: it finds the dongle, a
// console joins and streams, and SIGTERM closes the window as the operator would, so the
// shut-down frames still reach the dongle.
TEST(Smoke, ProgramCalibratesAgainstTheEmulatorAndShutsDownCleanlyOnSigterm) {
    trimora::sim::SimConfig config;
    trimora::sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 300;
    console.Profile = trimora::sim::SpeedProfile::Constant(25.0);
    console.Keys = {{1500, trimora::sim::kKeyNextPoint}};
    config.Consoles = {console};
    config.ResistanceLagMs = 300;
    DongleSim dongle(config);
    ASSERT_TRUE(dongle.Start());

    // With this process's environment (DISPLAY included), but no leak suppressions from it: as
    // run by hand, a sanitized build still ends cleanly.
    ProgramProcess program({TRIMORA_PROGRAM, "--port", dongle.PortPath()},
                           {{"LSAN_OPTIONS", std::nullopt}}, TRIMORA_SMOKE_OUTPUT_DIR,
                           "smoke-program");
    ASSERT_TRUE(program.Start());

    // Found, registration opened, the console joined and its measures started.
    ASSERT_TRUE(dongle.WaitForHostFrame("3E130001010021", 15s)) << "measures never started";
    // The refresh timer runs: the resistance table goes out with the console's level.
    ASSERT_TRUE(dongle.WaitForHostFrame("3E100002", 5s)) << "no resistance refresh";
    // The key pressed after 1.5 s selects P2 (level 60 = 3C).
    EXPECT_TRUE(dongle.WaitForHostFrame("3E100002003C", 5s)) << "the console's key had no effect";
    ASSERT_TRUE(program.Running());

    std::this_thread::sleep_for(300ms);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const std::string shot = std::string(TRIMORA_SMOKE_OUTPUT_DIR) + "/smoke-screenshot.png";
    EXPECT_TRUE(screen.save(QString::fromStdString(shot), "PNG"));
    std::printf("screenshot: %s\n", shot.c_str());
    EXPECT_GT(CountPixels(screen, QColor(0, 255, 0)), 100) << "no arrow on the screen";
    EXPECT_GT(CountPixels(screen, QColor(0, 255, 255)), 50) << "no target zone on the screen";

    const std::uint64_t closing = dongle.NextHostFrameSequence();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(10s), 0);
    ExpectShutDownFramesSince(dongle, closing);
}

// Termination requests that come while the window ends: after an unplug (two SIGINTs 150 ms
// apart), and just before --quit-after is due. The program ends normally, and whatever shut-down
// frames can still reach the dongle do.
TEST(Smoke, TerminationWhileTheWindowEndsAfterAnUnplugOrBeforeQuitAfter) {
    trimora::sim::SimConfig config;
    trimora::sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 200;
    config.Consoles = {console};
    {
        SCOPED_TRACE("unplugged, then SIGINT twice");
        DongleSim dongle(config);
        ASSERT_TRUE(dongle.Start());
        ProgramProcess program({TRIMORA_PROGRAM, "--port", dongle.PortPath()}, {},
                               TRIMORA_SMOKE_OUTPUT_DIR, "unplugged-program");
        ASSERT_TRUE(program.Start());
        ASSERT_TRUE(dongle.WaitForHostFrame("3E130001010021", 15s)) << "measures never started";
        ASSERT_TRUE(dongle.HangUp());
        std::this_thread::sleep_for(500ms);
        program.Signal(SIGINT);
        std::this_thread::sleep_for(150ms);
        program.Signal(SIGINT);
        EXPECT_EQ(program.Wait(10s), 0);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE("SIGTERM 0.4 s before --quit-after, attempt " + std::to_string(attempt));
        DongleSim dongle(config);
        ASSERT_TRUE(dongle.Start());
        ProgramProcess program({TRIMORA_PROGRAM, "--port", dongle.PortPath(), "--quit-after", "4"},
                               {}, TRIMORA_SMOKE_OUTPUT_DIR, "quitting-program");
        const auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(program.Start());
        ASSERT_TRUE(dongle.WaitForHostFrame("3E130001010021", 15s)) << "measures never started";
        const std::uint64_t closing = dongle.NextHostFrameSequence();
        std::this_thread::sleep_until(started + 3600ms);
        program.Signal(SIGTERM);
        EXPECT_EQ(program.Wait(10s), 0);
        ExpectShutDownFramesSince(dongle, closing);
    }
}

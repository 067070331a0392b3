// The calibration window on a virtual display while the emulated dongle is unplugged and plugged
// in again, plugged in late, or a console falls silent: what the window says, and that the
// console comes back at the point the operator had selected.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/qt/QtCalibrationWindow.h"
#include "tests/common/OpenboxProcess.h"
#include "tests/common/Pump.h"
#include "tests/e2e/LineBench.h"
#include "tools/dongle_sim/DeviceFrames.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {

sim::SimConfig StreamingDongle(const std::string& Link, bool Silent = false) {
    sim::SimConfig config;
    config.LinkPath = Link;
    sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 200;
    console.Profile = sim::SpeedProfile::Constant(25.0);
    config.Consoles = {console};
    config.ResistanceLagMs = 0;
    config.Faults.Silent = Silent;
    return config;
}

std::unique_ptr<TQtCalibrationWindow> WindowOn(const std::string& Port) {
    auto form = std::make_unique<TQtCalibrationWindow>([Port](TVelnWirelessProtocol& Protocol) {
        Protocol.SetPortDef(Port);
        // Only the port named: the machine's own serial ports stay out of these tests.
        Protocol.PortLister = [] { return std::vector<std::string>{}; };
    });
    form->Form().Search()->PortLister = [] { return std::vector<std::string>{}; };
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
}

bool Streaming(const TQtCalibrationWindow& Form) {
    // The console's speed, slowed by the resistance of the point selected.
    const QString text = Form.Label1->text();
    return Form.windowTitle() == "Trimora: Connected" && !Form.Form().MeasuresStale() &&
           text.startsWith("Speed: ") && text.size() > 7 && text.at(7).isDigit() &&
           Form.Indicatore->isVisible();
}

bool SaysStale(const TQtCalibrationWindow& Form) {
    return Form.Form().MeasuresStale() && Form.Label1->text() == "Speed: -- km/h" &&
           !Form.Label1->font().bold() && !Form.Indicatore->isVisible();
}

void Picture(TQtCalibrationWindow& Form, const char* Name) {
    const std::string path = std::string(TRIMORA_TEST_OUTPUT_DIR) + "/" + Name + ".png";
    Form.grab().save(QString::fromStdString(path));
    std::printf("screenshot: %s\n", path.c_str());
}

using Clock = std::chrono::steady_clock;

// How long a step took, for the log: speed goals are the benchmark's (bench/replug); the tests'
// time-outs only catch a step that never comes or takes seconds.
void PrintFigure(const char* What, Clock::time_point Since) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Since);
    std::printf("%s: %lld ms\n", What, static_cast<long long>(ms.count()));
}

// Title bars in a font large enough that the frame is taller than the 28 px the window's small
// outer height was made for, as on desktops with tall title bars.
const char* const kTallTitleConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc"><theme>
<font place="ActiveWindow"><name>DejaVu Sans</name><size>22</size></font>
<font place="InactiveWindow"><name>DejaVu Sans</name><size>22</size></font>
</theme></openbox_config>
)";

int FrameHeight(const QWidget& Form) {
    // The native window's, not the widget's: the widget's is refreshed only by a move or resize.
    const QMargins frame = Form.windowHandle()->frameMargins();
    return frame.top() + frame.bottom();
}

}  // namespace

TEST(DongleComesAndGoes, UnpluggedMidStreamThenPluggedBackInAtTheSameLink) {
    e2e::ScratchDir dir;
    const std::string link = dir.Path() + "/ttyDONGLE";
    sim::DongleSim dongle(StreamingDongle(link));
    ASSERT_TRUE(dongle.Start());
    auto form = WindowOn(link);
    ASSERT_TRUE(test::PumpUntil([&] { return Streaming(*form); }, 10s));
    QTest::mouseClick(form->Btn_P2, Qt::LeftButton);  // level 60
    ASSERT_TRUE(test::PumpUntil(
        [&] { return dongle.WaitForHostFrame("3E100002003C", 0ms).has_value(); }, 4s))
        << "P2's level before the unplug";
    Picture(*form, "replug-1-streaming");

    ASSERT_TRUE(dongle.HangUp());
    const auto unplugged = Clock::now();
    ASSERT_TRUE(test::PumpUntil(
        [&] {
            return form->windowTitle() == "Trimora: not connected!" && SaysStale(*form) &&
                   form->StatusText().startsWith("Dongle lost from " +
                                                 QString::fromStdString(link));
        },
        5s));
    PrintFigure("unplug to loss shown", unplugged);
    Picture(*form, "replug-2-unplugged");
    test::PumpFor(1500ms);  // nothing there to find meanwhile
    EXPECT_TRUE(SaysStale(*form));

    ASSERT_TRUE(dongle.Reconnect());
    const std::uint64_t fromReplug = dongle.NextHostFrameSequence();
    const auto replugged = Clock::now();
    ASSERT_TRUE(test::PumpUntil([&] { return Streaming(*form); }, 6s)) << "measures flowing again";
    PrintFigure("replug to measures shown", replugged);
    EXPECT_TRUE(form->Indicatore->isVisible());
    EXPECT_EQ(form->Form().CurrentPoint(), 1) << "the point the operator selected stays";
    EXPECT_TRUE(test::PumpUntil([&] {
        return dongle.WaitForHostFrame("3E100002003C", 0ms, fromReplug).has_value();
    })) << "the selected point's level reaches the console again";
    EXPECT_TRUE(form->StatusText().startsWith("Console 1 joined"))
        << form->StatusText().toStdString();
    Picture(*form, "replug-3-replugged");
    form.reset();
}

TEST(DongleComesAndGoes, StartedBeforeThePortExistsConnectsWhenItAppears) {
    e2e::ScratchDir dir;
    const std::string link = dir.Path() + "/ttyLATE";
    auto form = WindowOn(link);
    EXPECT_EQ(form->windowTitle(), "Trimora: not connected!");
    EXPECT_TRUE(form->StatusText().contains(QString::fromStdString(link)));
    test::PumpFor(1500ms);

    sim::DongleSim dongle(StreamingDongle(link));
    ASSERT_TRUE(dongle.Start());
    const auto appeared = Clock::now();
    ASSERT_TRUE(test::PumpUntil([&] { return form->Form().Protocol()->Connected(); }, 6s));
    PrintFigure("port appeared to connected", appeared);
    EXPECT_TRUE(test::PumpUntil([&] { return Streaming(*form); }, 5s));
    form.reset();
}

// A second console in range does not take over the display, and a console that stops sending
// while the dongle stays is shown as stale until it sends again.
TEST(DongleComesAndGoes, ASilentConsoleIsStaleAndAnotherConsoleIsIgnored) {
    e2e::ScratchDir dir;
    sim::DongleSim dongle(StreamingDongle(dir.Path() + "/ttyDONGLE"));
    ASSERT_TRUE(dongle.Start());
    auto form = WindowOn(dongle.PortPath());
    ASSERT_TRUE(test::PumpUntil([&] { return Streaming(*form); }, 10s));

    // Measures of a console that joined before this session: 40 km/h, and its next-point key.
    sim::MeasureData other;
    other.RawSpeed = 4716;  // 40.0 km/h
    other.Keys = 4;
    bool othersShown = false;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(dongle.WriteRaw(sim::MakeMeasureFrame(2, other)).has_value());
        test::PumpUntil(
            [&] {
                othersShown |= form->Label1->text().startsWith("Speed: 40.0");
                return false;
            },
            50ms);
    }
    EXPECT_FALSE(othersShown);
    EXPECT_EQ(form->Form().CurrentPoint(), 0);
    EXPECT_EQ(form->Form().ConsoleId(), 1);
    EXPECT_TRUE(form->StatusText().startsWith("Console 1 joined"));

    dongle.SetMeasuresRunning(false);
    const auto silent = Clock::now();
    ASSERT_TRUE(test::PumpUntil([&] { return SaysStale(*form); },
                                std::chrono::milliseconds(TForm1::StaleAfterMs) + 3s));
    PrintFigure("silence to stale shown", silent);
    EXPECT_TRUE(form->StatusText().contains("stopped sending"));
    EXPECT_EQ(form->windowTitle(), "Trimora: Connected") << "the dongle is still there";

    dongle.SetMeasuresRunning(true);
    EXPECT_TRUE(test::PumpUntil([&] { return Streaming(*form); }, 3s));
    EXPECT_TRUE(form->Indicatore->isVisible());
    form.reset();
}

// A device that is not the dongle appears where the dongle is expected: it is asked once, and
// again only after it went away and came back.
TEST(DongleComesAndGoes, ADeviceThatIsNoDongleIsProbedOnceWhileItStays) {
    e2e::ScratchDir dir;
    const std::string link = dir.Path() + "/ttyOTHER";
    auto form = WindowOn(link);
    sim::DongleSim other(StreamingDongle(link, true));
    ASSERT_TRUE(other.Start());
    auto versionRequests = [&] {
        int n = 0;
        for (const sim::HostFrame& f : other.HostFrames()) n += f.Hex == "3E0A00000021";
        return n;
    };
    ASSERT_TRUE(test::PumpUntil([&] { return versionRequests() == 1; }, 4s));
    test::PumpFor(3500ms);
    EXPECT_EQ(versionRequests(), 1) << "asked again while it stayed";
    EXPECT_FALSE(form->Form().Protocol()->Connected());
    // After the attempt the line says what failed and what the program waits for; no dongle
    // was ever found, so nothing was lost.
    EXPECT_EQ(form->StatusText().toStdString(), "No dongle on " + link +
                                                    ". No dongle found: waiting for " + link +
                                                    " or a new serial port");

    ASSERT_TRUE(other.HangUp());
    test::PumpFor(1200ms);
    ASSERT_TRUE(other.Reconnect());
    EXPECT_TRUE(test::PumpUntil([&] { return versionRequests() == 2; }, 4s));
    test::PumpFor(2500ms);
    EXPECT_EQ(versionRequests(), 2);
    form.reset();
}

// The window manager frames the window as it is mapped, or takes over a display where the window
// is shown already and frames it where it stands: no move, resize or activation follows then.
TEST(DongleComesAndGoes, StatusLineStaysInViewUnderATallWindowFrame) {
    for (const bool managerFirst : {true, false}) {
        SCOPED_TRACE(managerFirst ? "window manager first" : "window framed after it was shown");
        e2e::ScratchDir dir;
        test::OpenboxProcess manager(dir.Path(), kTallTitleConfig);
        std::unique_ptr<TQtCalibrationWindow> form;
        if (!managerFirst) form = WindowOn(dir.Path() + "/ttyNONE");
        ASSERT_TRUE(manager.Start()) << "cannot run openbox (package openbox)";
        ASSERT_TRUE(
            test::PumpUntil([&] { return manager.Managing(); }, test::OpenboxProcess::kStartLimit))
            << "openbox did not take the display over";
        if (managerFirst) form = WindowOn(dir.Path() + "/ttyNONE");
        ASSERT_TRUE(test::PumpUntil([&] { return FrameHeight(*form) > 28; }, 5s))
            << "no frame taller than 28 px: " << FrameHeight(*form);
        const int statusBottom = form->StatusLine->geometry().bottom() + 1;
        EXPECT_TRUE(test::PumpUntil([&] { return form->height() == statusBottom; }, 5s))
            << "client area " << form->height() << " px under a " << FrameHeight(*form)
            << " px frame, status line down to " << statusBottom;
        EXPECT_FALSE(form->Memo1->isVisible());
        Picture(*form, managerFirst ? "status-line-under-tall-frame"
                                    : "status-line-under-tall-frame-added-late");
        form.reset();
    }
}

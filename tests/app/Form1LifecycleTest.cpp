#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <algorithm>

#include "tests/app/FormTestSupport.h"

using namespace trimora;
using namespace trimora::test;

namespace {

const char* const kOpenRegistration = "3E0200000021";
const char* const kStartMeasures = "3E130001010021";
const char* const kStopMeasures = "3E130001000021";
const char* const kCloseRegistration = "3E0300000021";
const char* const kRemoveAll = "3E06FF000021";

// The last frame of the shut-down was written just before the port closed; the emulator reads it
// on its own thread. The check that follows says whether it came.
void WaitForGoodbye(const sim::DongleSim& Dongle, std::uint64_t From) {
    static_cast<void>(Dongle.WaitForHostFrame(kRemoveAll, std::chrono::seconds(2), From));
}

}  // namespace

TEST(Form1Lifecycle, OpensRegistrationAfterTheSearchAndSaysGoodbyeToConsoleZero) {
    sim::DongleSim dongle(QuietDongle());
    ASSERT_TRUE(dongle.Start());
    auto form = FormOn(dongle);

    // The search ran before the window was shown; the window is waiting for a console.
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->Form().Protocol()->Connected());
    EXPECT_TRUE(form->Form().Protocol()->DisplayMessage());
    EXPECT_EQ(form->Form().Protocol()->ResistanceInterval(), 1000u);
    EXPECT_TRUE(form->Form().Protocol()->Opened());
    EXPECT_EQ(form->windowTitle(), "Trimora: not connected!");
    EXPECT_EQ(form->OuterHeight(), 164);
    EXPECT_TRUE(form->ZonaObbiettivo->isHidden());
    EXPECT_EQ(form->Label2->text(), "");
    EXPECT_EQ(form->Label1->text(), "Speed:");
    ASSERT_TRUE(dongle.WaitForHostFrame(kOpenRegistration, std::chrono::seconds(2)));
    EXPECT_EQ(dongle.HostFrames().back().Hex, kOpenRegistration);

    // Without a console the operator's point goes nowhere: console 0 has no resistance.
    form->show();
    form->Btn_P2->click();
    EXPECT_TRUE(form->Form().Protocol()->Resistances().empty());

    const std::uint64_t closing = dongle.NextHostFrameSequence();
    form.reset();
    WaitForGoodbye(dongle, closing);
    EXPECT_TRUE(SentInOrder(SentSince(dongle, closing),
                            {kStopMeasures, "3E0600000021", kCloseRegistration, kRemoveAll}));
}

TEST(Form1Lifecycle, JoiningConsoleStreamsAndAClickedPointHoldsWhileMeasuresFlow) {
    sim::ConsoleConfig console;
    console.Id = 1;
    console.JoinDelayMs = 100;
    console.Profile = sim::SpeedProfile::Constant(25.0);
    sim::DongleSim dongle(QuietDongle({console}));
    ASSERT_TRUE(dongle.Start());
    auto form = FormOn(dongle);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    ASSERT_TRUE(PumpUntil([&] { return form->windowTitle() == "Trimora: Connected"; }));
    EXPECT_EQ(form->Form().ConsoleId(), 1);
    EXPECT_TRUE(dongle.WaitForHostFrame(kStartMeasures, std::chrono::seconds(1)));
    ASSERT_TRUE(PumpUntil([&] { return form->Label1->text().startsWith("Speed: 2"); }));
    EXPECT_EQ(QApplication::focusWidget(), form->Btn_P1);  // measures re-apply the point

    QTest::mouseClick(form->Btn_P2, Qt::LeftButton);
    const std::uint64_t afterClick = dongle.Counters().MeasuresWritten;
    // Several measures later, and after a refresh of the resistance table, P2 still holds.
    ASSERT_TRUE(PumpUntil([&] {
        return dongle.Counters().MeasuresWritten >= afterClick + 5 &&
               dongle.ResistanceLevel(1) == 60;
    }));
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(form->Form().CurrentPoint(), 1);
    EXPECT_EQ(QApplication::focusWidget(), form->Btn_P2);
    EXPECT_EQ(form->Label2->text(), "Target speed: 30.0 km/h");
    EXPECT_EQ(dongle.ResistanceLevel(1), 60);
    EXPECT_EQ(form->windowTitle(), "Trimora: Connected");

    // The console says it leaves: that is what the window says, not that it fell silent.
    ASSERT_TRUE(dongle.LeaveConsole(1));
    ASSERT_TRUE(PumpUntil([&] { return form->StatusText().startsWith("Console 1 left"); }));
    EXPECT_TRUE(form->Form().MeasuresStale());
    PumpFor(std::chrono::milliseconds(TForm1::StaleAfterMs + 500));
    EXPECT_TRUE(form->StatusText().startsWith("Console 1 left"))
        << form->StatusText().toStdString();

    const std::uint64_t closing = dongle.NextHostFrameSequence();
    form.reset();
    WaitForGoodbye(dongle, closing);
    EXPECT_TRUE(SentInOrder(SentSince(dongle, closing),
                            {kStopMeasures, "3E0601000021", kCloseRegistration, kRemoveAll}));
}

// No dongle anywhere: the window opens all the same. Measures handed to the protocol still apply
// the point, also before the window can take the focus, but the arrow and the speed text stay.
TEST(Form1Lifecycle, WithoutADongleMeasuresApplyThePointButLeaveSpeedAndArrow) {
    TQtCalibrationWindow form([](TVelnWirelessProtocol& Protocol) {
        Protocol.SetPortDef("/nonexistent/trimora-test-port");
        Protocol.PortLister = [] { return std::vector<std::string>{}; };
    });
    ASSERT_FALSE(form.Form().Protocol()->Connected());
    EXPECT_EQ(form.windowTitle(), "Trimora: not connected!");
    const QRect arrow = form.Indicatore->geometry();

    // Not shown yet: no focus to move, the point is applied all the same.
    form.Form().Protocol()->PacketReceived(nullptr, MeasureFrame(1, 2358, 4));
    EXPECT_EQ(form.Form().CurrentPoint(), 1);
    EXPECT_EQ(form.focusWidget(), nullptr);
    EXPECT_TRUE(form.ZonaObbiettivo->isVisibleTo(&form));
    EXPECT_EQ(form.ZonaObbiettivo->x(), 153);
    EXPECT_EQ(form.Label2->text(), "Target speed: 30.0 km/h");

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.CheckBox1->setFocus();
    form.Form().Protocol()->PacketReceived(nullptr, MeasureFrame(1, 4716, 0));
    EXPECT_EQ(QApplication::focusWidget(), form.Btn_P2);
    EXPECT_EQ(form.Label2->text(), "Target speed: 30.0 km/h");
    EXPECT_EQ(form.Label1->text(), "Speed:");
    EXPECT_FALSE(form.Label1->font().bold());
    EXPECT_EQ(form.Indicatore->geometry(), arrow);
    EXPECT_FALSE(form.Indicatore->isVisible()) << "no arrow on the scale without a speed";

    QTest::mouseClick(form.Btn_P3, Qt::LeftButton);
    EXPECT_EQ(form.ZonaObbiettivo->x(), 203);
    EXPECT_EQ(form.Label2->text(), "Target speed: 40.0 km/h");
    EXPECT_TRUE(form.Form().Protocol()->Resistances().empty());
}

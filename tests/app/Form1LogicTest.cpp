#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/logic/CalibrationView.h"
#include "app/logic/Form1.h"
#include "tests/app/DongleTestSupport.h"

using namespace trimora;
using namespace trimora::test;
using namespace std::chrono_literals;

namespace {

// Keeps what the logic last asked the window to show, and every request in order.
class TRecordingView : public TCalibrationView {
  public:
    std::string Caption, SpeedText = "Speed:", TargetText, Status;
    bool Bold = false, ArrowVisible = true, Mph = false;
    std::optional<double> ArrowSpeed, ZoneCentre, ZoneWidth;
    std::optional<int> OuterHeight, FocusedPoint;
    std::vector<std::string> Calls;

    void SetCaption(const std::string& Text) override { Record("caption", Caption = Text); }
    void ShowSpeed(const std::string& Text, bool OnTarget) override {
        SpeedText = Text;
        Bold = OnTarget;
        Record("speed", Text);
    }
    void ShowTarget(const std::string& Text) override { Record("target", TargetText = Text); }
    void ShowArrowAt(double Speed) override {
        ArrowSpeed = Speed;
        Record("arrow", FormatOneDecimal(Speed));
    }
    void SetArrowVisible(bool Visible) override {
        ArrowVisible = Visible;
        Record("arrow visible", Visible ? "yes" : "no");
    }
    void ShowTargetZone(double Centre, double Width) override {
        ZoneCentre = Centre;
        ZoneWidth = Width;
        Record("zone", FormatOneDecimal(Centre));
    }
    void ShowStatus(const std::string& Text) override { Record("status", Status = Text); }
    void SetOuterHeight(int Value) override {
        OuterHeight = Value;
        Record("height", std::to_string(Value));
    }
    void FocusPointButton(int Point) override {
        FocusedPoint = Point;
        Record("focus", std::to_string(Point));
    }
    bool MphChecked() const override { return Mph; }
    std::string FormatOneDecimal(double Value) const override {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", Value);
        return text;
    }

  private:
    void Record(const char* What, const std::string& Value) {
        Calls.push_back(std::string(What) + ": " + Value);
    }
};

const char* const kStopMeasures = "3E130001000021";
const char* const kCloseRegistration = "3E0300000021";
const char* const kRemoveAll = "3E06FF000021";

// The logic on an emulated dongle, with no window: the search finds it on its port only.
struct LogicOnDongle {
    sim::DongleSim Dongle{QuietDongle()};
    TRecordingView View;
    std::unique_ptr<TForm1> Form;

    LogicOnDongle() {
        if (!Dongle.Start()) return;
        const std::string port = Dongle.PortPath();
        Form = std::make_unique<TForm1>(View, [port](TVelnWirelessProtocol& Protocol) {
            Protocol.SetPortDef(port);
            Protocol.PortLister = [] { return std::vector<std::string>{}; };
        });
        Form->Search()->PortLister = [] { return std::vector<std::string>{}; };
    }
    // Console Id joins, as the dongle announces it.
    void Join(std::uint8_t Id) {
        Form->Protocol()->PacketReceived(
            nullptr, sim::MakeFrame(sim::cmd::kConsoleAdd, sim::kDongleId, sim::Byte(Id)));
    }
    // Console Id leaves, as the dongle announces it.
    void Leave(std::uint8_t Id) {
        Form->Protocol()->PacketReceived(
            nullptr, sim::MakeFrame(sim::cmd::kRemoveConsole, sim::kDongleId, sim::Byte(Id)));
    }
    void Measure(std::uint16_t RawSpeed, std::uint8_t Keys = 0, std::uint8_t Id = 1) {
        Form->Protocol()->PacketReceived(nullptr, MeasureFrame(Id, RawSpeed, Keys));
    }
    int Level() const { return Form->Protocol()->Resistances().at(0).Level; }
};

}  // namespace

TEST(Form1Logic, StartsSmallWaitingForAConsole) {
    LogicOnDongle f;
    ASSERT_TRUE(f.Form && f.Form->Protocol()->Connected());
    EXPECT_EQ(f.View.OuterHeight, 164);
    EXPECT_EQ(f.View.Calls.front(), "height: 164") << "before the search";
    EXPECT_EQ(f.View.Status,
              "Dongle on " + f.Dongle.PortPath() + ": waiting for a console to join");
    EXPECT_EQ(f.Form->StatusText(), f.View.Status);
    EXPECT_FALSE(f.View.ZoneCentre.has_value()) << "no point applied yet";
    EXPECT_FALSE(f.View.ArrowSpeed.has_value());

    f.Join(1);
    EXPECT_EQ(f.View.Caption, "Trimora: Connected");
    EXPECT_EQ(f.View.Status, "Console 1 joined; dongle on " + f.Dongle.PortPath());
}

TEST(Form1Logic, WithoutADongleNoArrowAndTheStatusSaysWhatIsAwaited) {
    TRecordingView view;
    TForm1 form(view, [](TVelnWirelessProtocol& Protocol) {
        Protocol.SetPortDef("/nonexistent/trimora-test-port");
        Protocol.PortLister = [] { return std::vector<std::string>{}; };
    });
    form.Search()->PortLister = [] { return std::vector<std::string>{}; };
    EXPECT_FALSE(form.Protocol()->Connected());
    EXPECT_FALSE(view.ArrowVisible) << "no speed to point at";
    EXPECT_EQ(view.Status.rfind("No dongle found: waiting for ", 0), 0u) << view.Status;
    form.ShutDown();
}

// One console's measures in sequence: its keys step the point, every measure applies the point
// (focus, zone, target text, level) and shows the speed, bold within half a km/h of the target.
TEST(Form1Logic, MeasuresStepThePointAndShowTheSpeedInTheChosenUnit) {
    LogicOnDongle f;
    ASSERT_TRUE(f.Form && f.Form->Protocol()->Connected());
    f.Join(1);
    struct Case {
        std::uint16_t raw;  // 2358 is 20.0 km/h
        std::uint8_t keys;
        bool mph;
        int point;
        const char* speedText;
        bool bold;
        const char* targetText;
        int level;
    } cases[] = {
        {2358, 0, false, 0, "Speed: 20.0 km/h", true, "Target speed: 20.0 km/h", 100},
        {2417, 0, false, 0, "Speed: 20.5 km/h", false, "Target speed: 20.0 km/h", 100},
        {2400, 0, false, 0, "Speed: 20.4 km/h", true, "Target speed: 20.0 km/h", 100},
        {2358, 4, false, 1, "Speed: 20.0 km/h", false, "Target speed: 30.0 km/h", 60},
        {3537, 4, false, 2, "Speed: 30.0 km/h", false, "Target speed: 40.0 km/h", 0},
        {4716, 0, false, 2, "Speed: 40.0 km/h", true, "Target speed: 40.0 km/h", 0},
        {4716, 4, false, 0, "Speed: 40.0 km/h", false, "Target speed: 20.0 km/h", 100},  // wraps
        {4716, 1, false, 2, "Speed: 40.0 km/h", true, "Target speed: 40.0 km/h", 0},     // back
        {4716, 1, false, 1, "Speed: 40.0 km/h", false, "Target speed: 30.0 km/h", 60},
        {4716, 5, false, 1, "Speed: 40.0 km/h", false, "Target speed: 30.0 km/h", 60},  // no step
        // Bold is judged in km/h whatever the unit shown.
        {3537, 0, true, 1, "Speed: 18.6 mph", true, "Target speed: 18.6 mph", 60},
        {0, 1, true, 0, "Speed: 0.0 mph", false, "Target speed: 12.4 mph", 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.raw << " keys " << int(c.keys));
        f.View.Mph = c.mph;
        f.View.FocusedPoint.reset();
        f.Measure(c.raw, c.keys);
        EXPECT_EQ(f.Form->CurrentPoint(), c.point);
        EXPECT_EQ(f.View.FocusedPoint, c.point);
        EXPECT_EQ(f.View.SpeedText, c.speedText);
        EXPECT_EQ(f.View.Bold, c.bold);
        EXPECT_EQ(f.View.TargetText, c.targetText);
        EXPECT_DOUBLE_EQ(*f.View.ZoneCentre, 20.0 + 10 * c.point);
        EXPECT_DOUBLE_EQ(*f.View.ZoneWidth, 2.0);
        EXPECT_NEAR(*f.View.ArrowSpeed, c.raw * 0.008482, 1e-9);
        EXPECT_EQ(f.Level(), c.level);
    }

    // Another rider in range, and an id beyond the component's table, change nothing.
    const std::vector<std::string> before = f.View.Calls;
    f.Measure(2358, 4, 2);
    TVelnWirelessConsoleMeasures empty;
    f.Form->tmpMeasureRecieved(empty, 7);
    EXPECT_EQ(f.View.Calls, before);
}

// The buttons apply their point without moving the focus and leave the speed text alone; the
// mph box takes effect at the next click.
TEST(Form1Logic, ButtonsApplyTheirPointAndLevel) {
    LogicOnDongle f;
    ASSERT_TRUE(f.Form && f.Form->Protocol()->Connected());
    f.Join(1);
    f.Measure(2358);
    struct Case {
        void (TForm1::*click)(TObject*);
        bool mph;
        int point;
        const char* targetText;
        int level;
    } cases[] = {
        {&TForm1::Btn_P2Click, false, 1, "Target speed: 30.0 km/h", 60},
        {&TForm1::Btn_P3Click, false, 2, "Target speed: 40.0 km/h", 0},
        {&TForm1::Btn_P1Click, true, 0, "Target speed: 12.4 mph", 100},
        {&TForm1::Btn_P3Click, true, 2, "Target speed: 24.9 mph", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.targetText);
        f.View.Mph = c.mph;
        f.View.FocusedPoint.reset();
        (f.Form.get()->*c.click)(nullptr);
        EXPECT_EQ(f.Form->CurrentPoint(), c.point);
        EXPECT_DOUBLE_EQ(f.Form->TargetSpeed(), 20.0 + 10 * c.point);
        EXPECT_EQ(f.View.TargetText, c.targetText);
        EXPECT_DOUBLE_EQ(*f.View.ZoneCentre, 20.0 + 10 * c.point);
        EXPECT_EQ(f.Level(), c.level);
        EXPECT_FALSE(f.View.FocusedPoint.has_value());
        EXPECT_EQ(f.View.SpeedText, "Speed: 20.0 km/h");
    }
}

TEST(Form1Logic, OnlyLowerCaseDShowsTheTextPane) {
    LogicOnDongle f;
    ASSERT_TRUE(f.Form);
    for (char key : {'D', 'x', '4', '\r'}) {
        f.Form->FormKeyPress(nullptr, key);
        EXPECT_EQ(f.View.OuterHeight, 164) << key;
    }
    f.Form->FormKeyPress(nullptr, 'd');
    EXPECT_EQ(f.View.OuterHeight, 400);
}

// Two seconds without a measure: no speed is claimed until the next one. A lost dongle shows the
// same at once and says where it is waited for.
TEST(Form1Logic, SilenceAndLossShowNoSpeed) {
    LogicOnDongle f;
    ASSERT_TRUE(f.Form && f.Form->Protocol()->Connected());
    f.Join(1);
    const std::string port = f.Dongle.PortPath();

    PumpFor(std::chrono::milliseconds(TForm1::StaleAfterMs + 300));
    EXPECT_FALSE(f.Form->MeasuresStale()) << "before the first measure nothing is stale";
    EXPECT_EQ(f.View.SpeedText, "Speed:");

    f.View.Mph = true;
    f.Measure(2358);
    ASSERT_TRUE(f.View.ArrowVisible);
    ASSERT_TRUE(PumpUntil([&] { return f.Form->MeasuresStale(); }, 5s));
    EXPECT_EQ(f.View.SpeedText, "Speed: -- mph");
    EXPECT_FALSE(f.View.Bold);
    EXPECT_FALSE(f.View.ArrowVisible);
    EXPECT_EQ(f.View.Status, "Console 1 stopped sending: out of range or battery flat?");
    EXPECT_EQ(f.View.Caption, "Trimora: Connected") << "the dongle is still there";

    f.View.Mph = false;
    f.Measure(2358);
    EXPECT_FALSE(f.Form->MeasuresStale());
    EXPECT_TRUE(f.View.ArrowVisible);
    EXPECT_EQ(f.View.SpeedText, "Speed: 20.0 km/h");
    EXPECT_EQ(f.View.Status, "Console 1 joined; dongle on " + port);

    // Only the console followed leaving counts; its next measure is shown again.
    f.Leave(2);
    EXPECT_FALSE(f.Form->MeasuresStale());
    f.Leave(1);
    EXPECT_TRUE(f.Form->MeasuresStale());
    EXPECT_FALSE(f.View.ArrowVisible);
    EXPECT_EQ(f.View.Status, "Console 1 left; dongle on " + port);
    f.Measure(2358);
    EXPECT_TRUE(f.View.ArrowVisible);
    EXPECT_EQ(f.View.SpeedText, "Speed: 20.0 km/h");

    ASSERT_TRUE(f.Dongle.HangUp());
    ASSERT_TRUE(PumpUntil([&] { return f.View.Caption == "Trimora: not connected!"; }, 5s));
    EXPECT_TRUE(f.Form->MeasuresStale());
    EXPECT_EQ(f.View.SpeedText, "Speed: -- km/h");
    EXPECT_FALSE(f.View.ArrowVisible);
    EXPECT_EQ(f.View.Status.rfind("Dongle lost from " + port, 0), 0u) << f.View.Status;
}

// The shut-down says goodbye to the console that joined, once, and then shows nothing more: a
// loss during or after it is no news to a window that is going away.
TEST(Form1Logic, ShutDownSendsTheGoodbyeOnceAndThenShowsNothing) {
    LogicOnDongle f;
    ASSERT_TRUE(f.Form && f.Form->Protocol()->Connected());
    f.Join(1);
    f.Measure(2358);

    const std::uint64_t closing = f.Dongle.NextHostFrameSequence();
    f.Form->ShutDown();
    static_cast<void>(f.Dongle.WaitForHostFrame(kRemoveAll, 2s, closing));
    EXPECT_TRUE(SentInOrder(SentSince(f.Dongle, closing),
                            {kStopMeasures, "3E0601000021", kCloseRegistration, kRemoveAll}));
    EXPECT_FALSE(f.Form->Protocol()->Connected());

    const std::vector<std::string> shown = f.View.Calls;
    const std::uint64_t after = f.Dongle.NextHostFrameSequence();
    f.Form->ShutDown();
    PumpFor(std::chrono::milliseconds(TForm1::StaleAfterMs + 300));  // no stale display either
    f.Form.reset();
    EXPECT_EQ(f.View.Calls, shown);
    EXPECT_TRUE(SentSince(f.Dongle, after).empty());
}

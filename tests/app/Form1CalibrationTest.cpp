#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "tests/app/FormTestSupport.h"

using namespace trimora;
using namespace trimora::test;

namespace {

// One window, connected to a quiet emulated dongle, shared by the tests of this file: each test
// hands it measures through the protocol component's packet handler, as the framer would.
class Form1Calibration : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        FSim = new sim::DongleSim(QuietDongle());
        ASSERT_TRUE(FSim->Start());
        FForm = FormOn(*FSim).release();
        FForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FForm));
    }
    static void TearDownTestSuite() {
        delete FForm;
        delete FSim;
    }

    void SetUp() override {
        ASSERT_NE(FForm, nullptr);
        ASSERT_TRUE(FForm->Form().Protocol()->Connected());
        FForm->CheckBox1->setChecked(false);
        FForm->Btn_P1->click();
    }

    static void Measure(std::uint16_t RawSpeed, std::uint8_t Keys = 0, std::uint8_t Id = 1) {
        FForm->Form().Protocol()->PacketReceived(nullptr, MeasureFrame(Id, RawSpeed, Keys));
    }
    static QPushButton* Button(int Point) {
        QPushButton* buttons[] = {FForm->Btn_P1, FForm->Btn_P2, FForm->Btn_P3};
        return buttons[Point];
    }

    static inline sim::DongleSim* FSim = nullptr;
    static inline TQtCalibrationWindow* FForm = nullptr;
    DefaultLocale FLocale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

}  // namespace

TEST_F(Form1Calibration, ConsoleKeysStepThePointAndTheFocusFollows) {
    struct Case {
        int start;
        std::uint8_t keys;
        int selected;
    } cases[] = {
        {2, 4, 0}, {0, 1, 2},  // wrapping both ways
        {0, 4, 1}, {1, 4, 2}, {1, 1, 0}, {2, 1, 1},   {1, 0, 1},
        {1, 2, 1}, {1, 3, 1}, {1, 5, 1}, {1, 255, 1},  // no step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from P" << c.start + 1 << " keys " << int(c.keys));
        Button(c.start)->click();
        FForm->CheckBox1->setFocus();
        Measure(2358, c.keys);
        EXPECT_EQ(FForm->Form().CurrentPoint(), c.selected);
        EXPECT_EQ(QApplication::focusWidget(), Button(c.selected));
        EXPECT_EQ(FForm->ZonaObbiettivo->x(), 103 + 50 * c.selected);
        EXPECT_DOUBLE_EQ(FForm->Form().TargetSpeed(), 20.0 + 10 * c.selected);
    }
}

TEST_F(Form1Calibration, KeysOfConsecutiveMeasuresEachCount) {
    const int expected[] = {1, 2, 0, 1};
    for (int point : expected) {
        Measure(2358, 4);
        EXPECT_EQ(FForm->Form().CurrentPoint(), point);
    }
}

TEST_F(Form1Calibration, SpeedTextBoldWithinHalfAKmhAndTheArrowOnTheScale) {
    struct Case {
        std::uint16_t raw;
        const char* text;
        bool bold;
        int gaugeLeft;
    } cases[] = {
        {2298, "Speed: 19.5 km/h", false, 80},      // 19.4916: 0.508 below 20
        {2299, "Speed: 19.5 km/h", true, 81},       // 19.5001
        {2358, "Speed: 20.0 km/h", true, 83},       // 20.000556
        {2416, "Speed: 20.5 km/h", true, 85},       // 20.4925
        {2417, "Speed: 20.5 km/h", false, 86},      // 20.5010
        {0, "Speed: 0.0 km/h", false, -17},         // arrow over the scale's left end
        {7074, "Speed: 60.0 km/h", false, 283},     // and its right end
        {65535, "Speed: 555.9 km/h", false, 2762},  // nothing holds it on the scale
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        Measure(c.raw);
        EXPECT_EQ(FForm->Label1->text(), c.text);
        EXPECT_EQ(FForm->Label1->font().bold(), c.bold);
        EXPECT_EQ(FForm->Indicatore->x(), c.gaugeLeft);
        EXPECT_EQ(FForm->Label1->x(), 8);
    }
}

TEST_F(Form1Calibration, MphShowsConvertedTextsWhileBoldStaysInKmh) {
    FForm->CheckBox1->setChecked(true);
    Measure(2358);
    EXPECT_EQ(FForm->Label1->text(), "Speed: 12.4 mph");
    EXPECT_TRUE(FForm->Label1->font().bold());
    EXPECT_EQ(FForm->Label2->text(), "Target speed: 12.4 mph");
    Measure(2417);  // 20.5 km/h is 12.74 mph: within half a unit only if mph were compared
    EXPECT_FALSE(FForm->Label1->font().bold());
}

TEST_F(Form1Calibration, EachPointShowsItsZoneAndTargetText) {
    struct Case {
        QPushButton* button;
        int zoneLeft;
        const char* kmh;
        const char* mph;
    } cases[] = {
        {FForm->Btn_P1, 103, "Target speed: 20.0 km/h", "Target speed: 12.4 mph"},
        {FForm->Btn_P2, 153, "Target speed: 30.0 km/h", "Target speed: 18.6 mph"},
        {FForm->Btn_P3, 203, "Target speed: 40.0 km/h", "Target speed: 24.9 mph"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kmh);
        FForm->CheckBox1->setChecked(false);
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_TRUE(FForm->ZonaObbiettivo->isVisible());
        EXPECT_EQ(FForm->ZonaObbiettivo->geometry(), QRect(c.zoneLeft, 80, 10, 17));
        EXPECT_EQ(FForm->Label2->text(), c.kmh);
        EXPECT_EQ(FForm->Label2->RightEdge(), 312);
        FForm->CheckBox1->setChecked(true);
        c.button->click();
        EXPECT_EQ(FForm->Label2->text(), c.mph);
        EXPECT_EQ(FForm->Label2->RightEdge(), 312);
    }
}

TEST_F(Form1Calibration, NumbersUseTheUserDecimalSeparator) {
    DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    FForm->Btn_P3->click();
    EXPECT_EQ(FForm->Label2->text(), "Target speed: 40,0 km/h");
    Measure(2358, 0);
    EXPECT_EQ(FForm->Label1->text(), "Speed: 20,0 km/h");
}

TEST_F(Form1Calibration, MphBoxTakesEffectOnlyAtTheNextMeasureOrClick) {
    Measure(2358);
    ASSERT_EQ(FForm->Label1->text(), "Speed: 20.0 km/h");
    ASSERT_EQ(FForm->Label2->text(), "Target speed: 20.0 km/h");

    QTest::mouseClick(FForm->CheckBox1, Qt::LeftButton);
    ASSERT_TRUE(FForm->CheckBox1->isChecked());
    EXPECT_EQ(FForm->Label1->text(), "Speed: 20.0 km/h");
    EXPECT_EQ(FForm->Label2->text(), "Target speed: 20.0 km/h");

    Measure(2358);
    EXPECT_EQ(FForm->Label1->text(), "Speed: 12.4 mph");
    EXPECT_EQ(FForm->Label2->text(), "Target speed: 12.4 mph");

    QTest::mouseClick(FForm->CheckBox1, Qt::LeftButton);
    EXPECT_EQ(FForm->Label1->text(), "Speed: 12.4 mph");
    FForm->Btn_P2->click();  // a click renews the target text only
    EXPECT_EQ(FForm->Label2->text(), "Target speed: 30.0 km/h");
    EXPECT_EQ(FForm->Label1->text(), "Speed: 12.4 mph");
}

TEST_F(Form1Calibration, MeasuresFollowTheConsoleTheyComeFrom) {
    Measure(2358, 0, 1);
    Measure(4716, 0, 3);  // another console, 40.0 km/h
    EXPECT_EQ(FForm->Label1->text(), "Speed: 40.0 km/h");
    Measure(2358, 0, 1);
    EXPECT_EQ(FForm->Label1->text(), "Speed: 20.0 km/h");
}

TEST_F(Form1Calibration, AMalformedOrEmptyMeasureTableIsIgnored) {
    Measure(2358);
    TVelnWirelessConsoleMeasures empty;
    FForm->Form().tmpMeasureRecieved(empty, 7);  // nothing at index 7: nothing to read
    EXPECT_EQ(FForm->Label1->text(), "Speed: 20.0 km/h");
    EXPECT_EQ(FForm->Form().CurrentPoint(), 0);
}

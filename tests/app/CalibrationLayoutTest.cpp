#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLocale>
#include <QScreen>
#include <QTest>

#include "app/qt/CalibrationLayout.h"

using namespace trimora;

namespace {

QRect Geometry(const QWidget* W) {
    return W->geometry();
}

bool IsShownWithFrame(TCalibrationLayout& Form) {
    Form.show();
    return QTest::qWaitForWindowExposed(&Form);
}

// The locale the numbers are formatted in, set for one test.
struct DefaultLocale {
    QLocale saved;
    explicit DefaultLocale(const QLocale& L) { QLocale::setDefault(L); }
    ~DefaultLocale() { QLocale::setDefault(saved); }
};

}  // namespace

TEST(CalibrationLayout, FixedControlsSitWhereTheyAreLaidOut) {
    TCalibrationLayout form;
    struct Case {
        const char* name;
        const QWidget* control;
        QRect geometry;
    } cases[] = {
        {"Btn_P1", form.Btn_P1, {16, 16, 75, 25}},
        {"Btn_P2", form.Btn_P2, {120, 16, 75, 25}},
        {"Btn_P3", form.Btn_P3, {224, 16, 75, 25}},
        {"Indicatore", form.Indicatore, {88, 43, 50, 45}},
        {"Zona", form.Zona, {8, 80, 300, 17}},
        {"ZonaObbiettivo", form.ZonaObbiettivo, {136, 80, 20, 17}},
        {"Label3", form.Label3, {8, 112, 40, 12}},
        {"CheckBox1", form.CheckBox1, {264, 104, 49, 17}},
    };
    for (const Case& c : cases) EXPECT_EQ(Geometry(c.control), c.geometry) << c.name;

    EXPECT_EQ(form.Btn_P1->text(), "P1");
    EXPECT_EQ(form.Btn_P2->text(), "P2");
    EXPECT_EQ(form.Btn_P3->text(), "P3");
    EXPECT_EQ(form.Label1->text(), "Speed:");
    EXPECT_EQ(form.Label2->text(), "");
    EXPECT_EQ(form.Label3->text(), "Ver. 2.0");
    EXPECT_EQ(form.CheckBox1->text(), "mph");
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_EQ(form.Memo1->toPlainText(), "Memo1");
    EXPECT_FALSE(form.Memo1->isReadOnly());
    EXPECT_TRUE(form.ZonaObbiettivo->isHidden());
    EXPECT_FALSE(form.Indicatore->isHidden());
    EXPECT_EQ(form.windowTitle(), "Trimora: not connected!");
    EXPECT_EQ(form.width(), 319);
}

TEST(CalibrationLayout, LabelsFitTheirTextAndLabel2KeepsItsRightEdge) {
    TCalibrationLayout form;
    EXPECT_EQ(form.Label1->pos(), QPoint(8, 56));
    EXPECT_EQ(form.Label1->height(), QFontMetrics(form.Label1->font()).height());
    EXPECT_GE(form.Label1->width(), QFontMetrics(form.Label1->font()).horizontalAdvance("Speed:"));
    EXPECT_EQ(form.Label2->RightEdge(), 312);
    EXPECT_EQ(form.Label2->y(), 56);

    form.Label2->SetCaption("Target speed: 40.0 km/h");
    EXPECT_EQ(form.Label2->RightEdge(), 312);
    const int wide = form.Label2->width();
    EXPECT_GT(wide, 100);
    form.Label2->SetCaption("Target speed: 1.0 mph");
    EXPECT_EQ(form.Label2->RightEdge(), 312);
    EXPECT_LT(form.Label2->width(), wide);

    // Bold text is wider; the label grows with it and keeps its left edge.
    const int regular = form.Label1->width();
    QFont bold = form.Label1->font();
    bold.setBold(true);
    form.Label1->setFont(bold);
    EXPECT_GT(form.Label1->width(), regular);
    EXPECT_EQ(form.Label1->x(), 8);
}

TEST(CalibrationLayout, FontsAreTheWindowFontAndTheSmallVersionFont) {
    TCalibrationLayout form;
    EXPECT_EQ(QFontInfo(form.font()).pixelSize(), 11);
    for (const QWidget* w :
         {static_cast<const QWidget*>(form.Label1), static_cast<const QWidget*>(form.Btn_P1),
          static_cast<const QWidget*>(form.CheckBox1), static_cast<const QWidget*>(form.Memo1)})
        EXPECT_EQ(QFontInfo(w->font()).pixelSize(), 11);
    EXPECT_EQ(QFontInfo(form.Label3->font()).pixelSize(), 8);
}

TEST(CalibrationLayout, StackingPutsShapesAndLabelsBelowTheControls) {
    TCalibrationLayout form;
    const QObjectList& order = form.children();  // Qt paints siblings in this order
    auto at = [&](const QWidget* w) { return order.indexOf(const_cast<QWidget*>(w)); };
    const QWidget* bottomUp[] = {form.Zona,   form.ZonaObbiettivo, form.Label1,
                                 form.Label2, form.Indicatore,     form.Label3};
    for (std::size_t i = 1; i < std::size(bottomUp); ++i)
        EXPECT_LT(at(bottomUp[i - 1]), at(bottomUp[i])) << i;
    for (const QWidget* control :
         {static_cast<const QWidget*>(form.Btn_P1), static_cast<const QWidget*>(form.Btn_P2),
          static_cast<const QWidget*>(form.Btn_P3), static_cast<const QWidget*>(form.CheckBox1),
          static_cast<const QWidget*>(form.Memo1)})
        EXPECT_GT(at(control), at(form.Label3));
}

TEST(CalibrationLayout, PaintsButtonFaceScaleAndZoneColours) {
    TCalibrationLayout form;
    form.ZonaObbiettivo->show();
    form.MuoviZonaObbiettivo(20.0, 2.0);  // 103..112
    const QImage image = form.grab().toImage();
    EXPECT_EQ(image.pixelColor(2, 150), form.palette().color(QPalette::Button));
    EXPECT_EQ(image.pixelColor(8, 80), QColor(Qt::black));  // scale outline
    EXPECT_EQ(image.pixelColor(307, 96), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(50, 88), QColor(Qt::white));   // scale inside
    EXPECT_EQ(image.pixelColor(103, 88), QColor(Qt::black));  // zone outline
    EXPECT_EQ(image.pixelColor(107, 88), QColor(Qt::cyan));   // zone inside
    // The gauge's tip, centred on x = 113 for a left edge of 88, ends just above the scale.
    EXPECT_EQ(image.pixelColor(113, 80), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(113, 79), form.palette().color(QPalette::Button));
    EXPECT_EQ(image.pixelColor(113, 70), QColor(0, 255, 0));
}

TEST(CalibrationLayout, FixedDialogFrameWithoutMinimiseOrMaximise) {
    TCalibrationLayout form;
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    ASSERT_TRUE(IsShownWithFrame(form));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST(CalibrationLayout, ShowsCentredAtTheSmallHeightWithTheTextPaneOutOfView) {
    TCalibrationLayout form;
    ASSERT_TRUE(IsShownWithFrame(form));
    EXPECT_EQ(form.frameGeometry().height(), 164);
    EXPECT_EQ(form.OuterHeight(), 164);
    EXPECT_FALSE(form.Memo1->isVisible());
    const QPoint centre = form.screen()->availableGeometry().center();
    EXPECT_LE((form.frameGeometry().center() - centre).manhattanLength(), 2);

    form.SetOuterHeight(400);
    EXPECT_EQ(form.frameGeometry().height(), 400);
    EXPECT_TRUE(form.Memo1->isVisible());
    // Anchored to all four sides: the margins of the layout hold.
    EXPECT_EQ(form.Memo1->geometry().topLeft(), QPoint(16, 136));
    EXPECT_EQ(form.width() - form.Memo1->geometry().right() - 1, 22);
    EXPECT_EQ(form.height() - form.Memo1->geometry().bottom() - 1, 17);
}

TEST(CalibrationLayout, TabOrderRunsThroughButtonsCheckBoxAndTextPane) {
    TCalibrationLayout form;
    form.SetOuterHeight(400);
    ASSERT_TRUE(IsShownWithFrame(form));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Btn_P1->setFocus();
    const QWidget* expected[] = {form.Btn_P2, form.Btn_P3, form.CheckBox1, form.Memo1, form.Btn_P1};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    EXPECT_EQ(form.Memo1->toPlainText(), "Memo1");  // the text pane passed the tab on
}

TEST(CalibrationLayout, ZoneAndGaugeFollowTheScaleWithHalvesRoundedToEven) {
    TCalibrationLayout form;
    struct ZoneCase {
        double centre, width;
        int left, pixels;
    } zones[] = {
        {20.0, 2.0, 103, 10}, {30.0, 2.0, 153, 10},
        {40.0, 2.0, 203, 10}, {0.5, 0.0, 10, 0},  // 2.5 px rounds to 2
        {2.75, 0.5, 20, 2},                       // 12.5 px rounds to 12, a width of 2.5 px to 2
    };
    for (const ZoneCase& z : zones) {
        form.MuoviZonaObbiettivo(z.centre, z.width);
        EXPECT_EQ(form.ZonaObbiettivo->x(), z.left) << z.centre;
        EXPECT_EQ(form.ZonaObbiettivo->width(), z.pixels) << z.centre;
        EXPECT_EQ(form.ZonaObbiettivo->y(), 80);
        EXPECT_EQ(form.ZonaObbiettivo->height(), 17);
    }

    struct GaugeCase {
        double speed;
        int left;
    } gauges[] = {
        {0.0, -17},   {2358 * 0.008482, 83}, {60.0, 283}, {0.5, -15},  // 2.5 px rounds down to even
        {1.5, -9},                                                     // 7.5 px rounds up to even
        {2.5, -5},     // 12.5 px rounds down to even
        {100.0, 483},  // nothing holds the arrow on the scale
    };
    for (const GaugeCase& g : gauges) {
        form.MuoviIndicatore(g.speed);
        EXPECT_EQ(form.Indicatore->x(), g.left) << g.speed;
        EXPECT_EQ(form.Indicatore->y(), 43);
    }
}

TEST(CalibrationLayout, NumbersUseTheUserDecimalSeparatorWithoutGrouping) {
    {
        DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(TCalibrationLayout::FormatOneDecimal(1234.56), "1234.6");
        EXPECT_EQ(TCalibrationLayout::FormatOneDecimal(20.000556), "20.0");
    }
    DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(TCalibrationLayout::FormatOneDecimal(1234.56), "1234,6");
}

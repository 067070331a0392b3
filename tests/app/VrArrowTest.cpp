#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "app/qt/VrArrow.h"

using namespace trimora;

namespace {

const QColor Backdrop(255, 0, 255);

// The gauge on a magenta parent, so every pixel it leaves alone shows magenta.
struct GaugeOnBackdrop {
    QWidget parent;
    TVrArrow* gauge;

    GaugeOnBackdrop() {
        parent.resize(50, 45);
        QPalette palette;
        palette.setColor(QPalette::Window, Backdrop);
        parent.setPalette(palette);
        parent.setAutoFillBackground(true);
        gauge = new TVrArrow(&parent);
        gauge->setGeometry(0, 0, 50, 45);
    }
    QImage Picture() { return parent.grab().toImage(); }
};

QRect PaintedArea(const QImage& Image) {
    QRect area;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixelColor(x, y) != Backdrop) area |= QRect(x, y, 1, 1);
    return area;
}

bool IsDark(const QColor& C) {
    return C.red() < 64 && C.green() < 64 && C.blue() < 64;
}

}  // namespace

TEST(VrArrow, StartsAsTheWindowUsesIt) {
    TVrArrow gauge;
    EXPECT_TRUE(gauge.Active());
    EXPECT_EQ(gauge.Direction(), TVrArrowDirection::adDown);
    EXPECT_FALSE(gauge.autoFillBackground());
    EXPECT_EQ(gauge.focusPolicy(), Qt::NoFocus);
}

// Down is what the window shows; the other directions turn the same shape.
TEST(VrArrow, DrawsA27By28ArrowCentredWithItsTipOutlined) {
    struct Case {
        TVrArrowDirection direction;
        QRect area;  // painted pixels in the 50 x 45 box
        QPoint tip;
        QPoint shaftEnd;  // middle of the flat end, on the outline
    } cases[] = {
        {TVrArrowDirection::adDown, QRect(12, 9, 27, 28), {25, 36}, {25, 9}},
        {TVrArrowDirection::adUp, QRect(12, 9, 27, 28), {25, 9}, {25, 36}},
        {TVrArrowDirection::adLeft, QRect(11, 9, 28, 27), {11, 22}, {38, 22}},
        {TVrArrowDirection::adRight, QRect(11, 9, 28, 27), {38, 22}, {11, 22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.direction));
        GaugeOnBackdrop fixture;
        fixture.gauge->SetDirection(c.direction);
        const QImage image = fixture.Picture();
        EXPECT_EQ(PaintedArea(image), c.area);
        EXPECT_TRUE(IsDark(image.pixelColor(c.tip)));
        EXPECT_TRUE(IsDark(image.pixelColor(c.shaftEnd)));
        // The corners of the box stay see-through.
        EXPECT_EQ(image.pixelColor(0, 0), Backdrop);
        EXPECT_EQ(image.pixelColor(49, 44), Backdrop);
    }
}

TEST(VrArrow, FillsWithHighColourWhileActiveAndLowColourOtherwise) {
    GaugeOnBackdrop fixture;
    fixture.gauge->SetColorHigh(QColor(0, 255, 0));
    fixture.gauge->SetColorLow(QColor(0, 128, 0));
    const QPoint inside(25, 28);  // in the head, below the shaft

    EXPECT_EQ(fixture.Picture().pixelColor(inside), QColor(0, 255, 0));
    EXPECT_EQ(fixture.Picture().pixelColor(25, 12), QColor(0, 255, 0));  // in the shaft

    fixture.gauge->SetActive(false);
    EXPECT_EQ(fixture.Picture().pixelColor(inside), QColor(0, 128, 0));

    fixture.gauge->SetColorLow(Qt::red);
    EXPECT_EQ(fixture.Picture().pixelColor(inside), QColor(Qt::red));
}

// The window's text is as wide as its layout was drawn for: "MS Sans Serif" is mapped to a face
// with its metrics, so the bold speed at P1's speeds stays clear of the arrow. A binary of its
// own: the mapping holds for the rest of the process.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <algorithm>
#include <climits>

#include "app/qt/CalibrationLayout.h"
#include "app/qt/FontSubstitute.h"

using namespace trimora;

namespace {

const QString kSpeedText = QStringLiteral("Speed: 20.1 km/h");

// Where the bold speed text ends and where the arrow, at 20 km/h, begins in the rows its letters
// stand in (above the baseline; "km/h" has no descender): both in the window's coordinates.
struct TextAndArrow {
    int TextRight;
    int ArrowLeft;
};

TextAndArrow MeasureAt20Kmh(const QFont& Font) {
    TCalibrationLayout window;
    QFont bold = Font;
    bold.setBold(true);
    window.Label1->setFont(bold);
    window.Label1->SetCaption(kSpeedText);
    window.MuoviIndicatore(20.0);

    const int textRight = window.Label1->x() + QFontMetrics(bold).horizontalAdvance(kSpeedText);
    QImage arrow(window.Indicatore->size(), QImage::Format_ARGB32_Premultiplied);
    arrow.fill(Qt::transparent);
    window.Indicatore->render(&arrow, QPoint(), QRegion(), QWidget::DrawChildren);
    int arrowLeft = INT_MAX;
    const int top = window.Label1->y() - window.Indicatore->y();
    const int baseline = top + QFontMetrics(bold).ascent();
    for (int y = std::max(0, top); y < std::min(arrow.height(), baseline); ++y)
        for (int x = 0; x < arrow.width(); ++x)
            if (qAlpha(arrow.pixel(x, y)) != 0) arrowLeft = std::min(arrowLeft, x);
    return {textRight, window.Indicatore->x() + arrowLeft};
}

}  // namespace

TEST(WindowFont, TheBoldSpeedStaysClearOfTheArrowAt20Kmh) {
    const QFont wanted = TCalibrationLayout::WindowFont();
    const QString family = InstallFontSubstitute(wanted, MsSansSerifStandIn());
    if (family.isEmpty())
        GTEST_SKIP() << "no face with the metrics of MS Sans Serif is installed "
                        "(install fonts-liberation2)";
    EXPECT_EQ(QFontInfo(wanted).family(), family);
    EXPECT_EQ(QFontInfo(wanted).pixelSize(), 11);

    const TextAndArrow m = MeasureAt20Kmh(wanted);
    ASSERT_NE(m.ArrowLeft, INT_MAX) << "the arrow does not reach the text's rows";
    EXPECT_LT(m.TextRight, m.ArrowLeft) << qPrintable(family);

    // The measure tells the faces apart: the wider fallback runs under the arrow.
    if (!QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans"))) return;
    QFont dejaVu = wanted;
    dejaVu.setFamilies({QStringLiteral("DejaVu Sans")});
    const TextAndArrow wide = MeasureAt20Kmh(dejaVu);
    EXPECT_GE(wide.TextRight, wide.ArrowLeft);
}

TEST(WindowFont, OnlyFacesThatDrawTheSizeAndTheBoldCount) {
    for (const QString& family : MsSansSerifStandIn().MetricCompatible) {
        if (QFontDatabase::hasFamily(family)) {
            EXPECT_TRUE(RendersCleanly(family, 11)) << qPrintable(family);
        }
    }

    // Wine's "MS Sans Serif" has strikes of 13, 16 and 20 px only, and no bold.
    const QString wine = MsSansSerifStandIn().Files.front();
    if (!QFileInfo::exists(wine)) {
        GTEST_SKIP() << "no " << qPrintable(wine) << " (fonts-wine)";
    }
    const int id = QFontDatabase::addApplicationFont(wine);
    ASSERT_GE(id, 0);
    EXPECT_FALSE(RendersCleanly(QStringLiteral("MS Sans Serif"), 11));
    EXPECT_FALSE(RendersCleanly(QStringLiteral("MS Sans Serif"), 13))
        << "the 13 px strike exists, but its bold is drawn as regular";
    QFontDatabase::removeApplicationFont(id);
}

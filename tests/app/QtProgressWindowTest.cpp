#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTest>

#include "app/QtProgressWindow.h"
#include "runtime/Application.h"
#include "support/VelnProgressBar.h"

using namespace trimora;

namespace {

// The look of a new search window: 377 x 50, a full bar 361 x 25 at (8, 25), text at (8, 5).
ProgressWindowLook SearchLook() {
    ProgressWindowLook look;
    look.Caption = "TVelnProgressBar";
    look.Width = 377;
    look.Height = 50;
    look.BarName = "progressbar1";
    look.BarLeft = 8;
    look.BarTop = 25;
    look.BarWidth = 361;
    look.BarHeight = 25;
    look.Min = 0;
    look.Max = 100;
    look.Step = 1;
    look.Position = 100;
    look.LabelLeft = 8;
    look.LabelTop = 5;
    look.LabelText = "TVelnProgressBar";
    look.LabelVisible = true;
    return look;
}

}  // namespace

TEST(QtProgressWindow, DrawsTheLookAsAFramelessToolWindowAboveTheOthers) {
    QtProgressWindow window([] { return nullptr; });
    ProgressWindowLook look = SearchLook();
    window.Apply(look);
    EXPECT_FALSE(window.isVisible());  // built hidden

    look.Visible = true;
    look.LabelText = "Finding USB dongle...COM1 \xB0";
    look.Max = 4;
    look.Position = 2;
    window.Apply(look);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(window.size(), QSize(377, 50));
    EXPECT_EQ(window.Bar()->geometry(), QRect(8, 25, 361, 25));
    EXPECT_EQ(window.Bar()->objectName(), "progressbar1");
    EXPECT_EQ(window.Bar()->maximum(), 4);
    EXPECT_EQ(window.Bar()->value(), 2);
    EXPECT_EQ(window.Label()->pos(), QPoint(8, 5));
    EXPECT_EQ(window.Label()->text(), QString::fromUtf8("Finding USB dongle...COM1 \u00B0"));
    EXPECT_TRUE(window.Label()->isVisible());

    look.Visible = false;
    window.Apply(look);
    EXPECT_FALSE(window.isVisible());
    look.Visible = true;
    window.Apply(look);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Bar()->value(), 2);
}

TEST(QtProgressWindow, AppearsCentredOverTheMainWindowOrTheScreenBeforeThatIsShown) {
    QWidget main;
    main.setGeometry(40, 60, 319, 373);
    QtProgressWindow window([&main] { return &main; });
    ProgressWindowLook look = SearchLook();
    look.Visible = true;

    window.Apply(look);  // main window not shown yet
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window.frameGeometry().center() - screenCentre).manhattanLength(), 1);
    look.Visible = false;
    window.Apply(look);

    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    look.Visible = true;
    window.Apply(look);
    EXPECT_LE((window.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(),
              1);
}

TEST(QtProgressWindow, TheCoreProgressWindowShowsThroughTheInstalledView) {
    QWidget main;
    InstallQtProgressWindows([&main] { return &main; });
    QPointer<QtProgressWindow> shown;
    {
        TVelnProgressBar progress(nullptr);
        auto* window = dynamic_cast<QtProgressWindow*>(progress.View());
        ASSERT_NE(window, nullptr);
        shown = window;
        EXPECT_FALSE(window->isVisible());

        progress.FShowEnabled = true;
        progress.SetMax(4);
        progress.SetPosition(3);
        progress.SetText("Found on /dev/ttyUSB0");
        progress.Show();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->size(), QSize(377, 50));
        EXPECT_EQ(window->Bar()->geometry(), QRect(8, 25, 361, 25));
        EXPECT_EQ(window->Bar()->value(), 3);
        EXPECT_EQ(window->Bar()->maximum(), 4);
        EXPECT_EQ(window->Label()->text(), "Found on /dev/ttyUSB0");

        progress.Close();
        EXPECT_FALSE(window->isVisible());
    }
    EXPECT_TRUE(shown.isNull());  // the window went with its holder
    Application::Instance().Ui().SetProgressViewFactory(nullptr);
}

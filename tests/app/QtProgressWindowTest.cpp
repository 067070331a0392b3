#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTest>

#include "app/qt/QtProgressWindow.h"
#include "runtime/Application.h"
#include "support/VelnProgressBar.h"
#include "tests/common/SearchWindowLook.h"

using namespace trimora;
using test::NewSearchWindowLook;

TEST(QtProgressWindow, DrawsTheLookAsAFramelessToolWindowAboveTheOthers) {
    QtProgressWindow window([] { return nullptr; });
    ProgressWindowLook look = NewSearchWindowLook();
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
    ProgressWindowLook look = NewSearchWindowLook();
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

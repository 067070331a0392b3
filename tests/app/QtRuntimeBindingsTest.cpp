#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/qt/QtRuntimeBindings.h"
#include "runtime/Application.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {

// Runs Qt's loop alone, not the runtime's pump, which would serve hand-overs itself: what is
// tested here is that Qt's loop delivers them. True if Done() before the deadline.
template <typename Pred>
bool PumpQtUntil(Pred Done, std::chrono::milliseconds Timeout = 5s) {
    QElapsedTimer clock;
    clock.start();
    while (!Done()) {
        if (clock.elapsed() > Timeout.count()) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Waits without serving anything, as a busy GUI thread would.
bool WaitForPending(std::size_t Count) {
    for (int i = 0; i < 5000; ++i) {
        if (Application::Instance().PendingCount() >= Count) return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

}  // namespace

TEST(QtRuntimeBindings, WorkerHandOverIsServedByTheEventLoop) {
    const auto gui = std::this_thread::get_id();
    std::atomic<bool> onGuiThread{false};
    std::thread worker([&] {
        Application::Instance().Synchronize(
            [&] { onGuiThread = std::this_thread::get_id() == gui; });
        Application::Instance().Synchronize([] { QCoreApplication::exit(7); });
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(-1); });  // never hang the test
    EXPECT_EQ(QCoreApplication::exec(), 7);
    worker.join();
    EXPECT_TRUE(onGuiThread);
}

TEST(QtRuntimeBindings, WorkerHandOverIsServedByProcessEvents) {
    std::atomic<bool> ran{false};
    std::thread worker([&] { Application::Instance().Synchronize([&] { ran = true; }); });
    EXPECT_TRUE(PumpQtUntil([&] { return ran.load(); }));
    worker.join();
}

TEST(QtRuntimeBindings, AWatchedDescriptorIsServedByQtsLoopAndNotWhileItsCallRuns) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    auto& app = Application::Instance();
    int served = 0;
    int servedInsideNestedLoop = -1;
    Application::TWatchId id = app.Watch(fds[0], [&] {
        char c;
        while (::read(fds[0], &c, 1) == 1) {
        }
        if (++served > 1) return;
        ASSERT_EQ(::write(fds[1], "y", 1), 1);  // ready again while this call runs
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(1ms);
        }
        servedInsideNestedLoop = served;
    });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_TRUE(PumpQtUntil([&] { return served == 2; }));
    EXPECT_EQ(servedInsideNestedLoop, 1);
    app.Unwatch(id);
    ASSERT_EQ(::write(fds[1], "z", 1), 1);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(served, 2) << "no longer watched";
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(QtRuntimeBindings, RuntimePumpProcessesQtEvents) {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    for (int i = 0; i < 100 && !fired; ++i) Application::Instance().ProcessMessages();
    EXPECT_TRUE(fired);
}

TEST(QtRuntimeBindings, MessageBoxIsAModalErrorBoxThatKeepsServingHandOvers) {
    std::atomic<bool> ranWhileBoxUp{false};
    std::atomic<bool> ran{false};
    QString seenText, seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QList<QAbstractButton*> seenButtons;
    std::thread worker;

    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenIcon = box->icon();
        seenButtons = box->buttons();
        worker = std::thread([&] {
            Application::Instance().Synchronize([&] {
                ran = true;
                ranWhileBoxUp = QApplication::activeModalWidget() != nullptr;
            });
        });
        // Close the box once the call ran, or after a deadline so a failure cannot hang.
        auto* poll = new QTimer(box);
        QElapsedTimer* clock = new QElapsedTimer;
        clock->start();
        QObject::connect(poll, &QTimer::timeout, box, [box, clock, &ran] {
            if (ran || clock->elapsed() > 5000) {
                delete clock;
                box->button(QMessageBox::Ok)->click();
            }
        });
        poll->start(5);
    });
    // The core's texts are single bytes: 0xB0 is the degree sign.
    Application::Instance().Ui().MessageBox("Error at 20\xB0", TMsgDlgType::mtError);
    worker.join();

    EXPECT_TRUE(ran);
    EXPECT_TRUE(ranWhileBoxUp);
    EXPECT_EQ(seenText, QString::fromUtf8("Error at 20\u00B0"));
    EXPECT_EQ(seenTitle, "Error");
    EXPECT_EQ(seenIcon, QMessageBox::Critical);
    ASSERT_EQ(seenButtons.size(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A served call may itself pump (a wait inside a handler); the calls queued behind it must still
// get their turn inside that pump, or the first call waits forever.
TEST(QtRuntimeBindings, CallsQueuedTogetherAreServedOneAtATime) {
    std::atomic<bool> secondRan{false};
    std::atomic<bool> secondRanInsideFirst{false};
    std::thread first([&] {
        Application::Instance().Synchronize([&] {
            PumpQtUntil([&] { return secondRan.load(); }, 3s);
            secondRanInsideFirst = secondRan.load();
        });
    });
    ASSERT_TRUE(WaitForPending(1));
    std::thread second([&] { Application::Instance().Synchronize([&] { secondRan = true; }); });
    ASSERT_TRUE(WaitForPending(2));

    EXPECT_TRUE(PumpQtUntil(
        [&] { return secondRan.load() && Application::Instance().PendingCount() == 0; }));
    first.join();
    second.join();
    EXPECT_TRUE(secondRanInsideFirst);
}

TEST(QtRuntimeBindings, UninstallServesWhatIsQueuedAndStopsWaking) {
    std::atomic<int> served{0};
    std::thread early([&] { Application::Instance().Synchronize([&] { ++served; }); });
    ASSERT_TRUE(WaitForPending(1));
    UninstallQtRuntimeBindings();
    early.join();
    EXPECT_EQ(served, 1);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();  // turns posted earlier

    // Without the bindings a queued call waits: Qt's loop knows nothing of it.
    std::thread late([&] { Application::Instance().Synchronize([&] { ++served; }); });
    ASSERT_TRUE(WaitForPending(1));
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(served, 1);

    // Installing again picks up the call that is already waiting.
    InstallQtRuntimeBindings();
    EXPECT_TRUE(PumpQtUntil([&] { return served.load() == 2; }));
    late.join();
}

#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/logic/CommandLine.h"
#include "app/logic/Session.h"
#include "app/logic/WindowlessCommands.h"
#include "app/qt/QtCalibrationWindow.h"
#include "app/qt/QtToolkit.h"
#include "app/qt/Screenshot.h"
#include "app/qt/SingleInstance.h"
#include "app/qt/TerminationSignals.h"

using namespace trimora;

namespace {

// The session's parts on Linux.
struct TQtPlatform {
    using TInstance = TSingleInstance;
    using TToolkit = TQtToolkit;
    using TSignals = TTerminationSignals;
    using TWindow = TQtCalibrationWindow;
    using TQtSession = TSession<TQtPlatform>;
    static constexpr TPlatformWords Words = {
        .PortExamples = "COM3, ttyUSB0 or /dev/ttyUSB0",
        .TraceUse = "(for support; replay it with\ntrimora-dongle-sim --replay FILE)",
        .OtherEnds =
            "SIGINT and SIGTERM close the window\nthe same way the operator does, so the "
            "dongle is told before the program ends.",
        .InstanceScope = "on this display",
    };

    static std::unique_ptr<TInstance> MakeInstance(const TQtSession& Session) {
        std::string noFolder;
        auto instance = std::make_unique<TSingleInstance>(TSingleInstance::DefaultFolder(noFolder));
        instance->Warn = [&Session](const std::string& Text) { Session.Warn(Text); };
        if (!noFolder.empty())
            Session.Warn(noFolder + ": not checking whether Trimora already runs");
        return instance;
    }
    static std::unique_ptr<TToolkit> MakeToolkit(TQtSession& Session) {
        return std::make_unique<TQtToolkit>(
            Session.Program, [&Session]() -> QWidget* { return Session.Window.get(); });
    }
};

// Shows the window and runs the loop until it closes; --quit-after closes it as the operator
// would, after saving --screenshot.
int Run(TSession<TQtPlatform>& Session) {
    if (Session.Signals->Requested()) return 0;
    TQtCalibrationWindow& window = *Session.Window;
    const TCommandLine& options = Session.Options;
    window.show();
    QApplication::setQuitOnLastWindowClosed(true);
    QTimer quitAfter;
    quitAfter.setSingleShot(true);
    if (options.QuitAfter > 0) {
        const double ms = std::min(options.QuitAfter * 1000.0, double(INT_MAX));
        QObject::connect(&quitAfter, &QTimer::timeout, &window, [&] {
            if (!options.Screenshot.empty()) {
                const QString path = QString::fromLocal8Bit(options.Screenshot.c_str());
                if (SaveWindowPicture(&window, path))
                    std::printf("%s\n", options.Screenshot.c_str());
                else
                    Session.Warn("cannot save " + options.Screenshot);
                std::fflush(stdout);
            }
            window.close();
        });
        quitAfter.start(static_cast<int>(ms));
    }
    // A request that came while the dongle was searched for closes the window at once.
    if (Session.Signals->Requested()) QTimer::singleShot(0, &window, [&window] { window.close(); });
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the blocked mask.
    TTerminationSignals::BlockInAllThreads();

    const std::string program = argc > 0 ? argv[0] : "trimora";
    const TCommandLine options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    // --list-ports needs no window, so no QApplication and no display.
    if (const std::optional<int> done = RunWithoutWindow(program, options, TQtPlatform::Words))
        return *done;

    TSession<TQtPlatform> session(program, options);
    if (const std::optional<int> early = session.Open()) return *early;
    return Run(session);
}

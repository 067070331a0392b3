#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DemoDongle.h"
#include "app/FontSubstitute.h"
#include "app/PortListing.h"
#include "app/QtCalibrationWindow.h"
#include "app/QtProgressWindow.h"
#include "app/QtRuntimeBindings.h"
#include "app/RememberedPort.h"
#include "app/Screenshot.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "protocol/PortSearchOrder.h"
#include "runtime/Application.h"
#include "runtime/TraceFile.h"
#include "runtime/UiHooks.h"
#include "serial/PortList.h"

using namespace trimora;

namespace {

// --list-ports: no window, so no QApplication and no display needed.
int ListPorts(const std::string& Program, const std::string& GivenPort) {
    TUiHooks ui;
    ui.SetMessageBoxHook([&Program](const std::string& Text, TMsgDlgType) {
        std::fprintf(stderr, "%s: %s\n", Program.c_str(), Text.c_str());
    });
    const TFirstPort first = ChooseFirstPort(GivenPort, TRememberedPort().Load());
    const std::string text =
        PortListingText(first, PortSearchOrder(first, ListSerialPorts("/sys", ui)));
    std::fputs(text.c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the blocked mask.
    TTerminationSignals::BlockInAllThreads();

    const std::string program = argc > 0 ? argv[0] : "trimora";
    const TCommandLine options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (options.Help) {
        std::fputs(CommandLineUsage(program).c_str(), stdout);
        return 0;
    }
    if (!options.Error.empty()) {
        std::fprintf(stderr, "%s: %s\n\n%s", program.c_str(), options.Error.c_str(),
                     CommandLineUsage(program).c_str());
        return 2;
    }

    if (options.ListPorts) return ListPorts(program, options.Port);

    // A second start must not probe the ports the first one holds open.
    std::string noInstanceFolder;
    TSingleInstance instance(TSingleInstance::DefaultFolder(noInstanceFolder));
    if (!noInstanceFolder.empty())
        std::fprintf(stderr, "%s: %s: not checking whether Trimora already runs\n", program.c_str(),
                     noInstanceFolder.c_str());
    if (!instance.Claim()) {
        if (instance.AskToShow(std::chrono::seconds(5))) {
            std::fprintf(stderr,
                         "%s: Trimora already runs on this display: its window comes to "
                         "the front\n",
                         program.c_str());
            return 0;
        }
        std::fprintf(stderr, "%s: Trimora already runs on this display but does not answer\n",
                     program.c_str());
        return 1;
    }

    // Qt's own options are not accepted: the environment (QT_QPA_PLATFORM, ...) covers them.
    int qtArgc = 1;
    QApplication qtApp(qtArgc, argv);
    // The application's name, for the task bar's grouping. Not set as display name: X11 window
    // managers would then show every caption with " — Trimora" appended to it.
    QApplication::setApplicationName(QStringLiteral("Trimora"));
    // Ties the window to trimora.desktop (its icon and name in the task bar, on Wayland too).
    QApplication::setDesktopFileName(QStringLiteral("trimora"));
    // The window's texts as wide as they were laid out, whatever fontconfig would fall back to.
    InstallFontSubstitute(TCalibrationLayout::WindowFont(), MsSansSerifStandIn());
    // A box closed before the window is up must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallQtRuntimeBindings();
    std::string listenError;
    if (!instance.Listen(listenError))
        std::fprintf(stderr, "%s: %s; a second start will not find this one\n", program.c_str(),
                     listenError.c_str());

    TTerminationSignals termination;

    // Outlives the window: the shut-down frames must still reach it.
    TDemoDongle demo;
    const TRememberedPort memory;
    TFirstPort first = ChooseFirstPort(options.Port, options.Demo ? "" : memory.Load());
    if (options.Demo) {
        std::string error;
        if (!demo.Start(options.DemoLog, error)) {
            std::fprintf(stderr, "%s: cannot start the demo dongle: %s\n", program.c_str(),
                         error.c_str());
            UninstallQtRuntimeBindings();
            instance.StopListening();
            return 1;
        }
        first = {demo.PortPath(), TFirstPort::fpGiven};
    }

    // From the first request on, every pumping wait ends at its next turn: a search under way
    // (at start-up, or for a dongle that went away) does not keep the operator waiting.
    QObject::connect(&termination, &TTerminationSignals::TerminationRequested, &termination,
                     [] { Application::Instance().RequestQuit(); });

    // Outlive the window, which detaches the pane when it closes.
    std::unique_ptr<TTraceFile> traceFile;
    std::unique_ptr<TTraceLogPane> tracePane;
    if (!options.Trace.empty()) {
        traceFile = std::make_unique<TTraceFile>(options.Trace);
        tracePane = std::make_unique<TTraceLogPane>(*traceFile);
        Application::Instance().SetTraceLog(traceFile.get());
    }

    std::unique_ptr<TQtCalibrationWindow> form;
    // While the window is being created (the dongle search) the progress window centres on the
    // screen, where the window will then appear.
    InstallQtProgressWindows([&form]() -> QWidget* { return form.get(); });
    form = std::make_unique<TQtCalibrationWindow>(
        [&first, &tracePane](TVelnWirelessProtocol& Protocol) {
            StartSearchAt(Protocol, first);
            if (tracePane) Protocol.SetDebugMemo(tracePane.get());
        });
    if (!options.Demo) {
        RememberFoundPort(*form->Form().Protocol(), memory);
        // A dongle plugged in later, or on another socket, is where to look first next time.
        form->Form().OnDongleFound = [&form, &memory] {
            RememberFoundPort(*form->Form().Protocol(), memory);
        };
    }
    instance.OnShowRequest = [&form] {
        if (!form || !form->isVisible()) return;  // still searching: it shows when done
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
        form->raise();
        form->activateWindow();
    };
    QObject::connect(&termination, &TTerminationSignals::TerminationRequested, form.get(), [&form] {
        if (form->isVisible()) form->close();
    });
    QTimer quitAfter;
    quitAfter.setSingleShot(true);

    int result = 0;
    if (!termination.Requested()) {
        form->show();
        QApplication::setQuitOnLastWindowClosed(true);
        if (options.QuitAfter > 0) {
            const double ms = std::min(options.QuitAfter * 1000.0, double(INT_MAX));
            QObject::connect(&quitAfter, &QTimer::timeout, form.get(), [&] {
                if (!options.Screenshot.empty()) {
                    const QString path = QString::fromLocal8Bit(options.Screenshot.c_str());
                    if (SaveWindowPicture(form.get(), path))
                        std::printf("%s\n", options.Screenshot.c_str());
                    else
                        std::fprintf(stderr, "%s: cannot save %s\n", program.c_str(),
                                     options.Screenshot.c_str());
                    std::fflush(stdout);
                }
                form->close();
            });
            quitAfter.start(static_cast<int>(ms));
        }
        // A request that came while the dongle was searched for closes the window at once.
        if (termination.Requested()) QTimer::singleShot(0, form.get(), [&form] { form->close(); });
        result = QApplication::exec();
    }

    // The window's end may still serve the loop (a failed shut-down frame's recovery): no later
    // signal or timer may reach it from here on, and it ends while it is whole.
    quitAfter.stop();
    QObject::disconnect(&termination, nullptr, form.get(), nullptr);
    form->Form().ShutDown();
    form.reset();
    instance.StopListening();
    UninstallQtRuntimeBindings();
    Application::Instance().SetTraceLog(nullptr);
    return result;
}

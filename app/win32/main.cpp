#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/logic/CommandLine.h"
#include "app/logic/Session.h"
#include "app/logic/WindowlessCommands.h"
#include "app/win32/Win32CalibrationView.h"
#include "app/win32/Win32Console.h"
#include "app/win32/Win32SingleInstance.h"
#include "app/win32/Win32TerminationSignals.h"
#include "app/win32/Win32Toolkit.h"
#include "app/win32/Win32WindowPicture.h"
#include "support/ThdTimer.h"

using namespace trimora;

namespace {

// The session's parts on Windows.
struct TWin32Platform {
    using TInstance = TWin32SingleInstance;
    using TToolkit = TWin32Toolkit;
    using TSignals = TWin32TerminationSignals;
    using TWindow = TWin32CalibrationView;
    using TWin32Session = TSession<TWin32Platform>;
    static constexpr TPlatformWords Words = {
        .PortExamples = "COM7",
        // The emulator that replays a trace runs on Linux: support's tool, not the user's.
        .TraceUse = "(for support)",
        .OtherEnds =
            "Logging off, shutting down and\nCtrl+C in the console it was started "
            "from close the window the same way the\noperator does, so the dongle is "
            "told before the program ends.",
        // One instance per user and logon session (the mutex is Local\).
        .InstanceScope = "in your session",
    };

    static std::unique_ptr<TInstance> MakeInstance(const TWin32Session& /*Session*/) {
        return std::make_unique<TWin32SingleInstance>();
    }
    static std::unique_ptr<TToolkit> MakeToolkit(TWin32Session& Session) {
        return std::make_unique<TWin32Toolkit>(GetModuleHandleA(nullptr),
                                               [&Session] { return Session.Window.get(); });
    }
};

// Shows the window and runs the loop until it closes; --quit-after closes it as the operator
// would, after saving --screenshot.
int Run(TSession<TWin32Platform>& Session) {
    if (Session.Signals->Requested()) return 0;
    TWin32CalibrationView& view = *Session.Window;
    const TCommandLine& options = Session.Options;
    view.Show();
    TThreadedTimer quitAfter(nullptr);
    if (options.QuitAfter > 0) {
        const double ms = std::clamp(options.QuitAfter * 1000.0, 1.0, double(MAXDWORD - 1));
        quitAfter.SetInterval(static_cast<std::uint32_t>(ms));
        quitAfter.OnTimer = [&](TObject*) {
            quitAfter.SetEnabled(false);
            if (!options.Screenshot.empty()) {
                if (SaveWindowPicture(view.Window().Handle(), options.Screenshot))
                    std::printf("%s\n", options.Screenshot.c_str());
                else
                    Session.Warn("cannot save " + options.Screenshot);
                std::fflush(stdout);
            }
            view.CloseIfShown();
        };
        quitAfter.SetEnabled(true);
    }
    // A request that came while the dongle was searched for closes the window at once.
    if (Session.Signals->Requested()) view.CloseIfShown();
    return Session.Toolkit->Run();
}

}  // namespace

int main(int argc, char** argv) {
    PrintToStartingConsole();
    // Its own name in its messages, not the folder it was installed in.
    const std::string program =
        argc > 0 ? std::filesystem::path(argv[0]).stem().string() : std::string("trimora");
    const TCommandLine options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const std::optional<int> done = RunWithoutWindow(program, options, TWin32Platform::Words)) {
        std::fflush(stdout);
        return *done;
    }

    TSession<TWin32Platform> session(program, options);
    if (const std::optional<int> early = session.Open()) return *early;
    return Run(session);
}

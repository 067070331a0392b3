#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/logic/CommandLine.h"
#include "app/logic/DemoDongle.h"
#include "app/logic/Form1.h"
#include "app/logic/PlatformWords.h"
#include "app/logic/RememberedPort.h"
#include "protocol/PortSearchOrder.h"
#include "runtime/Application.h"
#include "runtime/TraceFile.h"

namespace trimora {

// One run of the window program. Its parts are the members below, made in the order they are
// declared and ended in the reverse, so that each part outlives every later one that uses it.
// Platform names what each platform makes its own way:
//   TInstance   one running program per user (and display): Claim, AskToShow, Listen,
//               StopListening and OnShowRequest, made by MakeInstance(Session)
//   TToolkit    the toolkit with the runtime's bindings to it, made by MakeToolkit(Session)
//   TSignals    requests to end from outside the window: Requested() and OnRequested
//   TWindow     the calibration window around its TForm1 (Form()), made from a ProtocolSetup;
//               BringToFront(), CloseIfShown()
//   Words       the TPlatformWords of its messages
template <class Platform>
class TSession {
  public:
    TSession(std::string Program, TCommandLine Options)
        : Program(std::move(Program)), Options(std::move(Options)) {}
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // Makes every part up to and including the window, whose dongle search has then ended. An
    // exit code when the program ends here instead (a second start, a demo that cannot start).
    std::optional<int> Open();

    // The window ends first, while everything it uses is whole; its end may still serve the loop
    // (a failed shut-down frame's recovery), and no request to end reaches it meanwhile.
    ~TSession() {
        FEnding = true;
        if (Window) {
            Window->Form().ShutDown();
            Window.reset();
        }
        if (Instance) Instance->StopListening();
        Application::Instance().SetTraceLog(nullptr);
    }

    const std::string Program;
    const TCommandLine Options;

    // A second start must not probe the ports the first one holds open.
    std::unique_ptr<typename Platform::TInstance> Instance;
    std::unique_ptr<typename Platform::TToolkit> Toolkit;
    std::unique_ptr<typename Platform::TSignals> Signals;
    std::unique_ptr<const TRememberedPort> Memory;
    // Outlives the window: the shut-down frames must still reach it.
    std::unique_ptr<TDemoDongle> Demo;
    // Outlive the window, which detaches the pane when it closes.
    std::unique_ptr<TTraceFile> TraceFile;
    std::unique_ptr<TTraceLogPane> TracePane;
    std::unique_ptr<typename Platform::TWindow> Window;

    void Warn(const std::string& Text) const {
        std::fprintf(stderr, "%s: %s\n", Program.c_str(), Text.c_str());
    }

  private:
    // Says on stderr when the file was not read.
    std::string RememberedPort() const {
        std::string ignored;
        const std::string port = Memory->Load(&ignored);
        if (!ignored.empty()) Warn(ignored);
        return port;
    }

    static std::string AlreadyRuns() {
        return "Trimora already runs " + std::string(Platform::Words.InstanceScope);
    }

    bool FEnding = false;
};

template <class Platform>
std::optional<int> TSession<Platform>::Open() {
    Instance = Platform::MakeInstance(*this);
    if (!Instance->Claim()) {
        if (Instance->AskToShow(std::chrono::seconds(5))) {
            Warn(AlreadyRuns() + ": its window comes to the front");
            return 0;
        }
        Warn(AlreadyRuns() + " but does not answer");
        return 1;
    }

    Toolkit = Platform::MakeToolkit(*this);
    std::string listenError;
    if (!Instance->Listen(listenError))
        Warn(listenError + "; a second start will not find this one");

    // From the first request on, every pumping wait ends at its next turn: a search under way
    // (at start-up, or for a dongle that went away) does not keep the operator waiting.
    Signals = std::make_unique<typename Platform::TSignals>();
    Signals->OnRequested = [this] {
        Application::Instance().RequestQuit();
        if (Window && !FEnding) Window->CloseIfShown();
    };

    Memory = std::make_unique<const TRememberedPort>();
    Demo = std::make_unique<TDemoDongle>();
    TFirstPort first = ChooseFirstPort(Options.Port, Options.Demo ? "" : RememberedPort());
    if (Options.Demo) {
        std::string error;
        if (!Demo->Start(Options.DemoLog, error)) {
            Warn("cannot start the demo dongle: " + error);
            return 1;
        }
        first = {Demo->PortPath(), TFirstPort::fpGiven};
    }

    if (!Options.Trace.empty()) {
        TraceFile = std::make_unique<TTraceFile>(Options.Trace);
        TracePane = std::make_unique<TTraceLogPane>(*TraceFile);
        Application::Instance().SetTraceLog(TraceFile.get());
    }

    Window = std::make_unique<typename Platform::TWindow>(
        [this, first](TVelnWirelessProtocol& Protocol) {
            StartSearchAt(Protocol, first);
            if (TracePane) Protocol.SetDebugMemo(TracePane.get());
        });
    TForm1& form = Window->Form();
    if (!Options.Demo) {
        RememberFoundPort(*form.Protocol(), *Memory);
        // A dongle plugged in later, or on another socket, is where to look first next time.
        form.OnDongleFound = [this] { RememberFoundPort(*Window->Form().Protocol(), *Memory); };
    }
    // While still searching the window shows when done.
    Instance->OnShowRequest = [this] {
        if (Window) Window->BringToFront();
    };
    return std::nullopt;
}

}  // namespace trimora

#include "app/logic/WindowlessCommands.h"

#include <cstdio>

#include "app/logic/PortListing.h"
#include "app/logic/RememberedPort.h"
#include "protocol/PortSearchOrder.h"
#include "runtime/UiHooks.h"
#include "serial/PortList.h"

namespace trimora {

namespace {

// The ports the search would try, in order; the registry's message boxes become lines on stderr.
int ListPorts(const std::string& Program, const std::string& GivenPort) {
    TUiHooks ui;
    ui.SetMessageBoxHook([&Program](const std::string& Text, TMsgDlgType) {
        std::fprintf(stderr, "%s: %s\n", Program.c_str(), Text.c_str());
    });
    std::string ignored;
    const std::string remembered = TRememberedPort().Load(&ignored);
    if (!ignored.empty()) std::fprintf(stderr, "%s: %s\n", Program.c_str(), ignored.c_str());
    const TFirstPort first = ChooseFirstPort(GivenPort, remembered);
    const std::string text =
        PortListingText(first, PortSearchOrder(first, ListSerialPorts(MachinePortList(), ui)));
    std::fputs(text.c_str(), stdout);
    return 0;
}

}  // namespace

std::optional<int> RunWithoutWindow(const std::string& Program, const TCommandLine& Options,
                                    const TPlatformWords& Words) {
    if (Options.Help) {
        std::fputs(CommandLineUsage(Program, Words).c_str(), stdout);
        return 0;
    }
    if (!Options.Error.empty()) {
        std::fprintf(stderr, "%s: %s\n\n%s", Program.c_str(), Options.Error.c_str(),
                     CommandLineUsage(Program, Words).c_str());
        return 2;
    }
    if (Options.ListPorts) return ListPorts(Program, Options.Port);
    return std::nullopt;
}

}  // namespace trimora

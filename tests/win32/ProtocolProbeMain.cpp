// The protocol and the dongle search on Windows without a window, for the end-to-end run under
// wine (tests/wine): it does what the calibration window does with the protocol and prints each
// event as one line on standard output. It runs for the seconds given, then disconnects.
//   protocol_probe SECONDS
#include <cstdio>
#include <cstdlib>
#include <string>

#include "protocol/DongleSearch.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "serial/ComPort.h"

using namespace trimora;

namespace {

void Say(const std::string& Line) {
    std::fputs((Line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

const char* StatusName(TVelnConnectionStatus Status) {
    switch (Status) {
        case TVelnConnectionStatus::csTrying:
            return "trying";
        case TVelnConnectionStatus::csFound:
            return "found";
        case TVelnConnectionStatus::csNotFound:
            return "notfound";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    Application& app = Application::Instance();
    app.Ui().SetMessageBoxHook(
        [](const std::string& Text, TMsgDlgType) { Say("message " + Text); });

    TVelnWirelessProtocol protocol(nullptr);
    protocol.SetDisplayMessage(false);
    protocol.OnConnectionStatus = [](std::int32_t Max, std::int32_t Position,
                                     TVelnConnectionStatus Status, const std::string& Port) {
        Say(std::string("status ") + StatusName(Status) + " " + std::to_string(Max) + " " +
            std::to_string(Position) + " " + Port);
    };
    protocol.OnConsoleAdd = [&](std::int32_t Id) {
        Say("console " + std::to_string(Id));
        protocol.SetMeasures(true);
        protocol.EnableResistanceTimer();
    };
    int measures = 0;
    protocol.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures& Table, std::uint8_t Id) {
        // Every tenth, with the decoded speed of the console that sent it.
        if (measures++ % 10 == 0 && Id < Table.Items.size())
            Say("measure " + std::to_string(Id) + " " + std::to_string(Table.Items[Id].Speed));
    };
    protocol.OnUsbDisconnect = [] { Say("gone"); };

    const bool connected = protocol.Connect();
    Say(std::string("connect ") + (connected ? "1 " : "0 ") +
        (protocol.Port() != nullptr ? protocol.Port()->Port() : ""));
    protocol.SetResistanceInterval(1000);
    protocol.OpenRegistration();

    TDongleSearch search(nullptr, protocol);
    search.OnLost = [] { Say("lost"); };
    search.OnProbing = [](const std::string& Port) { Say("probing " + Port); };
    search.OnFailed = [](const std::string& Port) { Say("failed " + Port); };
    search.OnFound = [&] {
        Say("refound " + protocol.Port()->Port());
        protocol.OpenRegistration();
    };
    search.Follow(protocol.Port() != nullptr ? protocol.Port()->Port() : "");

    app.PumpFor(std::chrono::seconds(seconds));
    search.Stop();
    protocol.SetMeasures(false);
    protocol.Disconnect();
    Say("end");
    return 0;
}

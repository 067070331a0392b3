// The program's own receive path: a TComPort with the protocol's line settings, its event thread
// handing each wake over to the GUI thread, which runs the headless loop; the protocol's framer;
// PacketReceived; the decoded values taken in OnMeasuresReceived.
#include <cstdio>
#include <exception>

#include "bench/contenders/OursStack.h"
#include "bench/line/ConsumerRecord.h"
#include "runtime/Application.h"

using namespace trimora;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SLAVE RESULT_FILE\n", argv[0]);
        return 2;
    }
    Application& app = Application::Instance();
    bench::ConsumerRecord record;
    try {
        bench::OursStack stack(argv[1]);
        stack.Protocol().OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures& Val,
                                                  std::uint8_t Id) {
            const TVelnMeasureItem& m = Val.Items[Id];
            if (record.Decoded(Id, m.Speed, m.HR)) app.Terminate();
        };
        bench::SignalReady();
        app.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ours: %s\n", e.what());
        return 1;
    }
    record.WriteTo(argv[2]);
    return record.Ended() ? 0 : 1;
}

// The protocol's packet handler on the steady stream: measure frames as the framer delivers
// them, with no trace pane and with one attached (each frame then adds a hex trace line).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/line/MeasureFrames.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/TMemo.h"

namespace trimora::bench {
namespace {

// A pane that keeps growing would measure the allocator as much as the handler; it is emptied
// every kPaneLines lines, inside the timed loop (the cost is spread over those lines).
constexpr int kPaneLines = 4096;

void RunPacketReceived(benchmark::State& State, bool WithPane) {
    TVelnWirelessProtocol protocol(nullptr);
    TMemo pane;
    if (WithPane) protocol.SetDebugMemo(&pane);
    std::uint32_t speedSum = 0;
    protocol.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures& Val, std::uint8_t Id) {
        speedSum += Val.Items[Id].Speed;
    };
    std::vector<std::string> frames;
    for (std::uint32_t i = 0; i < 1024; ++i) frames.push_back(MeasureFrame(kDataConsole, i * 97));
    std::size_t next = 0;
    for (auto _ : State) {
        protocol.PacketReceived(nullptr, frames[next]);
        next = (next + 1) % frames.size();
        if (WithPane && pane.Count() >= kPaneLines) pane.Clear();
    }
    benchmark::DoNotOptimize(speedSum);
    State.SetItemsProcessed(State.iterations());
    State.SetBytesProcessed(State.iterations() * std::int64_t(kMeasureFrameSize));
}

void BM_PacketReceived_NoPane(benchmark::State& State) {
    RunPacketReceived(State, false);
}
void BM_PacketReceived_TracePane(benchmark::State& State) {
    RunPacketReceived(State, true);
}
BENCHMARK(BM_PacketReceived_NoPane);
BENCHMARK(BM_PacketReceived_TracePane);

}  // namespace
}  // namespace trimora::bench

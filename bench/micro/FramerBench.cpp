// The packet framer as the protocol configures it, fed the measure stream in the shapes the
// line delivers it: one frame per block, big blocks (a flooded line), and single bytes.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "bench/line/MeasureFrames.h"
#include "serial/DataPacket.h"

namespace trimora::bench {
namespace {

struct ConfiguredFramer {
    TComDataPacket Packet{nullptr};
    std::uint64_t Packets = 0;
    ConfiguredFramer() {
        Packet.SetStartString(">");
        Packet.SetCaseInsensitive(true);
        Packet.SetIncludeStrings(true);
        Packet.SetSize(0);
        Packet.SetStopString("!");
        Packet.OnPacket = [this](TObject*, const std::string& Str) {
            Packets += Str.size() == kMeasureFrameSize;
        };
    }
};

std::string Stream(std::size_t Frames) {
    std::string s;
    for (std::size_t i = 0; i < Frames; ++i) s += MeasureFrame(kDataConsole, std::uint32_t(i));
    return s;
}

// Feeds the stream in pieces of Piece bytes, cycling over it.
void RunFramer(benchmark::State& State, std::size_t Piece) {
    ConfiguredFramer f;
    const std::string stream = Stream(372 * 4);  // whole frames, a multiple of every piece used
    std::size_t at = 0;
    for (auto _ : State) {
        f.Packet.AddReceived(std::string_view(stream).substr(at, Piece));
        at = (at + Piece) % stream.size();
    }
    // Guards against measuring a framer that cuts nothing (the first run may feed too little).
    if (State.iterations() * Piece >= 2 * kMeasureFrameSize && f.Packets == 0)
        State.SkipWithError("the framer delivered no frame");
    State.SetBytesProcessed(State.iterations() * std::int64_t(Piece));
    State.SetItemsProcessed(State.iterations() * std::int64_t(Piece) /
                            std::int64_t(kMeasureFrameSize));
}

void BM_Framer_WholeFrames(benchmark::State& State) {
    RunFramer(State, kMeasureFrameSize);
}
void BM_Framer_Blocks4092(benchmark::State& State) {
    RunFramer(State, 372 * kMeasureFrameSize);
}
void BM_Framer_OneByteDribble(benchmark::State& State) {
    RunFramer(State, 1);
}
BENCHMARK(BM_Framer_WholeFrames);
BENCHMARK(BM_Framer_Blocks4092);
BENCHMARK(BM_Framer_OneByteDribble);

}  // namespace
}  // namespace trimora::bench

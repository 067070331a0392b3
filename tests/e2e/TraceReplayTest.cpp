// A session traced to a file, then played back by the emulator from that file to a fresh
// protocol component: the component receives the same frames, in the same order, spread over the
// time they took.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "protocol/WirelessProtocol.h"
#include "runtime/TMemo.h"
#include "runtime/TextEncoding.h"
#include "runtime/TraceFile.h"
#include "tests/common/FileContents.h"
#include "tests/e2e/LineBench.h"
#include "tests/protocol/DongleSearchSupport.h"
#include "tests/serial/SerialTestSupport.h"
#include "tools/dongle_sim/TraceReplay.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;
using trimora::test::FileLines;

namespace {

// The lines of what the dongle sent, without any time of day, as the trace file holds them.
std::vector<std::string> DongleLines(const std::vector<std::string>& Lines, std::size_t Skip) {
    std::vector<std::string> out;
    for (const std::string& line : Lines)
        if (line.size() > Skip && line.compare(Skip, 2, "<-") == 0)
            out.push_back(AsUtf8(line.substr(Skip)));
    return out;
}

}  // namespace

TEST(TraceReplay, ASessionTracedToAFileIsPlayedBackToTheProtocol) {
    trimora::e2e::ScratchDir scratch;
    const std::string path = scratch.Path() + "/trace.log";

    // The technician's session: the dongle found, a console joins and streams.
    {
        sim::SimConfig config;
        config.Consoles[0].JoinDelayMs = 200;
        config.MeasureIntervalMs = 50;
        auto dongle = StartDongle(config);
        TTraceFile file(path);
        TTraceLogPane pane(file);
        TVelnWirelessProtocol p(nullptr);
        p.SetDebugMemo(&pane);
        p.SetDisconDelayBetweenCloseOpenPort(20);
        p.SetPortDef(dongle->SlavePath());
        p.OnConsoleAdd = [&](std::int32_t) { p.SetMeasures(true); };
        int measures = 0;
        p.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures&, std::uint8_t) { ++measures; };
        ASSERT_TRUE(p.TryPort());
        p.OpenRegistration();
        ASSERT_TRUE(test::PumpUntil([&] { return measures >= 12; }));
        p.SetDebugMemo(nullptr);
        p.Disconnect();
    }
    const std::vector<std::string> recorded = DongleLines(FileLines(path), 13);
    ASSERT_GE(recorded.size(), 14u);

    // Support, later: the emulator plays the file back.
    sim::SimConfig config;
    std::string error;
    ASSERT_TRUE(sim::LoadTraceForReplay(path, config.Replay, error)) << error;
    ASSERT_EQ(config.Replay.size(), recorded.size());
    auto replay = StartDongle(config);
    TMemo trace;
    TVelnWirelessProtocol q(nullptr);
    q.SetDebugMemo(&trace);
    q.SetDisconDelayBetweenCloseOpenPort(20);
    q.SetPortDef(replay->SlavePath());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(q.TryPort()) << "the version reply played back answers the probe";
    EXPECT_TRUE(test::PumpUntil(
        [&] { return DongleLines(trace.Lines(), 0).size() >= recorded.size(); }, 10s));
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(DongleLines(trace.Lines(), 0), recorded);
    // Spread as recorded, not sent in one burst.
    EXPECT_GE(took, std::chrono::milliseconds(config.Replay.back().AtMs * 8 / 10));
    q.SetDebugMemo(nullptr);
    q.Disconnect();
}

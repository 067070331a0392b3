// The dongle's answers to what the host sends, through a real pseudo-terminal.
#include <gtest/gtest.h>

#include <thread>

#include "tests/tools/SimTestSupport.h"
#include "tools/dongle_sim/MonotonicClock.h"

using namespace trimora;
using namespace trimora::test;
using namespace std::chrono_literals;

TEST(DongleRequests, VersionReplyArrivesWithinTheProbeWait) {
    SimLine line;
    line.Host->Send("3E0A00000021");
    // The host's probe waits 200 ms for exactly this frame.
    EXPECT_EQ(HexOf(line.Host->ReadFrame(200ms)), "3E0A0001780021");
}

TEST(DongleRequests, RequestsAndTheirAnswers) {
    struct Case {
        const char* what;
        const char* request;
        const char* reply;  // empty: no answer
    };
    const Case cases[] = {
        {"serial number", "3E0900000021", "3E0900030A0B0C0021"},
        {"number of consoles, none joined", "3E0400000021", "3E040001000021"},
        {"firmware", "3E1500000021", "3E15000201040021"},
        {"open registration", "3E0200000021", "3E020001000021"},
        {"close registration", "3E0300000021", "3E020001000021"},
        {"version of a console that has not joined", "3E0A05000021", ""},
        {"remove when no console has joined", "3E06FF000021", ""},
        {"unknown command", "3E7700000021", ""},
        {"frame failing the check", "3E0A00010021", ""},
        {"resistances", "3E10000200000021", ""},
    };
    SimLine line;
    for (const Case& c : cases) {
        line.Host->Send(c.request);
        const auto reply = line.Host->ReadFrame(*c.reply ? 1000ms : 150ms);
        EXPECT_EQ(HexOf(reply), *c.reply ? c.reply : "(nothing)") << c.what;
    }
}

TEST(DongleRequests, DataBytesNeverCarryTheEndByte) {
    auto config = FastConfig();
    config.Serial = 0x21AB21;
    config.Version = 0x21;
    SimLine line(config);
    line.Host->Send("3E0900000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E09000322AB220021");
    line.Host->Send("3E0A00000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E0A0001220021");
}

TEST(DongleRequests, RegistrationLetsTheConsoleJoinAfterItsDelay) {
    SimLine line;  // console 1 joins 100 ms after registration opens
    const auto opened = std::chrono::steady_clock::now();
    line.Host->Send("3E0200000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E020001000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame(2s)), "3E050001010021");
    EXPECT_GE(std::chrono::steady_clock::now() - opened, 90ms);

    line.Host->Send("3E0400000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E040001010021");
    line.Host->Send("3E0A01000021");  // the console's own version
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E0A0101120021");
    line.Host->Send("3E0301000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E020001010021");
    EXPECT_FALSE(line.Sim.RegistrationOpen());
}

TEST(DongleRequests, ClosingRegistrationBeforeTheDelayKeepsTheConsoleOut) {
    SimLine line;
    line.Host->Send("3E0200000021");
    line.Host->Send("3E0300000021");
    line.Host->ReadFrame();
    line.Host->ReadFrame();
    EXPECT_EQ(HexOf(line.Host->ReadFrame(300ms)), "(nothing)");
    EXPECT_TRUE(line.Sim.JoinedConsoles().empty());
}

TEST(DongleRequests, RemoveForgetsConsolesAndNotifiesFromTheDongle) {
    auto config = FastConfig();
    config.Consoles = {sim::ConsoleConfig{}, sim::ConsoleConfig{}, sim::ConsoleConfig{}};
    for (std::uint8_t i = 0; i < 3; ++i) {
        config.Consoles[i].Id = static_cast<std::uint8_t>(i + 1);
        config.Consoles[i].JoinDelayMs = 0;
    }
    SimLine line(config);
    line.Host->Send("3E0200000021");
    ASSERT_TRUE(line.Host->WaitFrame("3E05000103"));
    line.Host->Send("3E0300000021");
    line.Host->Drain();

    line.Host->Send("3E0602000021");  // one console
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E060001020021");
    line.Host->Send("3E0602000021");  // already gone: nothing
    EXPECT_EQ(HexOf(line.Host->ReadFrame(150ms)), "(nothing)");
    line.Host->Send("3E06FF000021");  // all the others
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E060001010021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E060001030021");
    line.Host->Send("3E0400000021");
    EXPECT_EQ(HexOf(line.Host->ReadFrame()), "3E040001000021");

    // Forgotten consoles come back when registration opens again.
    line.Host->Send("3E0200000021");
    EXPECT_TRUE(line.Host->WaitFrame("3E05000103"));
}

TEST(DongleRequests, LogHoldsWhatTheHostSentInOrder) {
    SimLine line;
    const std::uint64_t before = sim::MonotonicNs();
    // Noise before a frame is not logged; a frame cut short by an inner 21 is, as cut.
    line.Host->SendBytes(HexToBytes("78793E0400000021"));
    line.Host->Send("3E0A00000021");
    line.Host->Send("3E13000121000021");
    line.Host->Send("3E130001000021");
    ASSERT_TRUE(line.Sim.WaitForHostFrame("3E13000100", 2s));

    const auto frames = line.Sim.HostFrames();
    std::vector<std::string> hex;
    for (const auto& f : frames) hex.push_back(f.Hex);
    EXPECT_EQ(hex, (std::vector<std::string>{"3E0400000021", "3E0A00000021", "3E13000121",
                                             "3E130001000021"}));
    std::uint64_t last = before;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].Sequence, i);
        EXPECT_GE(frames[i].TimeNs, last);
        EXPECT_EQ(frames[i].Bytes, HexToBytes(frames[i].Hex));
        last = frames[i].TimeNs;
    }
}

TEST(DongleRequests, WaitForHostFrameWakesOnArrivalAndTimesOut) {
    SimLine line;
    EXPECT_FALSE(line.Sim.WaitForHostFrame("3E0A", 50ms));

    std::thread writer([&] {
        std::this_thread::sleep_for(50ms);
        line.Host->Send("3E0400000021");
        line.Host->Send("3E0A00000021");
    });
    const auto found = line.Sim.WaitForHostFrame("3e0a", 5s);  // case does not matter
    writer.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Hex, "3E0A00000021");
    EXPECT_EQ(found->Sequence, 1u);

    // From skips what came before.
    const std::uint64_t next = line.Sim.NextHostFrameSequence();
    EXPECT_FALSE(line.Sim.WaitForHostFrame("3E0A", 50ms, next));
    line.Host->Send("3E0A00000021");
    const auto again = line.Sim.WaitForHostFrame("3E0A", 2s, next);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Sequence, next);
}

#include <gtest/gtest.h>

#include <string>

#include "ProtocolOnPty.h"
#include "runtime/Clock.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace trimora;
using namespace trimora::testing;
using namespace std::chrono_literals;

namespace {

int CountRequests(const sim::DongleSim& Dongle, const std::string& Hex) {
    int n = 0;
    for (const sim::HostFrame& f : Dongle.HostFrames()) n += f.Hex == Hex;
    return n;
}

class ConsoleCount : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dongle.Start());
        line = std::make_unique<ProtocolOnLine>(dongle.SlavePath());
        line->Connect();
        ASSERT_TRUE(line->P.Connected());
    }

    sim::DongleSim dongle;
    std::unique_ptr<ProtocolOnLine> line;
};

}  // namespace

TEST_F(ConsoleCount, TheReplyIsHandledInsideTheWait) {
    TVelnWirelessProtocol& p = line->P;
    for (std::uint8_t id : {1, 2, 3}) ASSERT_TRUE(dongle.JoinConsole(id));
    ASSERT_TRUE(test::PumpUntil([&] { return p.ConsoleCount() == 3; }));
    line->ConsoleLeaves(3);  // a count that only the reply puts right
    line->Trace.Clear();

    EXPECT_EQ(p.NumberOfConsole(), 3);
    EXPECT_EQ(p.CountReplyState(), 2);
    EXPECT_EQ(line->Trace.Lines(),
              (std::vector<std::string>{"->3E0400000021 Ask Number of Console",
                                        "<-3E040001030021 Number of Console : 3"}));

    EXPECT_EQ(p.NumberOfConsole(), 3);
    EXPECT_EQ(CountRequests(dongle, "3E0400000021"), 2) << "every read asks again";
}

TEST_F(ConsoleCount, ASilentDongleEndsTheWaitAfterReplyTimeOut) {
    TVelnWirelessProtocol& p = line->P;
    dongle.SetSilent(true);
    line->ConsoleJoins(1);
    line->ConsoleJoins(2);
    p.SetReplyTimeOut(300);

    const std::uint64_t t0 = GetTickCount64();
    EXPECT_EQ(p.NumberOfConsole(), 2) << "the count as it stands";
    const std::uint64_t waited = GetTickCount64() - t0;

    EXPECT_GE(waited, 300u);
    EXPECT_LT(waited, 5000u);
    EXPECT_EQ(p.CountReplyState(), 1) << "still waiting for a reply";
    EXPECT_TRUE(dongle.WaitForHostFrame("3E0400000021", 2s)) << "the request went out";
}

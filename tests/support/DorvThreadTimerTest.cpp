#include <gtest/gtest.h>

#include "support/DorvThdTimer.h"
#include "tests/support/TimerTestSupport.h"

using namespace trimora;
using namespace trimora::testing;

TEST(DorvThreadTimer, TimesAreStoredValuesThatTickingNeverChanges) {
    TDorvThreadTimer timer(nullptr);
    EXPECT_EQ(timer.ElapsedTime(), 0u);
    EXPECT_EQ(timer.LapTime(), 0u);

    timer.SetElapsedTime(1234);
    timer.SetLapTime(56);
    EXPECT_EQ(timer.ElapsedTime(), 1234u);
    EXPECT_EQ(timer.LapTime(), 56u);

    TickLog log;
    timer.OnTimer = log.Handler();
    timer.SetInterval(20);
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 3; }));
    EXPECT_EQ(timer.ElapsedTime(), 1234u);
    EXPECT_EQ(timer.LapTime(), 56u);

    timer.ResetTimes();
    EXPECT_EQ(timer.ElapsedTime(), 0u);
    EXPECT_EQ(timer.LapTime(), 0u);
}

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/dongle_sim/TraceReplay.h"

using namespace trimora::sim;

TEST(TraceReplay, TakesTheDonglesFramesTimedFromTheRequestTheyAnswered) {
    struct Case {
        const char* Name;
        std::string Trace;
        std::vector<ReplayFrame> Want;
    };
    const std::string version("\x3E\x0A\x00\x01\x78\x00\x21", 7);
    const std::string measure = std::string("\x3E\x01\x01\x05\x0B\x75\x78\x00\x00\x00\x21", 11);
    const std::vector<Case> cases = {
        {"a search, its probes, the dongle answering",
         "10:00:00.000 Connection Failed /dev/ttyS0\n"
         "10:00:01.300 ->3E0A00000021 Version Req Console 0\n"  // probe that went unanswered
         "10:00:02.600 ->3E0A00000021 Version Req Console 0\n"
         "10:00:02.603 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n"
         "10:00:02.803 Connection done /dev/ttyUSB0\n"
         "10:00:02.903 <-3E0101050B757800000021 Data of console n\xB0"
         "1\r\n"
         "10:00:02.950 <->Com Error *** \n",
         {{3, version}, {303, measure}}},
        {"over midnight",
         "23:59:59.900 ->3E0A00000021 Version Req Console 0\n"
         "23:59:59.950 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n"
         "00:00:00.050 <-3E0101050B757800000021 Data of console n\xB0"
         "1\n",
         {{50, version}, {150, measure}}},
        {"a line stamped a little earlier than the one before is no day's wait",
         "10:00:00.000 ->3E0A00000021 Version Req Console 0\n"
         "10:00:00.040 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n"
         "10:00:00.030 swallowed error from another thread\n"
         "10:00:00.100 <-3E0101050B757800000021 Data of console n\xB0"
         "1\n"
         "09:59:59.000 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n",  // the clock set back
         {{40, version}, {100, measure}, {100, version}}},
        {"a little earlier across midnight is no day's wait either",
         "23:59:59.900 ->3E0A00000021 Version Req Console 0\n"
         "00:00:00.050 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n"
         "23:59:59.950 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n"
         "00:00:00.060 <-3E0101050B757800000021 Data of console n\xB0"
         "1\n",
         {{150, version}, {150, version}, {160, measure}}},
        {"no request before: time zero is the first frame",
         "08:00:00.500 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n"
         "08:00:00.700 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n",
         {{0, version}, {200, version}}},
        {"lines that are no frame are passed over",
         "08:00:00.000 ->3E0A00000021 Version Req Console 0\n"
         "08:00:00.001 <-3E0A00017800 cut short\n"
         "08:00:00.002 <-3E0A0001780021F odd digit\n"
         "8:00:00.003 <-3E0A0001780021 no proper time\n"
         "<-3E0A0001780021 no time at all\n"
         "08:00:00.004 \n"
         "08:00:00.005 <-3E0A0001780021 Version Nbr.= 0x78 ID = 0\n",
         {{5, version}}},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.Trace);
        std::vector<ReplayFrame> frames;
        std::string error;
        EXPECT_TRUE(ReadTraceForReplay(in, frames, error)) << c.Name << ": " << error;
        EXPECT_EQ(frames, c.Want) << c.Name;
    }
}

TEST(TraceReplay, ATraceWithoutDongleFramesOrNoFileIsRefused) {
    std::istringstream hostOnly("10:00:01.300 ->3E0A00000021 Version Req Console 0\n");
    std::vector<ReplayFrame> frames;
    std::string error;
    EXPECT_FALSE(ReadTraceForReplay(hostOnly, frames, error));
    EXPECT_EQ(error, "the trace shows no frame from the dongle");
    EXPECT_FALSE(LoadTraceForReplay("/nonexistent/trace.log", frames, error));
    EXPECT_EQ(error, "cannot open /nonexistent/trace.log: No such file or directory");
}

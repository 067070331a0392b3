// The port on the demo's line: the emulator's named pipe, opened by its full device name. A pipe
// has no line settings and no comm events; the port reads it, and a pipe whose server went is a
// device that went.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "tests/common/Pump.h"
#include "tests/serial/SerialTestSupport.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace trimora;

namespace {
const std::string kVersionRequest("\x3E\x0A\x00\x00\x00\x21", 6);
const std::string kVersionReply("\x3E\x0A\x00\x01\x78\x00\x21", 7);
}  // namespace

TEST(ComPortOnPipe, TalksToTheEmulatorAndReportsItsHangUpOnceThenOpensAgain) {
    sim::DongleSim dongle;
    std::string error;
    ASSERT_TRUE(dongle.Start(&error)) << error;
    ASSERT_EQ(dongle.SlavePath().rfind("\\\\.\\pipe\\", 0), 0u) << dongle.SlavePath();

    TComPort port(nullptr);
    test::ConfigureLikeProtocol(port);
    port.SetPort(dongle.SlavePath());
    TComDataPacket framer(nullptr);
    test::ConfigureLikeProtocol(framer);
    std::vector<std::string> packets;
    framer.OnPacket = [&](TObject*, const std::string& s) { packets.push_back(s); };
    framer.SetComPort(&port);
    int gone = 0;
    port.OnDeviceGone = [&](TObject*) { ++gone; };
    auto record = std::unique_ptr<TAsyncRecord>();
    InitAsyncRecord(record);

    port.OpenPort();
    port.WriteTextAsync(kVersionRequest, record.get());
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 1; }));
    EXPECT_EQ(test::Hex(packets[0]), test::Hex(kVersionReply));

    ASSERT_TRUE(dongle.HangUp());
    ASSERT_TRUE(test::PumpUntil([&] { return gone == 1; }));
    test::PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(gone, 1);
    port.ClosePort();

    // Back: the line takes the next open a moment after the last one closed.
    ASSERT_TRUE(dongle.Reconnect(&error)) << error;
    port.SetPort(dongle.SlavePath());
    port.OpenPort();
    port.WriteTextAsync(kVersionRequest, record.get());
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 2; }));
    port.ClosePort();
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
    test::SilencePort(port);
}

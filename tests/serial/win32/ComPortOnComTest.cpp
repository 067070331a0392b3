// The port on a real COM device of Windows: under wine, a COM port on a pseudo-terminal whose
// other side the test plays (scripts/wine-com-bridge); on Windows, wherever a bridge provides one.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/Application.h"
#include "serial/ComError.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "tests/common/Pump.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/serial/win32/BridgedComPort.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {

// A measure with a 0x00 data byte, which also makes the driver report the event character.
const std::string kMeasure("\x3E\x01\x07\x05\x0B\xB8\x00\x04\x10\x00\x21", 11);
// Ports of their own, apart from those wine maps by itself.
constexpr int kFirstTestPort = 21;

class ComPortOnCom : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::BridgedComPort::Available())
            GTEST_SKIP() << "no COM port with a test at its other end (TRIMORA_COM_BRIDGE)";
        line = std::make_unique<test::BridgedComPort>(kFirstTestPort);
        ASSERT_TRUE(line->Plugged()) << line->Error();
        port = std::make_unique<TComPort>(nullptr);
        test::ConfigureLikeProtocol(*port);
        port->SetPort(line->Name());
        test::ConfigureLikeProtocol(framer);
        framer.OnPacket = [this](TObject*, const std::string& s) {
            packets.push_back(s);
            packetThreads.push_back(std::this_thread::get_id());
            if (onPacket) onPacket(s);
        };
        framer.SetComPort(port.get());
        port->OnDeviceGone = [this](TObject*) { ++gone; };
        InitAsyncRecord(record);
    }

    void TearDown() override {
        onPacket = nullptr;
        if (port) test::SilencePort(*port);
        port.reset();
    }

    std::unique_ptr<test::BridgedComPort> line;
    TComDataPacket framer{nullptr};
    std::unique_ptr<TComPort> port;
    std::vector<std::string> packets;
    std::vector<std::thread::id> packetThreads;
    std::function<void(const std::string&)> onPacket;
    int gone = 0;
    std::unique_ptr<TAsyncRecord> record;
};

}  // namespace

TEST(ComPortOpen, AMissingPortFailsWithWindowsErrorAndStaysClosed) {
    TComPort port(nullptr);
    port.SetPort("COM99");
    int before = 0, after = 0;
    port.OnBeforeOpen = [&](TObject*) { ++before; };
    port.OnAfterOpen = [&](TObject*) { ++after; };
    try {
        port.OpenPort();
        FAIL() << "COM99 opened";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.PortErrorNumber(), ecOpenFailed);
        EXPECT_GT(e.WindowsError(), 0);
        EXPECT_NE(std::string(e.what()).find("Unable to open com port (win error code: "),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 0);
}

// The device refuses a second open (no sharing) on Windows; wine does not, so it is not tested.
TEST_F(ComPortOnCom, OpensWithTheProtocolsLineSettings) {
    port->OpenPort();
    ASSERT_TRUE(port->Connected());
    EXPECT_EQ(line->LineSettings(), "speed=115200 csize=8 parenb=0 cstopb=0 crtscts=1");
    port->ClosePort();
    EXPECT_FALSE(port->Connected());
    port->OpenPort();
    EXPECT_TRUE(port->Connected());
}

TEST_F(ComPortOnCom, ReceivedFramesReachTheFramerOnTheGuiThread) {
    port->OpenPort();
    // Cut anywhere, in one piece, and many back to back: every frame whole and in order.
    ASSERT_TRUE(line->Send(kMeasure.substr(0, 4)));
    test::PumpFor(50ms);
    ASSERT_TRUE(line->Send(kMeasure.substr(4)));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 1; }));
    std::string burst;
    for (int i = 0; i < 300; ++i) {
        std::string frame = kMeasure;
        frame[2] = static_cast<char>(1 + i % 30);
        burst += frame;
    }
    ASSERT_TRUE(line->Send(burst));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 301; })) << packets.size();

    std::string received;
    for (std::size_t i = 1; i < packets.size(); ++i) received += packets[i];
    EXPECT_EQ(packets[0], kMeasure);
    EXPECT_EQ(test::Hex(received), test::Hex(burst));
    for (std::thread::id id : packetThreads) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(gone, 0);
}

TEST_F(ComPortOnCom, WritesLeaveInCallOrderWithoutWaiting) {
    port->OpenPort();
    std::string sent;
    for (int i = 0; i < 200; ++i) {
        const std::string frame = ">" + std::string(1, static_cast<char>(i)) + "\x00\x00\x00!";
        port->PurgeBuffers(false, true);
        port->WriteTextAsync(frame, record.get());
        sent += frame;
    }
    const std::string got = line->Receive(sent.size());
    EXPECT_EQ(test::Hex(got), test::Hex(sent));
}

TEST_F(ComPortOnCom, FramesWrittenJustBeforeTheCloseStillLeave) {
    port->OpenPort();
    const std::string last("\x3E\x0C\xFF\x00\x00\x21", 6);
    port->WriteTextAsync(last, record.get());
    port->ClosePort();
    EXPECT_EQ(test::Hex(line->Receive(last.size())), test::Hex(last));
}

TEST_F(ComPortOnCom, PullingTheAdapterOutRaisesDeviceGoneOnceAndAReplugWorksAgain) {
    port->OpenPort();
    ASSERT_TRUE(line->Send(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 1; }));

    line->Unplug();
    ASSERT_TRUE(test::PumpUntil([&] { return gone == 1; }));
    test::PumpFor(300ms);
    EXPECT_EQ(gone, 1);
    EXPECT_TRUE(port->Connected()) << "the owner closes it";
    EXPECT_TRUE(port->InputEnded());
    EXPECT_THROW(port->WriteTextAsync(kMeasure, record.get()), EComPort);
    port->ClosePort();

    ASSERT_TRUE(line->Replug()) << line->Error();
    port->OpenPort();
    ASSERT_TRUE(line->Send(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 2; }));
    EXPECT_EQ(gone, 1);
}

TEST_F(ComPortOnCom, AHandlerMayCloseThePortFromInsideTheHandOver) {
    port->OpenPort();
    onPacket = [this](const std::string&) { port->ClosePort(); };
    ASSERT_TRUE(line->Send(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return !port->Connected(); }));
    onPacket = nullptr;
    EXPECT_EQ(packets.size(), 1u);
    // The event thread let go: the port opens again and receives.
    port->OpenPort();
    ASSERT_TRUE(line->Send(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 2; }));
}

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "serial/ComPort.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {
class WritesOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ConfigureLikeProtocol(port);
        port.SetPort(pty.SlavePath());
        InitAsyncRecord(record);
    }
    void TearDown() override { test::SilencePort(port); }

    // Writes, nobody reading the master, until writes queue, then far more than a
    // pseudo-terminal holds, so that bytes stay queued however the kernel moves its buffers.
    std::string FillUntilFull() {
        std::string sent;
        for (int i = 0; i < 1000 && port.OutputCount() == 0; ++i) {
            std::string block(4096, static_cast<char>('a' + i % 26));
            port.WriteTextAsync(block, record.get());
            sent += block;
        }
        std::string more(256 * 1024, 'z');
        port.WriteTextAsync(more, record.get());
        return sent + more;
    }

    test::PseudoTerminal pty;
    TComPort port{nullptr};
    std::unique_ptr<TAsyncRecord> record;
};

std::string Frame(int n) {
    // 3E cmd id N data.. 00 21 with a counter in the data.
    std::string f = "\x3E\x01\x07\x04";
    for (int shift : {24, 16, 8, 0}) f += static_cast<char>((n >> shift) & 0xFF);
    f += '\0';
    f += '!';
    return f;
}
}  // namespace

TEST_F(WritesOnPty, ManyWritesArriveCompleteAndInOrder) {
    port.OpenPort();
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        std::string f = Frame(i);
        // The protocol purges the output before every write; no earlier write may suffer.
        port.PurgeBuffers(false, true);
        port.WriteBufferAsync(f.data(), static_cast<int>(f.size()), record.get());
        expected += f;
    }
    EXPECT_EQ(pty.Read(expected.size(), 5s), expected);
}

TEST_F(WritesOnPty, WritesTheDeviceCannotTakeWaitInOrderWithoutBlockingTheCaller) {
    port.OpenPort();
    // Nobody reads the master: the pseudo-terminal fills up and later writes queue.
    std::string sent = FillUntilFull();
    ASSERT_GT(port.OutputCount(), 0);
    for (int i = 0; i < 20; ++i) {
        std::string f = Frame(i);
        EXPECT_EQ(port.WriteTextAsync(f, record.get()), 0) << "pending";
        sent += f;
    }
    EXPECT_EQ(record->BytesCopy, Frame(19)) << "the record holds the last write's bytes";
    // The event thread sends the rest as the master reads.
    EXPECT_EQ(pty.Read(sent.size(), 10s), sent);
    EXPECT_TRUE(test::PumpUntil([&] { return port.OutputCount() == 0; }));
}

// A line that never drains (a stuck dongle holding CTS off) cannot grow the queue without end:
// once it is full a write is refused as a failed one, and nothing of it goes out.
TEST_F(WritesOnPty, WritesBeyondTheQueuesBoundAreRefusedAsFailedWrites) {
    port.Timeouts().SetWriteTotalConstant(0);  // nothing runs out of time meanwhile
    port.Timeouts().SetWriteTotalMultiplier(0);
    port.OpenPort();
    FillUntilFull();
    int taken = 0;
    std::int32_t refusal = 0;
    for (int i = 0; i < 10000 && refusal == 0; ++i) {
        try {
            port.WriteTextAsync(Frame(i), record.get());
            ++taken;
        } catch (const EComPort& e) {
            EXPECT_EQ(e.PortErrorNumber(), ecWriteFailed);
            refusal = e.WindowsError();
        }
    }
    EXPECT_EQ(refusal, ENOBUFS);
    EXPECT_LT(taken, 5000) << "the queue took far more requests than its bound";
    EXPECT_TRUE(port.Connected()) << "a full queue is no dead device";
}

TEST_F(WritesOnPty, AWriteThatRunsOutOfTimeIsDropped) {
    port.Timeouts().SetWriteTotalConstant(100);
    port.Timeouts().SetWriteTotalMultiplier(0);
    port.OpenPort();
    std::string sent = FillUntilFull();
    std::size_t queued = static_cast<std::size_t>(port.OutputCount());
    ASSERT_GT(queued, 0u);
    std::string late = "late";
    port.WriteTextAsync(late, record.get());
    // Both waiting writes run out of time one after the other, nobody reading.
    EXPECT_TRUE(test::PumpUntil([&] { return port.OutputCount() == 0; }));

    // Only what the device took before the time-out arrives, and nothing of the late write.
    std::string arrived = pty.ReadUntilQuiet(300ms);
    EXPECT_LT(arrived.size(), sent.size());
    EXPECT_EQ(sent.compare(0, arrived.size(), arrived), 0);
    // And the line is usable again.
    port.WriteTextAsync("next", record.get());
    EXPECT_EQ(pty.Read(4, 2s), "next");
}

TEST_F(WritesOnPty, WriteRequestsAreChecked) {
    port.OpenPort();
    try {
        port.WriteBufferAsync("x", 1, nullptr);
        FAIL() << "no record";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.PortErrorNumber(), ecInvalidAsync);
        EXPECT_STREQ(e.what(), "Invalid Async parameter");
    }
    EXPECT_EQ(port.WriteTextAsync("", nullptr), 0) << "an empty text writes nothing";

    port.WriteTextAsync("first", record.get());
    port.WriteTextAsync("second", record.get());
    EXPECT_EQ(record->BytesCopy, "second");
    EXPECT_EQ(record->BytesCopyLength(), 6);
    EXPECT_EQ(record->Direction, adWrite);
    EXPECT_EQ(pty.Read(11, 2s), "firstsecond");

    port.ClosePort();
    try {
        port.WriteTextAsync("closed", record.get());
        FAIL() << "a closed port wrote";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.PortErrorNumber(), ecWriteFailed);
        EXPECT_EQ(e.WindowsError(), EBADF);
    }
    EXPECT_THROW(port.PurgeBuffers(true, true), EComPort);
}

TEST_F(WritesOnPty, PurgingInputDropsWhatWasReceived) {
    port.SetEvents({evRxChar});
    int notices = 0;
    port.OnRxChar = [&](TObject*, int) { ++notices; };  // reads nothing
    port.OpenPort();
    ASSERT_TRUE(pty.Write("abc"));
    ASSERT_TRUE(test::PumpUntil([&] { return port.InputCount() == 3; }));
    port.PurgeBuffers(true, false);
    EXPECT_EQ(port.InputCount(), 0);

    ASSERT_TRUE(pty.Write("d"));
    ASSERT_TRUE(test::PumpUntil([&] { return port.InputCount() == 1; }));
    char c = 0;
    EXPECT_EQ(port.Read(&c, 1), 1);
    EXPECT_EQ(c, 'd');
}

TEST_F(WritesOnPty, PurgingOutputKeepsWritesThatWait) {
    port.OpenPort();
    std::string sent = FillUntilFull();
    ASSERT_GT(port.OutputCount(), 0);
    port.PurgeBuffers(false, true);
    EXPECT_EQ(pty.Read(sent.size(), 10s), sent);
}

TEST_F(WritesOnPty, APortWithoutEventsStillSendsButReadsNothing) {
    port.SetEvents({});
    port.OpenPort();
    std::string sent = FillUntilFull();
    EXPECT_EQ(pty.Read(sent.size(), 10s), sent);
    ASSERT_TRUE(pty.Write("zz"));
    test::PumpFor(100ms);
    EXPECT_EQ(port.InputCount(), 0);
}

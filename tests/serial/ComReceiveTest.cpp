#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "runtime/Application.h"
#include "serial/ComPort.h"
#include "serial/ComThread.h"
#include "serial/DataPacket.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/common/RecordingTraceLog.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {
const std::string kMeasure("\x3E\x01\x07\x05\x0B\xB8\x50\x04\x10\x00\x21", 11);

class ReceiveOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        port = std::make_unique<TComPort>(nullptr);
        test::ConfigureLikeProtocol(*port);
        port->SetPort(pty.SlavePath());
        test::ConfigureLikeProtocol(framer);
        framer.OnPacket = [this](TObject*, const std::string& s) {
            packets.push_back(s);
            packetThreads.push_back(std::this_thread::get_id());
            if (onPacket) onPacket(s);
        };
        InitAsyncRecord(record);
    }

    void TearDown() override {
        // Closing serves input that has arrived: do it while everything it touches exists, and
        // without the handlers of a test that ended early, whose captures are gone.
        onPacket = nullptr;
        if (port) test::SilencePort(*port);
        port.reset();
    }

    // Blocks without serving until the device has input to read.
    bool WaitForInputWithoutServing() const {
        pollfd p{static_cast<int>(port->DeviceHandle()), POLLIN, 0};
        return ::poll(&p, 1, 5000) == 1;
    }

    static bool ThreadEnds(const TComThread* t) {
        return test::PumpUntil([t] { return t->Finished(); });
    }

    test::PseudoTerminal pty;
    TComDataPacket framer{nullptr};
    std::unique_ptr<TComPort> port;
    std::vector<std::string> packets;
    std::vector<std::thread::id> packetThreads;
    std::function<void(const std::string&)> onPacket;
    std::unique_ptr<TAsyncRecord> record;
};
}  // namespace

TEST_F(ReceiveOnPty, AFrameArrivesWholeAtTheFramerOnTheGuiThreadWithoutAHandOver) {
    std::atomic<int> handOvers{0};
    Application::Instance().SetWakeHook([&] { ++handOvers; });
    int rxChar = 0;
    std::string rxBuf;
    port->OnRxChar = [&](TObject*, int) { ++rxChar; };
    port->OnRxBuf = [&](TObject*, const char* b, int n) { rxBuf.append(b, n); };
    framer.SetComPort(port.get());
    port->OpenPort();

    ASSERT_TRUE(pty.Write(kMeasure.substr(0, 5)));
    test::PumpFor(30ms);
    ASSERT_TRUE(pty.Write(kMeasure.substr(5)));
    ASSERT_TRUE(test::PumpUntil([&] { return !packets.empty(); }));
    EXPECT_EQ(packets, (std::vector<std::string>{kMeasure}));
    EXPECT_EQ(packetThreads[0], std::this_thread::get_id());
    EXPECT_EQ(rxChar, 0) << "the framer took the bytes";
    EXPECT_EQ(rxBuf, kMeasure) << "OnRxBuf saw each block that went to the framer";
    EXPECT_EQ(port->InputCount(), 0);
    Application::Instance().SetWakeHook(nullptr);
    EXPECT_EQ(handOvers.load(), 0) << "the GUI loop read the device itself";
}

TEST_F(ReceiveOnPty, WithSmNoneTheEventThreadServesTheBytesItself) {
    std::atomic<int> count{0};
    std::atomic<std::thread::id> servedOn{};
    framer.OnPacket = [&](TObject*, const std::string&) {
        servedOn.store(std::this_thread::get_id());
        ++count;
    };
    port->SetSyncMethod(smNone);
    framer.SetComPort(port.get());
    port->OpenPort();
    ASSERT_TRUE(pty.Write(kMeasure));
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (count.load() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    port->ClosePort();
    EXPECT_EQ(count.load(), 1);
    EXPECT_NE(servedOn.load(), std::this_thread::get_id());
}

TEST_F(ReceiveOnPty, ANestedPumpInsideAHandlerDoesNotServeThePortAgain) {
    framer.SetComPort(port.get());
    std::size_t packetsSeenInsideThePump = 0;
    onPacket = [&](const std::string&) {
        if (packets.size() != 1) return;
        ASSERT_TRUE(pty.Write(kMeasure));
        test::PumpFor(50ms);
        packetsSeenInsideThePump = packets.size();
    };
    port->OpenPort();
    ASSERT_TRUE(pty.Write(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 2; }));
    EXPECT_EQ(packetsSeenInsideThePump, 1u) << "the second frame waited for the first handler";
}

TEST_F(ReceiveOnPty, ManyFramesInQuickSuccessionAllArriveInOrder) {
    framer.SetComPort(port.get());
    port->OpenPort();
    std::string stream;
    for (int i = 0; i < 500; ++i) stream += kMeasure;
    ASSERT_TRUE(pty.Write(stream));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() >= 500; }));
    EXPECT_EQ(packets.size(), 500u);
    EXPECT_EQ(packets.back(), kMeasure);
}

TEST_F(ReceiveOnPty, WithoutALinkOnRxCharCountsAndTheBytesWait) {
    std::string read;
    std::vector<int> counts;
    port->OnRxChar = [&](TObject*, int n) {
        counts.push_back(n);
        std::string buffer(static_cast<std::size_t>(n), '\0');
        read.append(buffer.data(), static_cast<std::size_t>(port->Read(buffer.data(), n)));
    };
    port->OpenPort();
    ASSERT_TRUE(pty.Write("hello"));
    ASSERT_TRUE(test::PumpUntil([&] { return read.size() == 5; }));
    EXPECT_EQ(read, "hello");
    int total = 0;
    for (int n : counts) total += n;
    EXPECT_EQ(total, 5);
}

TEST_F(ReceiveOnPty, TheEventCharRaisesRxFlag) {
    int flags = 0, chars = 0;
    port->OnRxFlag = [&](TObject*) { ++flags; };
    port->OnRxChar = [&](TObject*, int n) {
        std::string sink(static_cast<std::size_t>(n), '\0');
        chars += port->Read(sink.data(), n);
    };
    port->OpenPort();
    ASSERT_TRUE(pty.Write("AB"));
    ASSERT_TRUE(test::PumpUntil([&] { return chars == 2; }));
    EXPECT_EQ(flags, 0);
    ASSERT_TRUE(pty.Write(std::string("A\0B", 3)));
    ASSERT_TRUE(test::PumpUntil([&] { return chars == 5 && flags == 1; }));
}

TEST_F(ReceiveOnPty, AFullInputQueueHoldsTheRestBackInsteadOfDroppingIt) {
    port->SetEvents({evRxChar, evError});
    std::vector<TComErrors> errors;
    port->OnError = [&](TObject*, TComErrors e) { errors.push_back(e); };
    bool reading = false;
    std::string received;
    port->OnRxChar = [&](TObject*, int count) {
        if (!reading) return;  // a slow reader: the queue fills up
        std::string block(static_cast<std::size_t>(count), '\0');
        block.resize(port->Read(block.data(), count));
        received += block;
    };
    port->OpenPort();
    std::string sent(20000, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i % 251);
    std::thread writer([&] { EXPECT_TRUE(pty.Write(sent, 10s)); });
    test::PumpFor(300ms);
    EXPECT_EQ(port->InputCount(), 4096) << "the queue fills to its size and stops there";
    EXPECT_TRUE(errors.empty()) << "nothing was dropped, so no overrun";
    reading = true;
    std::string head(4096, '\0');
    head.resize(port->Read(head.data(), 4096));  // room again: the event thread reads on
    received += head;
    EXPECT_TRUE(test::PumpUntil([&] { return received.size() >= sent.size(); }, 10s));
    writer.join();
    EXPECT_EQ(received.substr(0, sent.size()), sent) << "every byte, in order";
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReceiveOnPty, ClosingServesInputThatArrivedBeforeIt) {
    framer.SetComPort(port.get());
    std::vector<std::string> order;
    port->OnBeforeClose = [&](TObject*) { order.push_back("BeforeClose"); };
    port->OnAfterClose = [&](TObject*) { order.push_back("AfterClose"); };
    onPacket = [&](const std::string&) { order.push_back("packet"); };
    port->OpenPort();
    ASSERT_TRUE(pty.Write(kMeasure));
    ASSERT_TRUE(WaitForInputWithoutServing());
    port->ClosePort();
    EXPECT_EQ(order, (std::vector<std::string>{"BeforeClose", "packet", "AfterClose"}));
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(Application::Instance().PendingCount(), 0u);
}

TEST_F(ReceiveOnPty, ClosingFromInsideItsHandlerDoesNotWaitForItself) {
    framer.SetComPort(port.get());
    onPacket = [&](const std::string&) { port->ClosePort(); };
    port->OpenPort();
    ASSERT_TRUE(pty.Write(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return !packets.empty(); }));
    EXPECT_FALSE(port->Connected());
    // The thread ends after the hand-over and is reclaimed by a later pump.
    EXPECT_TRUE(test::PumpUntil([] { return Application::Instance().ReleasedThreadCount() == 0; }));

    onPacket = nullptr;
    port->OpenPort();
    ASSERT_TRUE(pty.Write(kMeasure));
    EXPECT_TRUE(test::PumpUntil([&] { return packets.size() == 2; }));
}

TEST_F(ReceiveOnPty, RenamingFromInsideItsHandlerMovesToTheNewDevice) {
    test::PseudoTerminal other;
    framer.SetComPort(port.get());
    onPacket = [&](const std::string&) {
        if (packets.size() == 1) port->SetPort(other.SlavePath());
    };
    port->OpenPort();
    ASSERT_TRUE(pty.Write(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return !packets.empty(); }));
    EXPECT_TRUE(port->Connected());
    EXPECT_EQ(port->Port(), other.SlavePath());
    ASSERT_TRUE(other.Write(kMeasure));
    EXPECT_TRUE(test::PumpUntil([&] { return packets.size() == 2; }));
    EXPECT_TRUE(test::PumpUntil([] { return Application::Instance().ReleasedThreadCount() == 0; }));
}

TEST_F(ReceiveOnPty, DestroyingFromInsideItsHandlerIsSafe) {
    framer.SetComPort(port.get());
    std::vector<std::string> afterDestroy;
    port->OnRxChar = [&](TObject*, int) { afterDestroy.push_back("rxchar"); };
    onPacket = [&](const std::string&) { port.reset(); };
    port->OpenPort();
    // Two frames in one block: the second comes from the framer, not the gone port.
    ASSERT_TRUE(pty.Write(kMeasure + kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 2; }));
    EXPECT_EQ(port, nullptr);
    EXPECT_EQ(framer.ComPort(), nullptr);
    EXPECT_TRUE(afterDestroy.empty());
    EXPECT_TRUE(test::PumpUntil([] { return Application::Instance().ReleasedThreadCount() == 0; }));
}

TEST_F(ReceiveOnPty, AHandlerErrorEndsDeliveryButNotThePort) {
    framer.SetComPort(port.get());
    onPacket = [](const std::string&) { throw std::runtime_error("handler failed"); };
    test::RecordingTraceLog log;
    port->OpenPort();
    ASSERT_TRUE(pty.Write(kMeasure));
    ASSERT_TRUE(ThreadEnds(port->EventThread()));
    EXPECT_TRUE(port->Connected());
    EXPECT_TRUE(port->InputEnded()) << "the port says that it delivers nothing more";
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{
                  "error ignored in a handler of a port's received data: handler failed"});
    EXPECT_EQ(packets.size(), 1u);

    onPacket = nullptr;
    ASSERT_TRUE(pty.Write(kMeasure));
    test::PumpFor(100ms);
    EXPECT_EQ(packets.size(), 1u) << "nothing is delivered until the port is reopened";
    port->WriteTextAsync("still writes", record.get());
    EXPECT_EQ(pty.Read(12, 2s), "still writes");

    port->ClosePort();
    port->OpenPort();
    EXPECT_FALSE(port->InputEnded());
    ASSERT_TRUE(pty.Write(kMeasure));
    EXPECT_TRUE(test::PumpUntil([&] { return packets.size() >= 2; }));
    EXPECT_EQ(packets.back(), kMeasure);
}

// Without the GUI loop's watch the event thread serves the input; a handler's error ends it.
TEST_F(ReceiveOnPty, AHandlerErrorOnTheEventThreadEndsDeliveryAndSaysSo) {
    port->SetSyncMethod(smNone);
    framer.SetComPort(port.get());
    onPacket = [](const std::string&) { throw std::runtime_error("handler failed"); };
    test::RecordingTraceLog log;
    port->OpenPort();
    EXPECT_FALSE(port->InputEnded());
    ASSERT_TRUE(pty.Write(kMeasure));
    ASSERT_TRUE(ThreadEnds(port->EventThread()));
    EXPECT_TRUE(port->Connected());
    EXPECT_TRUE(port->InputEnded());
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{"error ignored in a worker thread: handler failed"});
    port->ClosePort();
    EXPECT_FALSE(port->InputEnded());
}

TEST_F(ReceiveOnPty, AHungUpDeviceEndsTheLoopOnceAndWritesFailFast) {
    framer.SetComPort(port.get());
    port->OpenPort();
    const TComThread* thread = port->EventThread();
    // While the master is open, a slave that has received nothing reports no hang-up.
    test::PumpFor(150ms);
    EXPECT_FALSE(thread->Finished());

    ASSERT_TRUE(pty.Write(kMeasure));
    ASSERT_TRUE(test::PumpUntil([&] { return packets.size() == 1; }));
    ASSERT_TRUE(pty.Write(kMeasure.substr(0, 4)));  // mid-frame
    test::PumpFor(20ms);
    pty.CloseMaster();
    EXPECT_TRUE(ThreadEnds(thread)) << "the loop ends instead of spinning";
    EXPECT_TRUE(port->Connected());
    EXPECT_TRUE(port->InputEnded());

    auto start = std::chrono::steady_clock::now();
    try {
        port->WriteTextAsync(kMeasure, record.get());
        FAIL() << "a write on a hung-up device succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.PortErrorNumber(), ecWriteFailed);
        EXPECT_EQ(e.WindowsError(), EIO);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    port->ClosePort();
    EXPECT_FALSE(port->Connected());
}

TEST_F(ReceiveOnPty, HangUpIsReportedAsAnErrorWhenWatched) {
    port->SetEvents({evRxChar, evError});
    std::vector<TComErrors> errors;
    port->OnError = [&](TObject*, TComErrors e) { errors.push_back(e); };
    port->OpenPort();
    // No data has come: the slave reports a hang-up only once the master closes.
    test::PumpFor(100ms);
    EXPECT_FALSE(port->EventThread()->Finished());
    EXPECT_TRUE(errors.empty());
    pty.CloseMaster();
    ASSERT_TRUE(ThreadEnds(port->EventThread()));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].Contains(ceIOE));
}

// An unplugged device tells the port's owner once, on the thread that serves the port's events
// (the GUI thread, or the event thread with smNone), while the port is still open; the owner may
// close the port from the handler. A port closed by its owner hears nothing of a hang-up found
// while closing.
TEST_F(ReceiveOnPty, AHangUpIsReportedOnceAsTheDeviceGone) {
    for (TSyncMethod sync : {smThreadSync, smNone}) {
        SCOPED_TRACE(sync == smNone ? "smNone" : "smThreadSync");
        test::PseudoTerminal line;
        TComPort p(nullptr);
        test::ConfigureLikeProtocol(p);
        p.SetSyncMethod(sync);
        p.SetPort(line.SlavePath());
        std::atomic<int> gone{0};
        std::atomic<bool> openAtNotice{false}, onGuiThread{false};
        p.OnDeviceGone = [&](TObject*) {
            openAtNotice = p.Connected();
            onGuiThread = Application::Instance().IsGuiThread();
            ++gone;
            if (sync != smNone) p.ClosePort();
        };
        p.OpenPort();
        test::PumpFor(50ms);
        EXPECT_EQ(gone.load(), 0) << "no hang-up while the device is there";
        line.CloseMaster();
        const auto unplugged = std::chrono::steady_clock::now();
        ASSERT_TRUE(test::PumpUntil([&] { return gone.load() > 0; }));
        EXPECT_LT(std::chrono::steady_clock::now() - unplugged, 1s);  // generous; see the bench
        test::PumpFor(100ms);
        EXPECT_EQ(gone.load(), 1);
        EXPECT_TRUE(openAtNotice.load());
        EXPECT_EQ(onGuiThread.load(), sync != smNone);
        if (sync != smNone) {
            EXPECT_FALSE(p.Connected()) << "closed from the handler";
        }
        p.OnDeviceGone = nullptr;
    }

    int gone = 0;
    port->OnDeviceGone = [&](TObject*) { ++gone; };
    port->OpenPort();
    pty.CloseMaster();
    WaitForInputWithoutServing();
    port->ClosePort();
    EXPECT_EQ(gone, 0) << "a hang-up found by the owner's own close is no news to it";
}

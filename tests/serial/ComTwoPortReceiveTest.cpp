// Two ports served by the same GUI loop, where one port's handler closes or destroys the other
// while the other's input is waiting or being served.
#include <gtest/gtest.h>
#include <poll.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Application.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using namespace std::chrono_literals;

namespace {
const std::string kFrame("\x3E\x01\x07\x05\x0B\xB8\x50\x04\x10\x00\x21", 11);

// One line: a pseudo-terminal, a port on it configured like the protocol's, and a framer.
struct Line {
    test::PseudoTerminal pty;
    std::unique_ptr<TComPort> port = std::make_unique<TComPort>(nullptr);
    TComDataPacket framer{nullptr};
    std::vector<std::string> packets;
    std::function<void()> onPacket;

    Line() {
        test::ConfigureLikeProtocol(*port);
        port->SetPort(pty.SlavePath());
        test::ConfigureLikeProtocol(framer);
        framer.OnPacket = [this](TObject*, const std::string& s) {
            packets.push_back(s);
            if (onPacket) onPacket();
        };
        framer.SetComPort(port.get());
    }
    ~Line() {
        onPacket = nullptr;
        if (port) test::SilencePort(*port);
        port.reset();
    }
};

bool ReadableSoon(int Fd) {
    pollfd p{Fd, POLLIN, 0};
    return ::poll(&p, 1, 5000) == 1;
}
}  // namespace

TEST(TwoPortReceive, APortDestroyedByTheOtherWhileItsInputWaitsIsNotServed) {
    Line a, b;
    a.onPacket = [&] { b.port.reset(); };
    a.port->OpenPort();
    b.port->OpenPort();
    // Both readable before the loop looks: the same wait finds both ready.
    ASSERT_TRUE(b.pty.Write(kFrame));
    ASSERT_TRUE(a.pty.Write(kFrame));
    ASSERT_TRUE(ReadableSoon(a.port->DeviceHandle()));
    ASSERT_TRUE(ReadableSoon(b.port->DeviceHandle()));
    ASSERT_TRUE(test::PumpUntil([&] { return !a.packets.empty(); }));
    test::PumpFor(50ms);
    EXPECT_EQ(b.port, nullptr);
    EXPECT_EQ(a.packets.size(), 1u);
    EXPECT_EQ(Application::Instance().WatchCount(), 1u) << "only the living port is watched";
}

TEST(TwoPortReceive, APortClosedOrDestroyedFromANestedPumpInsideItsOwnHandler) {
    struct Case {
        const char* Name;
        bool Destroy;
    };
    for (const Case& c : {Case{"closed", false}, Case{"destroyed", true}}) {
        SCOPED_TRACE(c.Name);
        Line a, b;
        // A's handler pumps; inside, B's handler takes A away under it.
        a.onPacket = [&] {
            if (a.packets.size() != 1) return;
            ASSERT_TRUE(b.pty.Write(kFrame));
            test::PumpUntil([&] { return !b.packets.empty(); }, 2s);
        };
        b.onPacket = [&] {
            if (c.Destroy)
                a.port.reset();
            else
                a.port->ClosePort();
        };
        a.port->OpenPort();
        b.port->OpenPort();
        // The second frame is in the same block: the framer hands it on after the port went.
        ASSERT_TRUE(a.pty.Write(kFrame + kFrame));
        ASSERT_TRUE(test::PumpUntil([&] { return !b.packets.empty(); }));
        test::PumpFor(50ms);
        if (c.Destroy) {
            EXPECT_EQ(a.port, nullptr);
            continue;
        }
        EXPECT_FALSE(a.port->Connected());
        a.onPacket = nullptr;
        a.port->OpenPort();
        ASSERT_TRUE(a.pty.Write(kFrame));
        EXPECT_TRUE(test::PumpUntil([&] { return a.packets.size() == 3; }))
            << "the reopened port delivers again";
    }
}

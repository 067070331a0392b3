// A port whose receiver keeps taking bytes from its input queue loses none, however the device
// hands them over: the event thread takes no more from the driver than the queue has room for.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "runtime/Application.h"
#include "serial/ComPort.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using namespace std::chrono_literals;

TEST(ComInputQueueRoom, AReceiverThatTakesPartOfEachDeliveryLosesNothing) {
    test::PseudoTerminal pty;
    TComPort port(nullptr);
    test::ConfigureLikeProtocol(port);
    port.SetEvents({evRxChar, evError});
    port.SetPort(pty.SlavePath());
    std::string received;
    bool overrun = false;
    port.OnError = [&](TObject*, TComErrors e) { overrun = overrun || e.Contains(ceRxOver); };
    // Takes at most 1000 bytes per notice and leaves the rest queued for later.
    port.OnRxChar = [&](TObject*, int) {
        std::string chunk(1000, '\0');
        chunk.resize(static_cast<std::size_t>(port.Read(chunk.data(), 1000)));
        received += chunk;
    };
    port.OpenPort();

    std::string sent;
    for (int i = 0; sent.size() < 12000; ++i) sent += std::to_string(i) + ",";
    ASSERT_TRUE(pty.Write(sent));
    // Notices come while bytes keep arriving; what is still queued at the end is read here.
    test::PumpUntil([&] { return received.size() + port.InputCount() >= sent.size(); }, 5s);
    test::PumpFor(50ms);
    std::string rest(static_cast<std::size_t>(port.InputCount()), '\0');
    rest.resize(static_cast<std::size_t>(port.Read(rest.data(), port.InputCount())));
    received += rest;

    EXPECT_FALSE(overrun);
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent) << "bytes lost or out of order";
    test::SilencePort(port);
    port.ClosePort();
}

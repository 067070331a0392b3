#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ProtocolTestSupport.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/TMemo.h"
#include "serial/ComPort.h"
#include "tests/serial/SerialTestSupport.h"

namespace trimora::testing {

// A protocol component connected through a port that the test opened on DevicePath and handed
// over, with a trace pane attached; the far end of the line is whatever holds the master side.
class ProtocolOnLine {
  public:
    explicit ProtocolOnLine(const std::string& DevicePath) {
        test::ConfigureLikeProtocol(Port);
        Port.SetPort(DevicePath);
        P.SetPort(&Port);
        P.SetDebugMemo(&Trace);
        // Recoveries in tests need not wait the default 300 ms.
        P.SetDisconDelayBetweenCloseOpenPort(20);
    }
    ~ProtocolOnLine() { test::SilencePort(Port); }

    // Opens the port with the component listening to it, as the connection code does.
    void Connect() {
        TComDataPacket& framer = *P.Packet();
        test::ConfigureLikeProtocol(framer);
        framer.SetComPort(&Port);
        framer.OnPacket = [this](TObject* Sender, const std::string& F) {
            P.PacketReceived(Sender, F);
        };
        Port.OnAfterOpen = [this](TObject* Sender) { P.PortAfterOpen(Sender); };
        Port.OpenPort();
    }
    // The notice with which the dongle reports console Id joining: the component counts it.
    void ConsoleJoins(int Id) { P.PacketReceived(nullptr, Frame(0x05, 0, {Id})); }
    void ConsoleLeaves(int Id) { P.PacketReceived(nullptr, Frame(0x06, 0, {Id})); }

    TMemo Trace;
    TComPort Port{nullptr};
    TVelnWirelessProtocol P{nullptr};
};

inline int CountLines(const TMemo& Memo, const std::string& Line) {
    int n = 0;
    for (const std::string& l : Memo.Lines()) n += l == Line;
    return n;
}

}  // namespace trimora::testing

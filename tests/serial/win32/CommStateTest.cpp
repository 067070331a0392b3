#include <gtest/gtest.h>

#include <cstring>

#include "serial/ComPort.h"
#include "serial/win32/CommSettings.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;

TEST(CommState, TheProtocolsLineIsTheDocumentedDcb) {
    TComPort port(nullptr);
    test::ConfigureLikeProtocol(port);
    const DCB dcb = CommStateOf(port.LineDcb());
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 115200u);
    // The flag bits as one word: fBinary, fParity, fOutxCtsFlow and fRtsControl 2.
    DWORD flags = 0;
    std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + 8, sizeof flags);
    EXPECT_EQ(flags, 0x2007u);
    EXPECT_EQ(dcb.XonLim, 256);
    EXPECT_EQ(dcb.XoffLim, 256);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(dcb.EvtChar, 0);
}

TEST(CommState, EventsAndCommMaskTranslateBothWays) {
    EXPECT_EQ(CommMaskOf({evRxChar, evRxFlag}), 0x0003u);
    EXPECT_EQ(CommMaskOf(AllComEvents), 0x07FFu & ~0x0200u);
    EXPECT_EQ(EventsOfCommMask(EV_RXCHAR | EV_ERR | EV_BREAK),
              (TComEvents{evRxChar, evError, evBreak}));
    EXPECT_EQ(EventsOfCommMask(CommMaskOf(AllComEvents)), AllComEvents);
}

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "serial/ComErrorFlags.h"
#include "serial/ComPort.h"
#include "serial/posix/PortPath.h"
#include "serial/posix/TermiosLine.h"
#include "tests/serial/SerialTestSupport.h"

using namespace trimora;
using trimora::test::ConfigureLikeProtocol;

namespace {
struct DcbCase {
    const char* Name;
    std::function<void(TComPort&)> Configure;
    std::uint32_t BaudRate;
    std::uint32_t Flags;
    std::uint16_t XonLim;
    std::uint8_t ByteSize, Parity, StopBits;
    char ErrorChar, EvtChar;
};
}  // namespace

TEST(LineSettings, DcbFollowsThePortsSettings) {
    const std::vector<DcbCase> cases = {
        {"protocol", [](TComPort& p) { ConfigureLikeProtocol(p); }, 115200, 0x2007, 256, 8, 0, 0, 0,
         0},
        {"defaults", [](TComPort&) {}, 9600, 0x0001, 256, 8, 0, 0, 0, 0},
        {"odd input size is stored one less", [](TComPort& p) { p.Buffer().SetInputSize(1025); },
         9600, 0x0001, 256, 8, 0, 0, 0, 0},
        {"check with replace sets the error char",
         [](TComPort& p) {
             p.Parity().SetCheck(true);
             p.Parity().SetReplace(true);
             p.Parity().SetReplaceChar('?');
         },
         9600, 0x0403, 256, 8, 0, 0, '?', 0},
        {"replace without check does not",
         [](TComPort& p) {
             p.Parity().SetReplace(true);
             p.Parity().SetReplaceChar('?');
         },
         9600, 0x0001, 256, 8, 0, 0, 0, 0},
        {"custom rate",
         [](TComPort& p) {
             p.SetBaudRate(brCustom);
             p.SetOtherBaudRate(250000);
         },
         250000, 0x0001, 256, 8, 0, 0, 0, 0},
        {"every other flag",
         [](TComPort& p) {
             p.SetBaudRate(br128000);
             p.SetDataBits(dbSeven);
             p.SetStopBits(sbTwoStopBits);
             p.Parity().SetBits(prMark);
             p.SetDiscardNull(true);
             p.SetEventChar('\n');
             p.Buffer().SetInputSize(4000);
             auto& f = p.FlowControl();
             f.SetOutDSRFlow(true);
             f.SetControlDTR(dtrHandshake);
             f.SetDSRSensitivity(true);
             f.SetTxContinueOnXoff(true);
             f.SetFlowControl(fcSoftware);
             f.SetControlRTS(rtsToggle);
         },
         // binary 1, dsr flow 8, dtr 2<<4, dsr sens 0x40, txcont 0x80, outx 0x100, inx 0x200,
         // null 0x800, rts 3<<12
         128000, 0x1 | 0x8 | 0x20 | 0x40 | 0x80 | 0x100 | 0x200 | 0x800 | 0x3000, 1000, 7, 3, 2, 0,
         '\n'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TComPort port(nullptr);
        c.Configure(port);
        TDcb dcb = port.LineDcb();
        EXPECT_EQ(dcb.DCBlength, 28u);
        EXPECT_EQ(dcb.BaudRate, c.BaudRate);
        EXPECT_EQ(dcb.Flags, c.Flags);
        EXPECT_EQ(dcb.XonLim, c.XonLim);
        EXPECT_EQ(dcb.XoffLim, c.XonLim);
        EXPECT_EQ(dcb.ByteSize, c.ByteSize);
        EXPECT_EQ(dcb.Parity, c.Parity);
        EXPECT_EQ(dcb.StopBits, c.StopBits);
        EXPECT_EQ(dcb.ErrorChar, c.ErrorChar);
        EXPECT_EQ(dcb.EvtChar, c.EvtChar);
        EXPECT_EQ(dcb.EofChar, 0);
        EXPECT_EQ(dcb.XonChar, 0x11);
        EXPECT_EQ(dcb.XoffChar, 0x13);
    }
}

TEST(LineSettings, ProtocolSettingsReadAsHardwareFlowControl) {
    TComPort port(nullptr);
    ConfigureLikeProtocol(port);
    EXPECT_EQ(port.FlowControl().FlowControl(), fcHardware);
    EXPECT_EQ(port.Buffer().InputSize(), 1024);
    EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
}

TEST(LineSettings, WritingFlowControlSetsOnlyItsFields) {
    struct Case {
        const char* Name;
        std::function<void(TComFlowControl&)> Before;
        TFlowControl Write;
        TRTSFlowControl Rts;
        TDTRFlowControl Dtr;
        bool Cts, XonIn, XonOut;
        TFlowControl ReadsAs;
    };
    const std::vector<Case> cases = {
        {"hardware after toggle and dtr enable",
         [](TComFlowControl& f) {
             f.SetControlRTS(rtsToggle);
             f.SetControlDTR(dtrEnable);
         },
         fcHardware, rtsHandshake, dtrEnable, true, false, false, fcHardware},
        {"software after hardware", [](TComFlowControl& f) { f.SetFlowControl(fcHardware); },
         fcSoftware, rtsDisable, dtrDisable, false, true, true, fcSoftware},
        {"none after software", [](TComFlowControl& f) { f.SetFlowControl(fcSoftware); }, fcNone,
         rtsDisable, dtrDisable, false, false, false, fcNone},
        {"custom changes nothing",
         [](TComFlowControl& f) {
             f.SetControlRTS(rtsToggle);
             f.SetXonXoffIn(true);
         },
         fcCustom, rtsToggle, dtrDisable, false, true, false, fcCustom},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TComFlowControl f;
        c.Before(f);
        f.SetFlowControl(c.Write);
        EXPECT_EQ(f.ControlRTS(), c.Rts);
        EXPECT_EQ(f.ControlDTR(), c.Dtr);
        EXPECT_EQ(f.OutCTSFlow(), c.Cts);
        EXPECT_EQ(f.XonXoffIn(), c.XonIn);
        EXPECT_EQ(f.XonXoffOut(), c.XonOut);
        EXPECT_EQ(f.FlowControl(), c.ReadsAs);
    }
}

TEST(LineSettings, FlowControlIsDerivedFromAllFourFields) {
    struct Case {
        TRTSFlowControl Rts;
        bool Cts, XonIn, XonOut;
        TFlowControl Expected;
    };
    const std::vector<Case> cases = {
        {rtsHandshake, true, false, false, fcHardware},
        {rtsDisable, false, true, true, fcSoftware},
        {rtsDisable, false, false, false, fcNone},
        {rtsEnable, false, false, false, fcCustom},
        {rtsDisable, true, false, false, fcCustom},
        {rtsHandshake, false, false, false, fcCustom},
        {rtsDisable, false, true, false, fcCustom},
        {rtsHandshake, true, true, true, fcCustom},
    };
    for (const auto& c : cases) {
        TComFlowControl f;
        f.SetControlRTS(c.Rts);
        f.SetOutCTSFlow(c.Cts);
        f.SetXonXoffIn(c.XonIn);
        f.SetXonXoffOut(c.XonOut);
        EXPECT_EQ(f.FlowControl(), c.Expected)
            << "rts " << int(c.Rts) << " cts " << c.Cts << " in " << c.XonIn << " out " << c.XonOut;
    }
}

TEST(LineSettings, BufferSizesDropAnOddPositiveByte) {
    TComBuffer b;
    const std::vector<std::pair<int, int>> cases = {
        {1025, 1024}, {1024, 1024}, {1, 0}, {0, 0}, {-3, -3}};
    for (auto [written, stored] : cases) {
        b.SetInputSize(written);
        b.SetOutputSize(written);
        EXPECT_EQ(b.InputSize(), stored) << written;
        EXPECT_EQ(b.OutputSize(), stored) << written;
    }
}

TEST(LineSettings, DcbTranslatesToTermios) {
    TComPort protocol(nullptr);
    ConfigureLikeProtocol(protocol);
    const TDcb base = protocol.LineDcb();
    struct Case {
        const char* Name;
        std::function<void(TDcb&)> Change;
        int Error;
        tcflag_t CflagSet, CflagClear, IflagSet, IflagClear;
        bool Bother, Dtr, Rts;
    };
    const tcflag_t none = 0;
    const std::vector<Case> cases = {
        {"protocol", [](TDcb&) {}, 0, CS8 | CRTSCTS | CREAD | CLOCAL, PARENB | CSTOPB, IGNBRK,
         IXON | IXOFF | INPCK | ICRNL, false, false, true},
        {"one and a half stop bits", [](TDcb& d) { d.StopBits = 1; }, EINVAL, none, none, none,
         none, false, false, false},
        {"two stop bits, seven even",
         [](TDcb& d) {
             d.StopBits = 2;
             d.ByteSize = 7;
             d.Parity = 2;
         },
         0, CSTOPB | CS7 | PARENB, PARODD | CMSPAR, none, none, false, false, true},
        {"mark parity", [](TDcb& d) { d.Parity = 3; }, 0, PARENB | PARODD | CMSPAR, none, none,
         none, false, false, true},
        {"space parity", [](TDcb& d) { d.Parity = 4; }, 0, PARENB | CMSPAR, PARODD, none, none,
         false, false, true},
        {"rate without a constant", [](TDcb& d) { d.BaudRate = 128000; }, 0, none, none, none, none,
         true, false, true},
        {"xon/xoff both ways", [](TDcb& d) { d.Flags |= DcbOutX | DcbInX; }, 0, none, none,
         IXON | IXOFF, none, false, false, true},
        {"replacing bad bytes checks parity", [](TDcb& d) { d.Flags |= DcbErrorChar; }, 0, none,
         none, INPCK, none, false, false, true},
        {"rts handshake alone cannot flow-control", [](TDcb& d) { d.Flags &= ~DcbOutxCtsFlow; }, 0,
         none, CRTSCTS, none, none, false, false, true},
        {"cts flow with rts off still uses crtscts, dtr on",
         [](TDcb& d) {
             d.Flags &= ~DcbRtsControlMask;
             d.Flags |= 1u << TDcb::kDtrShift;
         },
         0, CRTSCTS, none, none, none, false, true, false},
        {"byte size out of range", [](TDcb& d) { d.ByteSize = 9; }, EINVAL, none, none, none, none,
         false, false, false},
    };
    termios start{};
    start.c_iflag = ICRNL | IXON | BRKINT;
    start.c_lflag = ICANON | ECHO | ISIG;
    start.c_oflag = OPOST | ONLCR;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDcb dcb = base;
        c.Change(dcb);
        TTermiosLine line;
        int e = MakeTermiosLine(dcb, start, line);
        EXPECT_EQ(e, c.Error);
        if (e != 0) continue;
        EXPECT_EQ(line.Tio.c_cflag & c.CflagSet, c.CflagSet);
        EXPECT_EQ(line.Tio.c_cflag & c.CflagClear, none);
        EXPECT_EQ(line.Tio.c_iflag & c.IflagSet, c.IflagSet);
        EXPECT_EQ(line.Tio.c_iflag & c.IflagClear, none);
        EXPECT_EQ(line.Tio.c_lflag & (ICANON | ECHO | ISIG), none);
        EXPECT_EQ(line.Tio.c_oflag & OPOST, none);
        EXPECT_EQ(line.Tio.c_cc[VMIN], 1);
        EXPECT_EQ(line.Tio.c_cc[VSTART], 0x11);
        EXPECT_EQ(line.Tio.c_cc[VSTOP], 0x13);
        EXPECT_EQ(line.Rate, dcb.BaudRate);
        EXPECT_EQ(line.RateNeedsBother, c.Bother);
        EXPECT_EQ(line.Dtr, c.Dtr);
        EXPECT_EQ(line.Rts, c.Rts);
    }
}

TEST(LineSettings, PortNamesMapToDevicePaths) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"COM1", "/dev/ttyS0"},      {"com12", "/dev/ttyS11"}, {"/dev/pts/3", "/dev/pts/3"},
        {"ttyUSB0", "/dev/ttyUSB0"}, {"COM0", "/dev/COM0"},    {"COMx", "/dev/COMx"},
        {"COM", "/dev/COM"},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(DevicePathForPort(name), path) << name;
}

TEST(LineSettings, ErrorFlagsTranslateToComErrors) {
    const std::uint32_t all =
        CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_BREAK | CE_IOE | CE_MODE | CE_RXOVER | CE_TXFULL;
    EXPECT_EQ(ErrorsFromCommFlags(all, true).Bits(), 0xFF);
    EXPECT_EQ(ErrorsFromCommFlags(all, false),
              (TComErrors{ceFrame, ceOverrun, ceBreak, ceIOE, ceMode, ceRxOver, ceTxFull}));
    EXPECT_EQ(ErrorsFromCommFlags(CE_BREAK, true).Bits(), 8) << "ceBreak is bit 3";
    EXPECT_TRUE(ErrorsFromCommFlags(0x0020 | 0x0200, true).Empty()) << "unknown flags";
}

TEST(ComError, MessagesCarryTheOsCodeOnlyWhenThereIsOne) {
    struct Case {
        int Number, Os;
        const char* Message;
    };
    const std::vector<Case> cases = {
        {ecOpenFailed, 2, "Unable to open com port (win error code: 2)"},
        {ecWriteFailed, 5, "WriteFile function failed (win error code: 5)"},
        {ecInvalidAsync, -1, "Invalid Async parameter"},
        {ecConnectedChange, -1, "Cannot set property while connected"},
        {ecLinkRegistration, -1, "Link (un)registration failed"},
        {ecRegistry, -1, "Registry error"},
    };
    for (const auto& c : cases) {
        EComPort e(c.Number, c.Os);
        EXPECT_STREQ(e.what(), c.Message);
        EXPECT_EQ(e.PortErrorNumber(), c.Number);
        EXPECT_EQ(e.WindowsError(), c.Os);
    }
    EXPECT_EQ(EComPort(ecPurgeFailed).WindowsError(), -1);
}

TEST(ComPort, PropertiesStartAtTheirDefaults) {
    TComPort p(nullptr);
    EXPECT_FALSE(p.Connected());
    EXPECT_EQ(p.BaudRate(), br9600);
    EXPECT_EQ(p.OtherBaudRate(), 9600u);
    EXPECT_EQ(p.Port(), "COM1");
    EXPECT_EQ(p.StopBits(), sbOneStopBit);
    EXPECT_EQ(p.DataBits(), dbEight);
    EXPECT_EQ(p.Events(), AllComEvents);
    EXPECT_EQ(p.Events().Bits(), 0x03FF);
    EXPECT_EQ(p.SyncMethod(), smThreadSync);
    EXPECT_EQ(p.Parity().Bits(), prNone);
    EXPECT_FALSE(p.Parity().Check());
    EXPECT_EQ(p.FlowControl().FlowControl(), fcNone);
    EXPECT_EQ(p.FlowControl().XonChar(), 0x11);
    EXPECT_EQ(p.Buffer().OutputSize(), 1024);
    EXPECT_EQ(p.DeviceHandle(), -1);
    EXPECT_EQ(p.EventThread(), nullptr);
}

TEST(ComPort, LinkRegistrationRefusesDuplicatesAndStrangers) {
    TComPort p(nullptr);
    TComLink a, b;
    p.AttachLink(&a);
    try {
        p.AttachLink(&a);
        FAIL() << "attached twice";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.PortErrorNumber(), ecLinkRegistration);
        EXPECT_EQ(e.WindowsError(), -1);
    }
    EXPECT_THROW(p.DetachLink(&b), EComPort);
    p.DetachLink(&a);
    EXPECT_THROW(p.DetachLink(&a), EComPort);
}

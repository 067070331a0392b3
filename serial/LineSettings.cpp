#include "serial/LineSettings.h"

#include "serial/ComSettings.h"

namespace trimora {

std::uint32_t BaudRateValue(TBaudRate Rate, std::uint32_t OtherBaudRate) {
    switch (Rate) {
        case brCustom:
            return OtherBaudRate;
        case br110:
            return 110;
        case br300:
            return 300;
        case br600:
            return 600;
        case br1200:
            return 1200;
        case br2400:
            return 2400;
        case br4800:
            return 4800;
        case br9600:
            return 9600;
        case br14400:
            return 14400;
        case br19200:
            return 19200;
        case br38400:
            return 38400;
        case br56000:
            return 56000;
        case br57600:
            return 57600;
        case br115200:
            return 115200;
        case br128000:
            return 128000;
        case br256000:
            return 256000;
    }
    return OtherBaudRate;
}

TDcb BuildDcb(const TLineValues& Line, const TComParity& Parity, const TComFlowControl& Flow,
              const TComBuffer& Buffer) {
    TDcb dcb;
    dcb.BaudRate = BaudRateValue(Line.BaudRate, Line.OtherBaudRate);
    bool errorChar = Parity.Check() && Parity.Replace();
    std::uint32_t f = DcbBinary;
    if (Parity.Check()) f |= DcbParity;
    if (Flow.OutCTSFlow()) f |= DcbOutxCtsFlow;
    if (Flow.OutDSRFlow()) f |= DcbOutxDsrFlow;
    f |= static_cast<std::uint32_t>(Flow.ControlDTR()) << TDcb::kDtrShift;
    if (Flow.DSRSensitivity()) f |= DcbDsrSensitivity;
    if (Flow.TxContinueOnXoff()) f |= DcbTXContinueOnXoff;
    if (Flow.XonXoffOut()) f |= DcbOutX;
    if (Flow.XonXoffIn()) f |= DcbInX;
    if (errorChar) f |= DcbErrorChar;
    if (Line.DiscardNull) f |= DcbNull;
    f |= static_cast<std::uint32_t>(Flow.ControlRTS()) << TDcb::kRtsShift;
    dcb.Flags = f;
    dcb.XonLim = static_cast<std::uint16_t>(Buffer.InputSize() / 4);
    dcb.XoffLim = dcb.XonLim;
    dcb.ByteSize = static_cast<std::uint8_t>(5 + Line.DataBits);
    dcb.Parity = static_cast<std::uint8_t>(Parity.Bits());
    dcb.StopBits = static_cast<std::uint8_t>(Line.StopBits);
    dcb.XonChar = Flow.XonChar();
    dcb.XoffChar = Flow.XoffChar();
    dcb.ErrorChar = errorChar ? Parity.ReplaceChar() : 0;
    dcb.EvtChar = Line.EventChar;
    return dcb;
}

}  // namespace trimora

#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "runtime/Application.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"
#include "tests/common/Pump.h"

namespace trimora::test {

// The serial line as the dongle protocol configures it, in the protocol's order of writes.
inline void ConfigureLikeProtocol(TComPort& p) {
    p.SetBaudRate(br115200);
    p.Buffer().SetInputSize(1024);
    p.Buffer().SetOutputSize(1024);
    p.SetDataBits(dbEight);
    p.SetDiscardNull(false);
    p.SetEventChar(0);
    p.SetEvents({evRxChar, evRxFlag});
    p.FlowControl().SetControlDTR(dtrDisable);
    p.FlowControl().SetControlRTS(rtsHandshake);
    p.FlowControl().SetDSRSensitivity(false);
    p.FlowControl().SetFlowControl(fcHardware);
    p.FlowControl().SetOutCTSFlow(true);
    p.FlowControl().SetOutDSRFlow(false);
    p.FlowControl().SetTxContinueOnXoff(false);
    p.FlowControl().SetXoffChar(19);
    p.FlowControl().SetXonChar(17);
    p.FlowControl().SetXonXoffIn(false);
    p.FlowControl().SetXonXoffOut(false);
    p.Parity().SetBits(prNone);
    p.Parity().SetCheck(true);
    p.Parity().SetReplace(false);
    p.Parity().SetReplaceChar(0);
    p.SetStopBits(sbOneStopBit);
}

inline void ConfigureLikeProtocol(TComDataPacket& f) {
    f.SetStartString(">");
    f.SetStopString("!");
    f.SetCaseInsensitive(true);
    f.SetIncludeStrings(true);
    f.SetSize(0);
}

// Drops every handler. A port being closed or destroyed still serves the input that has arrived,
// so tests whose handlers refer to the test body's locals call this first.
inline void SilencePort(TComPort& p) {
    p.OnAfterOpen = p.OnAfterClose = p.OnBeforeOpen = p.OnBeforeClose = nullptr;
    p.OnTxEmpty = p.OnBreak = p.OnRing = p.OnRxFlag = p.OnRx80Full = nullptr;
    p.OnRxChar = nullptr;
    p.OnRxBuf = nullptr;
    p.OnCTSChange = p.OnDSRChange = p.OnRLSDChange = nullptr;
    p.OnError = nullptr;
    p.OnDeviceGone = nullptr;
}

inline std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace trimora::test

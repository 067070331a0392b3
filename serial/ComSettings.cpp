#include "serial/ComSettings.h"

#include "serial/ComPort.h"

namespace trimora {

void TComTimeouts::Assign(const TComTimeouts& Source) {
    FReadInterval = Source.FReadInterval;
    FReadTotalMultiplier = Source.FReadTotalMultiplier;
    FReadTotalConstant = Source.FReadTotalConstant;
    FWriteTotalMultiplier = Source.FWriteTotalMultiplier;
    FWriteTotalConstant = Source.FWriteTotalConstant;
}

void TComTimeouts::SetReadInterval(std::int32_t Value) {
    Set(FReadInterval, Value);
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t Value) {
    Set(FReadTotalMultiplier, Value);
}
void TComTimeouts::SetReadTotalConstant(std::int32_t Value) {
    Set(FReadTotalConstant, Value);
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t Value) {
    Set(FWriteTotalMultiplier, Value);
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t Value) {
    Set(FWriteTotalConstant, Value);
}

void TComTimeouts::Apply() {
    if (FComPort != nullptr) FComPort->SetupTimeouts();
}

void TComFlowControl::Assign(const TComFlowControl& Source) {
    FOutCTSFlow = Source.FOutCTSFlow;
    FOutDSRFlow = Source.FOutDSRFlow;
    FControlDTR = Source.FControlDTR;
    FControlRTS = Source.FControlRTS;
    FXonXoffOut = Source.FXonXoffOut;
    FXonXoffIn = Source.FXonXoffIn;
    FDSRSensitivity = Source.FDSRSensitivity;
    FTxContinueOnXoff = Source.FTxContinueOnXoff;
    FXonChar = Source.FXonChar;
    FXoffChar = Source.FXoffChar;
}

TFlowControl TComFlowControl::FlowControl() const {
    bool xonxoff = FXonXoffIn && FXonXoffOut;
    bool noXonXoff = !FXonXoffIn && !FXonXoffOut;
    if (FControlRTS == rtsHandshake && FOutCTSFlow && noXonXoff) return fcHardware;
    if (FControlRTS == rtsDisable && !FOutCTSFlow && xonxoff) return fcSoftware;
    if (FControlRTS == rtsDisable && !FOutCTSFlow && noXonXoff) return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl Value) {
    if (Value != fcCustom) {
        FControlRTS = rtsDisable;
        FOutCTSFlow = false;
        FXonXoffIn = false;
        FXonXoffOut = false;
        if (Value == fcHardware) {
            FControlRTS = rtsHandshake;
            FOutCTSFlow = true;
        } else if (Value == fcSoftware) {
            FXonXoffIn = true;
            FXonXoffOut = true;
        }
    }
    Apply();
}

void TComFlowControl::Apply() {
    if (FComPort != nullptr) FComPort->SetupLine();
}

void TComParity::Assign(const TComParity& Source) {
    FBits = Source.FBits;
    FCheck = Source.FCheck;
    FReplace = Source.FReplace;
    FReplaceChar = Source.FReplaceChar;
}

void TComParity::Apply() {
    if (FComPort != nullptr) FComPort->SetupLine();
}

void TComBuffer::Assign(const TComBuffer& Source) {
    FInputSize = Source.FInputSize;
    FOutputSize = Source.FOutputSize;
}

void TComBuffer::SetSize(std::int32_t& Field, std::int32_t Value) {
    if (Value > 0 && Value % 2 != 0) --Value;
    Set(Field, Value);
}

void TComBuffer::Apply() {
    if (FComPort != nullptr) FComPort->SetupBuffers();
}

}  // namespace trimora

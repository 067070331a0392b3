#pragma once

#include <cstdint>

#include "runtime/TObject.h"
#include "serial/ComTypes.h"

namespace trimora {

// The settings groups of a port. Each belongs to one port (or to none, as a free-standing value
// to copy from): a setter stores a changed value and asks its port to apply the group, which
// acts only while the port is open.
class TComSettingsGroup : public TObject {
  protected:
    explicit TComSettingsGroup(TCustomComPort* AComPort) : FComPort(AComPort) {}

    template <typename T>
    void Set(T& Field, T Value) {
        if (Field == Value) return;
        Field = Value;
        Apply();
    }
    // Has the port apply the group; nothing without a port.
    virtual void Apply() = 0;

    TCustomComPort* FComPort;
};

class TComTimeouts : public TComSettingsGroup {
  public:
    explicit TComTimeouts(TCustomComPort* AComPort = nullptr) : TComSettingsGroup(AComPort) {}
    void Assign(const TComTimeouts& Source);

    std::int32_t ReadInterval() const { return FReadInterval; }
    void SetReadInterval(std::int32_t Value);
    std::int32_t ReadTotalMultiplier() const { return FReadTotalMultiplier; }
    void SetReadTotalMultiplier(std::int32_t Value);
    std::int32_t ReadTotalConstant() const { return FReadTotalConstant; }
    void SetReadTotalConstant(std::int32_t Value);
    std::int32_t WriteTotalMultiplier() const { return FWriteTotalMultiplier; }
    void SetWriteTotalMultiplier(std::int32_t Value);
    std::int32_t WriteTotalConstant() const { return FWriteTotalConstant; }
    void SetWriteTotalConstant(std::int32_t Value);

  private:
    void Apply() override;

    std::int32_t FReadInterval = -1;
    std::int32_t FReadTotalMultiplier = 0;
    std::int32_t FReadTotalConstant = 0;
    std::int32_t FWriteTotalMultiplier = 100;
    std::int32_t FWriteTotalConstant = 1000;
};

class TComFlowControl : public TComSettingsGroup {
  public:
    explicit TComFlowControl(TCustomComPort* AComPort = nullptr) : TComSettingsGroup(AComPort) {}
    void Assign(const TComFlowControl& Source);

    // Derived from the fields below; writing it sets them (fcCustom changes none).
    TFlowControl FlowControl() const;
    void SetFlowControl(TFlowControl Value);

    bool OutCTSFlow() const { return FOutCTSFlow; }
    void SetOutCTSFlow(bool Value) { Set(FOutCTSFlow, Value); }
    bool OutDSRFlow() const { return FOutDSRFlow; }
    void SetOutDSRFlow(bool Value) { Set(FOutDSRFlow, Value); }
    TDTRFlowControl ControlDTR() const { return FControlDTR; }
    void SetControlDTR(TDTRFlowControl Value) { Set(FControlDTR, Value); }
    TRTSFlowControl ControlRTS() const { return FControlRTS; }
    void SetControlRTS(TRTSFlowControl Value) { Set(FControlRTS, Value); }
    bool XonXoffOut() const { return FXonXoffOut; }
    void SetXonXoffOut(bool Value) { Set(FXonXoffOut, Value); }
    bool XonXoffIn() const { return FXonXoffIn; }
    void SetXonXoffIn(bool Value) { Set(FXonXoffIn, Value); }
    bool DSRSensitivity() const { return FDSRSensitivity; }
    void SetDSRSensitivity(bool Value) { Set(FDSRSensitivity, Value); }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool Value) { Set(FTxContinueOnXoff, Value); }
    char XonChar() const { return FXonChar; }
    void SetXonChar(char Value) { Set(FXonChar, Value); }
    char XoffChar() const { return FXoffChar; }
    void SetXoffChar(char Value) { Set(FXoffChar, Value); }

  private:
    void Apply() override;

    bool FOutCTSFlow = false;
    bool FOutDSRFlow = false;
    TDTRFlowControl FControlDTR = dtrDisable;
    TRTSFlowControl FControlRTS = rtsDisable;
    bool FXonXoffOut = false;
    bool FXonXoffIn = false;
    bool FDSRSensitivity = false;
    bool FTxContinueOnXoff = false;
    char FXonChar = 0x11;
    char FXoffChar = 0x13;
};

class TComParity : public TComSettingsGroup {
  public:
    explicit TComParity(TCustomComPort* AComPort = nullptr) : TComSettingsGroup(AComPort) {}
    void Assign(const TComParity& Source);

    TParityBits Bits() const { return FBits; }
    void SetBits(TParityBits Value) { Set(FBits, Value); }
    bool Check() const { return FCheck; }
    void SetCheck(bool Value) { Set(FCheck, Value); }
    bool Replace() const { return FReplace; }
    void SetReplace(bool Value) { Set(FReplace, Value); }
    char ReplaceChar() const { return FReplaceChar; }
    void SetReplaceChar(char Value) { Set(FReplaceChar, Value); }

  private:
    void Apply() override;

    TParityBits FBits = prNone;
    bool FCheck = false;
    bool FReplace = false;
    char FReplaceChar = 0;
};

class TComBuffer : public TComSettingsGroup {
  public:
    explicit TComBuffer(TCustomComPort* AComPort = nullptr) : TComSettingsGroup(AComPort) {}
    void Assign(const TComBuffer& Source);

    // An odd positive size is stored one less.
    std::int32_t InputSize() const { return FInputSize; }
    void SetInputSize(std::int32_t Value) { SetSize(FInputSize, Value); }
    std::int32_t OutputSize() const { return FOutputSize; }
    void SetOutputSize(std::int32_t Value) { SetSize(FOutputSize, Value); }

  private:
    void SetSize(std::int32_t& Field, std::int32_t Value);
    void Apply() override;

    std::int32_t FInputSize = 1024;
    std::int32_t FOutputSize = 1024;
};

}  // namespace trimora

#include "bench/contenders/OursStack.h"

#include "protocol/FrameCodec.h"
#include "serial/DataPacket.h"

namespace trimora::bench {

namespace {

// The settings the protocol gives the port it creates for the dongle, in the same order.
void ApplyDongleSettings(TComPort& Port, const std::string& Name) {
    Port.SetBaudRate(br115200);
    Port.Buffer().SetInputSize(1024);
    Port.Buffer().SetOutputSize(1024);
    Port.SetConnected(false);
    Port.SetDataBits(dbEight);
    Port.SetDiscardNull(false);
    Port.SetEventChar(0);
    Port.SetEvents(TComEvents{evRxChar, evRxFlag});
    Port.FlowControl().SetControlDTR(dtrDisable);
    Port.FlowControl().SetControlRTS(rtsHandshake);
    Port.FlowControl().SetDSRSensitivity(false);
    Port.FlowControl().SetFlowControl(fcHardware);
    Port.FlowControl().SetOutCTSFlow(true);
    Port.FlowControl().SetOutDSRFlow(false);
    Port.FlowControl().SetTxContinueOnXoff(false);
    Port.FlowControl().SetXoffChar(19);
    Port.FlowControl().SetXonChar(17);
    Port.FlowControl().SetXonXoffIn(false);
    Port.FlowControl().SetXonXoffOut(false);
    Port.Parity().SetBits(prNone);
    Port.Parity().SetCheck(true);
    Port.Parity().SetReplace(false);
    Port.Parity().SetReplaceChar(0);
    Port.SetPort(Name);
    Port.SetStopBits(sbOneStopBit);
    Port.SetSyncMethod(smThreadSync);
    Port.Timeouts().SetReadInterval(-1);
    Port.Timeouts().SetReadTotalConstant(0);
    Port.Timeouts().SetReadTotalMultiplier(0);
    Port.Timeouts().SetWriteTotalConstant(1000);
    Port.Timeouts().SetWriteTotalMultiplier(100);
}

// As the protocol sets up its framer when it tries a port.
void ConfigureFramer(TComDataPacket& Packet, TComPort& Port, TVelnWirelessProtocol& Protocol) {
    Packet.SetComPort(&Port);
    Packet.SetStartString(std::string(1, char(HexToInt("3E"))));
    Packet.SetCaseInsensitive(true);
    Packet.SetIncludeStrings(true);
    Packet.SetSize(0);
    Packet.SetStopString(std::string(1, char(HexToInt("21"))));
    Packet.OnPacket = [&Protocol](TObject* Sender, const std::string& Str) {
        Protocol.PacketReceived(Sender, Str);
    };
}

}  // namespace

OursStack::OursStack(const std::string& PortName)
    : FProtocol(std::make_unique<TVelnWirelessProtocol>(nullptr)) {
    FPort = new TComPort(FProtocol.get());
    ApplyDongleSettings(*FPort, PortName);
    FProtocol->SetPort(FPort);
    ConfigureFramer(*FProtocol->Packet(), *FPort, *FProtocol);
    FPort->OnAfterOpen = [this](TObject* Sender) { FProtocol->PortAfterOpen(Sender); };
    FPort->OpenPort();
}

OursStack::~OursStack() {
    FProtocol->DisableResistanceTimer();
    FPort->ClosePort();
}

}  // namespace trimora::bench

// The program's own receive path: a TComPort with the protocol's line settings, its event thread
// handing each wake over to the GUI thread, which runs the headless loop; the framer set up as
// the protocol sets it up; PacketReceived; the decoded values taken in OnMeasuresReceived.
#include <cstdio>
#include <exception>

#include "bench/line/ConsumerRecord.h"
#include "protocol/FrameCodec.h"
#include "protocol/WirelessProtocol.h"
#include "runtime/Application.h"
#include "serial/ComPort.h"
#include "serial/DataPacket.h"

using namespace trimora;

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

// As the protocol configures its framer when it tries a port.
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

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SLAVE RESULT_FILE\n", argv[0]);
        return 2;
    }
    Application& app = Application::Instance();
    bench::ConsumerRecord record;
    try {
        TVelnWirelessProtocol protocol(nullptr);
        protocol.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures& Val, std::uint8_t Id) {
            const TVelnMeasureItem& m = Val.Items[Id];
            if (record.Decoded(Id, m.Speed, m.HR)) app.Terminate();
        };
        TComPort port(&protocol);
        ApplyDongleSettings(port, argv[1]);
        TComDataPacket packet(nullptr);
        ConfigureFramer(packet, port, protocol);
        port.OpenPort();
        bench::SignalReady();
        app.Run();
        packet.SetComPort(nullptr);
        port.ClosePort();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ours: %s\n", e.what());
        return 1;
    }
    record.WriteTo(argv[2]);
    return record.Ended() ? 0 : 1;
}

// Windows lists the serial ports present in the volatile registry key
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: one value per port, named after the driver's device
// (\Device\Serial0, \Device\VCP0), whose data is the port's name (COM3).
#include "serial/PortList.h"

#include "serial/PortNameOrder.h"
#include "serial/win32/RegistryPorts.h"

namespace trimora {

std::string MachinePortList() {
    return "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
}

std::vector<std::string> ListSerialPorts(const std::string& Source, TUiHooks& Ui) {
    std::vector<std::string> ports;
    switch (ReadRegistryPortNames(Source, ports)) {
        case TRegistryRead::rrNoKey:
            Ui.MessageBox("Error Finding Com Port", TMsgDlgType::mtError);
            return {};
        case TRegistryRead::rrUnreadable:
            Ui.MessageBox("Error Reading Win registry!", TMsgDlgType::mtError);
            return {};
        case TRegistryRead::rrDone:
            break;
    }
    SortPortNames(ports);
    return ports;
}

}  // namespace trimora

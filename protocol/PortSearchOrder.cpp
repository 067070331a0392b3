#include "protocol/PortSearchOrder.h"

#include "protocol/WirelessProtocol.h"
#include "serial/ComPort.h"
#include "serial/DeviceNode.h"
#include "serial/PortList.h"

namespace trimora {

bool WorthRemembering(const std::string& Port) {
    return !Port.empty() && !IsPseudoTerminalSlave(Port);
}

TFirstPort ChooseFirstPort(const std::string& Given, const std::string& Remembered,
                           const TDeviceRoots& Roots) {
    if (!Given.empty()) return {Given, TFirstPort::fpGiven};
    // A device that is gone is not waited for: its by-id link went with it. A terminal that an
    // earlier version remembered is not opened.
    if (WorthRemembering(Remembered) && !DescribePort(Remembered, Roots).Device.empty())
        return {Remembered, TFirstPort::fpRemembered};
    return {};
}

std::vector<std::string> PortSearchOrder(const TFirstPort& First,
                                         const std::vector<std::string>& MachinePorts,
                                         const TDeviceRoots& Roots) {
    std::vector<std::string> order;
    auto add = [&](const std::string& Name) {
        for (const std::string& known : order)
            if (SameDevice(known, Name, Roots)) return;
        order.push_back(Name);
    };
    add(First.Source == TFirstPort::fpDefault ? std::string(kDefaultPortName) : First.Name);
    if (First.Source == TFirstPort::fpRemembered) add(kDefaultPortName);
    for (const std::string& name : MachinePorts) add(name);
    return order;
}

void StartSearchAt(TVelnWirelessProtocol& Protocol, const TFirstPort& First) {
    if (First.Source == TFirstPort::fpDefault) return;
    Protocol.SetPortDef(First.Name);
    if (First.Source != TFirstPort::fpRemembered) return;
    Protocol.PortLister = [First] {
        std::vector<std::string> order = PortSearchOrder(First, ListSerialPorts());
        order.erase(order.begin());  // the first attempt has tried it
        return order;
    };
}

}  // namespace trimora

#pragma once

#include <string>
#include <vector>

#include "serial/PortDetails.h"

namespace trimora {

// Where the dongle search starts. A port given by the operator comes first; without one, the
// port where the dongle answered last time, while its device is there; without that, the serial
// port's default name (COM1).
struct TFirstPort {
    enum TSource { fpDefault, fpGiven, fpRemembered };
    std::string Name;  // empty for fpDefault
    TSource Source = fpDefault;
};

// A port worth keeping for the next start: not a pseudo-terminal's slave, whose number goes to
// whatever terminal someone opens next (a link to one, such as the emulator's, may be kept).
bool WorthRemembering(const std::string& Port);

TFirstPort ChooseFirstPort(const std::string& Given, const std::string& Remembered,
                           const TDeviceRoots& Roots = {});

// Every port the search tries, in order, each device once: the first port, COM1 when the first
// was only remembered (the usual start comes next), then the machine's ports.
std::vector<std::string> PortSearchOrder(const TFirstPort& First,
                                         const std::vector<std::string>& MachinePorts,
                                         const TDeviceRoots& Roots = {});

class TVelnWirelessProtocol;

// Sets Protocol up to search from First: a given port becomes PortDef, ahead of the usual order;
// a remembered one too, and the ports after it follow PortSearchOrder, so that its device is
// not probed twice.
void StartSearchAt(TVelnWirelessProtocol& Protocol, const TFirstPort& First);

}  // namespace trimora

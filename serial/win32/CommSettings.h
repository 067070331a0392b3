#pragma once

#include "serial/ComTypes.h"
#include "serial/LineSettings.h"
#include "serial/win32/WindowsApi.h"

namespace trimora {

// The port's events as the comm event mask (EV_* flags) and back; flags of no event are left out.
DWORD CommMaskOf(TComEvents Events);
TComEvents EventsOfCommMask(DWORD Mask);

// The Windows DCB of the line settings: the same fields, one to one.
DCB CommStateOf(const TDcb& Line);

}  // namespace trimora

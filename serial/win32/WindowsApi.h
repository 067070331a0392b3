#pragma once

// <windows.h> defines as macros the Windows names that the port's shared headers declare as
// constants of the same values (MS_CTS_ON, CE_RXOVER, ...): those headers come first, so that
// the macros only stand for them afterwards. Serial files include <windows.h> through here.
// clang-format off
#include "serial/ComErrorFlags.h"
#include "serial/SerialDevice.h"
#include <windows.h>
// clang-format on

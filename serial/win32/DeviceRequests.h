#pragma once

#include "serial/win32/WindowsApi.h"

namespace trimora {

// Errors after which a device cannot be used any more: the adapter was pulled out, or the other
// end of a pipe went away.
bool DeviceGoneError(DWORD Error);

// Waits, bounded, for the driver to end a request on Device, so that its OVERLAPPED block may
// go; the caller keeps the block if the request is still pending after that.
void AwaitRequest(HANDLE Device, OVERLAPPED& Overlapped);

}  // namespace trimora

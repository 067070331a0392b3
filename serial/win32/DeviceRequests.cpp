#include "serial/win32/DeviceRequests.h"

namespace trimora {

namespace {
// A cancelled request ends at once on a working driver; one that hangs is abandoned.
constexpr DWORD kCancelWaitMs = 2000;
}  // namespace

bool DeviceGoneError(DWORD Error) {
    switch (Error) {
        case ERROR_ACCESS_DENIED:  // a USB adapter pulled out while open
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_GEN_FAILURE:
        case ERROR_NOT_READY:
        case ERROR_OPERATION_ABORTED:  // the driver cancelled it (ours are told apart)
        case ERROR_INVALID_HANDLE:
        case ERROR_BROKEN_PIPE:  // the demo's emulator hung up
        case ERROR_PIPE_NOT_CONNECTED:
        case ERROR_NO_DATA:
            return true;
        default:
            return false;
    }
}

void AwaitRequest(HANDLE Device, OVERLAPPED& Overlapped) {
    if (HasOverlappedIoCompleted(&Overlapped)) return;
    CancelIoEx(Device, &Overlapped);
    if (Overlapped.hEvent != nullptr) WaitForSingleObject(Overlapped.hEvent, kCancelWaitMs);
}

}  // namespace trimora

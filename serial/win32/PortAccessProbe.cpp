#include "serial/win32/PortAccessProbe.h"

#include "runtime/OsFile.h"
#include "serial/win32/CommDeviceOpen.h"
#include "serial/win32/PortName.h"

namespace trimora {

TPortAccess ProbePortAccess(const std::string& PortName, std::string& Reason) {
    if (IsPipeName(PortName))
        return PortDeviceTarget(PortName).empty() ? TPortAccess::paMissing : TPortAccess::paAllowed;
    HANDLE device = INVALID_HANDLE_VALUE;
    bool pipe = false;
    const DWORD error = OpenCommDevice(PortName, device, pipe);
    switch (error) {
        case 0:
            CloseHandle(device);
            return TPortAccess::paAllowed;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return TPortAccess::paInUse;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return TPortAccess::paMissing;
        default:
            Reason = OsErrorText(static_cast<int>(error));
            return TPortAccess::paUnreachable;
    }
}

}  // namespace trimora

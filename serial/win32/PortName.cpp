#include "serial/win32/PortName.h"

#include "serial/win32/WindowsApi.h"

namespace trimora {

namespace {
const std::string kDevicePrefix = "\\\\.\\";
const std::string kPipePrefix = "pipe\\";
}  // namespace

std::string BarePortName(const std::string& PortName) {
    return PortName.rfind(kDevicePrefix, 0) == 0 ? PortName.substr(kDevicePrefix.size()) : PortName;
}

bool IsPipeName(const std::string& PortName) {
    return BarePortName(PortName).rfind(kPipePrefix, 0) == 0;
}

std::string PortDeviceTarget(const std::string& PortName) {
    const std::string bare = BarePortName(PortName);
    if (bare.empty()) return {};
    if (IsPipeName(PortName)) {
        // Busy (another client has it) is still there.
        const std::string full = kDevicePrefix + bare;
        if (WaitNamedPipeA(full.c_str(), 1) || GetLastError() == ERROR_SEM_TIMEOUT) return full;
        return {};
    }
    char target[1024];
    const DWORD length = QueryDosDeviceA(bare.c_str(), target, sizeof target);
    if (length == 0) return {};
    return std::string(target);  // the first of its targets
}

}  // namespace trimora

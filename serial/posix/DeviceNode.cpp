#include "serial/DeviceNode.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace trimora {

namespace {

// The kernel's majors of Unix 98 pseudo-terminal slaves.
constexpr unsigned kFirstPtySlaveMajor = 136, kLastPtySlaveMajor = 143;

}  // namespace

std::optional<TPortSighting> SightDeviceNode(const std::string& Path) {
    struct stat st;
    if (Path.empty() || ::stat(Path.c_str(), &st) != 0) return std::nullopt;
    TPortSighting s;
    s.Path = Path;
    s.Identity = {static_cast<std::uint64_t>(st.st_rdev), static_cast<std::uint64_t>(st.st_ino)};
    s.Accessible = ::access(Path.c_str(), R_OK | W_OK) == 0;
    s.PseudoTerminal = IsPseudoTerminalSlave(Path);
    return s;
}

bool IsPseudoTerminalSlave(const std::string& Path) {
    struct stat st;
    if (Path.empty() || ::lstat(Path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned m = major(st.st_rdev);
    return m >= kFirstPtySlaveMajor && m <= kLastPtySlaveMajor;
}

}  // namespace trimora

#include "serial/PortAccessHint.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "serial/posix/PortPath.h"

namespace trimora {

namespace {

// The name of group Gid; empty when the system does not know it.
std::string GroupName(gid_t Gid) {
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 1024);
    for (;;) {
        group entry{};
        group* found = nullptr;
        int e = ::getgrgid_r(Gid, &entry, buffer.data(), buffer.size(), &found);
        if (e == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return e == 0 && found != nullptr && found->gr_name != nullptr ? found->gr_name : "";
    }
}

}  // namespace

bool IsPermissionError(int SystemError) {
    return SystemError == EACCES || SystemError == EPERM;
}

std::string PortAccessHint(const std::string& PortName) {
    const std::string path = DevicePathForPort(PortName);
    return "Trimora: no permission to open " + path + "; " + PortAccessAdvice(path);
}

std::string PortAccessAdvice(const std::string& Path) {
    struct stat st {};
    const bool known = ::stat(Path.c_str(), &st) == 0;
    const std::string group = known ? GroupName(st.st_gid) : "";
    if (group.empty()) return "ask for read and write access to it.";
    // Serial devices usually belong to a group whose members may use them (dialout on
    // Debian); joining root's group, or one the node does not let in, would not help.
    const bool groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (st.st_gid != 0 && groupMayOpen)
        return "members of the group " + group + " may open it (sudo usermod -aG " + group +
               " $USER, then log in again).";
    return "it belongs to the group " + group + "; ask for read and write access to it.";
}

}  // namespace trimora

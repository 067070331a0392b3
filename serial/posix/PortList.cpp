// The kernel lists every tty in <sysfs>/class/tty. Those with a `device` link sit on real
// hardware: USB serial interfaces (ttyUSB*, ttyACM*), on-board UARTs (ttyS*, and names such as
// ttyAMA* or ttymxc* on other boards). Virtual terminals, the console and pseudo-terminals have
// no such link. The serial core registers a fixed number of ttyS* ports whether or not a UART
// answers at their address; their `type` file reads 0 when none does, so an entry whose type is
// 0 is no port, whatever its name. An entry without a `type` file (USB serial) is decided by its
// device link alone.
#include "serial/PortList.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string_view>

#include "serial/PortNameOrder.h"

namespace trimora {

namespace {

enum class TEntryKind { ekPort, ekNoPort, ekUnreadable };

// The `type` file's value, or -1 when it cannot be read as a number.
long ReadUartType(int Fd) {
    char buf[32];
    ssize_t n;
    do {
        n = ::read(Fd, buf, sizeof buf);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return -1;
    std::string_view text(buf, static_cast<std::size_t>(n));
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 9) return -1;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

TEntryKind Classify(const std::string& EntryPath) {
    struct stat st;
    if (::lstat((EntryPath + "/device").c_str(), &st) != 0)
        // Missing: a virtual tty, or a device unplugged while we list.
        return errno == ENOENT || errno == ENOTDIR ? TEntryKind::ekNoPort
                                                   : TEntryKind::ekUnreadable;

    int fd = ::open((EntryPath + "/type").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? TEntryKind::ekPort : TEntryKind::ekUnreadable;
    long type = ReadUartType(fd);
    ::close(fd);
    if (type < 0) return TEntryKind::ekUnreadable;
    return type == 0 ? TEntryKind::ekNoPort : TEntryKind::ekPort;
}

}  // namespace

std::string MachinePortList() {
    return "/sys";
}

std::vector<std::string> ListSerialPorts(const std::string& SysfsRoot, TUiHooks& Ui) {
    const std::string ttyDir = SysfsRoot + "/class/tty";
    DIR* dir = ::opendir(ttyDir.c_str());
    if (dir == nullptr) {
        Ui.MessageBox("Error Finding Com Port", TMsgDlgType::mtError);
        return {};
    }
    std::vector<std::string> ports;
    bool unreadable = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            unreadable = errno != 0;
            break;
        }
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        TEntryKind kind = Classify(ttyDir + "/" + name);
        if (kind == TEntryKind::ekUnreadable) {
            unreadable = true;
            break;
        }
        if (kind == TEntryKind::ekPort) ports.push_back("/dev/" + name);
    }
    ::closedir(dir);
    if (unreadable) {
        Ui.MessageBox("Error Reading Win registry!", TMsgDlgType::mtError);
        return {};
    }
    SortPortNames(ports);
    return ports;
}

}  // namespace trimora

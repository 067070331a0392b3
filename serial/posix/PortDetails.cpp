// A tty's sysfs entry (<sysfs>/class/tty/<name>) links to the tty's own folder; its `device`
// link leads to the device behind it: the usb-serial port (ttyUSB*), the USB interface
// (ttyACM*) or the UART's platform or PNP device (ttyS*). That device's `driver` link names the
// driver. USB descriptors (idVendor, idProduct, manufacturer, product, serial) sit in the USB
// device's folder, one or two levels above the interface.
#include "serial/PortDetails.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/PortAccessHint.h"
#include "serial/posix/PortPath.h"

namespace trimora {

namespace fs = std::filesystem;

namespace {

// The port's device path with /dev replaced by the device root.
std::string UnderDevRoot(const std::string& PortName, const TDeviceRoots& Roots) {
    const std::string path = DevicePathForPort(PortName);
    if (Roots.Dev != "/dev" && path.rfind("/dev/", 0) == 0) return Roots.Dev + path.substr(4);
    return path;
}

// Path with every link followed; empty when it leads nowhere.
std::string Resolved(const fs::path& Path) {
    std::error_code ec;
    fs::path real = fs::canonical(Path, ec);
    return ec ? std::string() : real.string();
}

// A sysfs attribute's text without its line end; empty when unreadable.
std::string Attribute(const fs::path& Folder, const char* Name) {
    std::ifstream in(Folder / Name);
    std::string text;
    std::getline(in, text);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Links in Folder that lead to Device, sorted.
std::vector<std::string> LinksTo(const fs::path& Folder, const std::string& Device) {
    std::vector<std::string> links;
    std::error_code ec;
    for (fs::directory_iterator it(Folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (Resolved(it->path()) == Device) links.push_back(it->path().string());
    }
    std::sort(links.begin(), links.end());
    return links;
}

void ReadSysfs(const std::string& KernelName, const TDeviceRoots& Roots, TPortDetails& Details) {
    const fs::path sysfs = Roots.Sysfs;
    const std::string deviceFolder = Resolved(sysfs / "class" / "tty" / KernelName / "device");
    if (deviceFolder.empty()) return;
    const std::string driver = Resolved(fs::path(deviceFolder) / "driver");
    if (!driver.empty()) Details.Driver = fs::path(driver).filename().string();

    // The nearest folder upwards that carries USB descriptors, within sysfs's devices.
    const std::string devicesRoot = Resolved(sysfs / "devices");
    for (fs::path folder = deviceFolder;
         !devicesRoot.empty() && folder.string().size() > devicesRoot.size() &&
         folder.string().rfind(devicesRoot, 0) == 0;
         folder = folder.parent_path()) {
        const std::string vendor = Attribute(folder, "idVendor");
        if (vendor.empty()) continue;
        Details.Usb = true;
        Details.VendorId = vendor;
        Details.ProductId = Attribute(folder, "idProduct");
        Details.Manufacturer = Attribute(folder, "manufacturer");
        Details.Product = Attribute(folder, "product");
        Details.SerialNumber = Attribute(folder, "serial");
        return;
    }
}

// A character device that the kernel does not file under another class than tty (/dev/zero is
// "mem"). Pseudo-terminal slaves have no entry there: they count.
bool MayBeSerial(const struct stat& Node, const TDeviceRoots& Roots) {
    if (!S_ISCHR(Node.st_mode)) return false;
    const std::string number =
        std::to_string(major(Node.st_rdev)) + ":" + std::to_string(minor(Node.st_rdev));
    const std::string subsystem =
        Resolved(fs::path(Roots.Sysfs) / "dev" / "char" / number / "subsystem");
    return subsystem.empty() || fs::path(subsystem).filename() == "tty";
}

// Looks at the node without opening it: an open raises the modem lines of a real port.
TPortAccess AccessOf(const std::string& Path, const TDeviceRoots& Roots, std::string& Reason) {
    struct stat node {};
    if (::stat(Path.c_str(), &node) == 0) {
        if (!MayBeSerial(node, Roots)) return TPortAccess::paNotSerial;
        if (::faccessat(AT_FDCWD, Path.c_str(), R_OK | W_OK, AT_EACCESS) == 0)
            return TPortAccess::paAllowed;
    }
    if (errno == ENOENT || errno == ENOTDIR) return TPortAccess::paMissing;
    if (IsPermissionError(errno)) return TPortAccess::paDenied;
    Reason = std::strerror(errno);
    return TPortAccess::paUnreachable;
}

}  // namespace

TPortDetails DescribePort(const std::string& PortName, const TDeviceRoots& Roots) {
    TPortDetails details;
    details.Path = UnderDevRoot(PortName, Roots);
    details.Device = PortDevice(PortName, Roots);
    details.Access = AccessOf(details.Path, Roots, details.Reason);
    if (details.Access == TPortAccess::paDenied) details.Advice = PortAccessAdvice(details.Path);
    if (details.Device.empty()) return details;

    const fs::path serialLinks = fs::path(Roots.Dev) / "serial";
    details.ById = LinksTo(serialLinks / "by-id", details.Device);
    details.ByPath = LinksTo(serialLinks / "by-path", details.Device);
    ReadSysfs(fs::path(details.Device).filename().string(), Roots, details);
    return details;
}

std::string PortDevice(const std::string& PortName, const TDeviceRoots& Roots) {
    return Resolved(UnderDevRoot(PortName, Roots));
}

std::string StablePortName(const std::string& PortName, const TDeviceRoots& Roots) {
    const std::string device = PortDevice(PortName, Roots);
    if (device.empty()) return PortName;
    const std::vector<std::string> links =
        LinksTo(fs::path(Roots.Dev) / "serial" / "by-id", device);
    return links.empty() ? PortName : links.front();
}

bool SameDevice(const std::string& A, const std::string& B, const TDeviceRoots& Roots) {
    const std::string pathA = UnderDevRoot(A, Roots), pathB = UnderDevRoot(B, Roots);
    const std::string deviceA = Resolved(pathA), deviceB = Resolved(pathB);
    if (deviceA.empty() || deviceB.empty()) return pathA == pathB;
    return deviceA == deviceB;
}

}  // namespace trimora

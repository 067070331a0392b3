#pragma once

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "serial/PortDetails.h"
#include "tests/common/ScratchFolder.h"

namespace trimora::test {

// A sysfs tree and a /dev folder laid out as the kernel and udev lay them out for USB serial
// adapters, USB modems (CDC ACM) and on-board UARTs. Readable by everyone, so that a test may
// look at it as another user.
class FakeDeviceTree {
  public:
    struct UsbIdentity {
        std::string Vendor, Product, Manufacturer, ProductName, Serial;
    };

    FakeDeviceTree() {
        ::chmod(FRoot.c_str(), 0755);
        Dirs(Sysfs() / "class" / "tty");
        Dirs(Dev());
    }

    std::filesystem::path Sysfs() const { return FRoot / "sys"; }
    std::filesystem::path Dev() const { return FRoot / "dev"; }
    TDeviceRoots Roots() const { return {Sysfs().string(), Dev().string()}; }
    std::string DevPath(const std::string& Name) const { return (Dev() / Name).string(); }

    // A USB serial adapter on USB port BusPort (1-2). Its tty hangs below a usb-serial port
    // device (ttyUSB*) or, for CDC ACM, directly below the interface (ttyACM*).
    void UsbPort(const std::string& Name, const std::string& BusPort, const std::string& Driver,
                 const UsbIdentity& Id) {
        const auto usbDevice = Sysfs() / "devices" / "pci0000:00" / "usb1" / BusPort;
        Dirs(usbDevice);
        Write(usbDevice / "idVendor", Id.Vendor);
        Write(usbDevice / "idProduct", Id.Product);
        if (!Id.Manufacturer.empty()) Write(usbDevice / "manufacturer", Id.Manufacturer);
        if (!Id.ProductName.empty()) Write(usbDevice / "product", Id.ProductName);
        if (!Id.Serial.empty()) Write(usbDevice / "serial", Id.Serial);
        auto device = usbDevice / (BusPort + ":1.0");
        if (Name.rfind("ttyUSB", 0) == 0) device /= Name;
        Dirs(device);
        AddDriver(device, Name.rfind("ttyUSB", 0) == 0 ? "usb-serial" : "usb", Driver);
        Tty(device, Name);
    }
    // An on-board UART (type 4: a 16550A answers).
    void Uart(const std::string& Name, const std::string& Pnp, const std::string& Driver) {
        const auto device = Sysfs() / "devices" / "pnp0" / Pnp;
        Dirs(device);
        AddDriver(device, "pnp", Driver);
        Write(Tty(device, Name) / "type", "4");
    }
    // The device node, with its mode: a character device where this process may make one
    // (root), else a plain file, which is no serial device (see OpenNodeAccess).
    void Node(const std::string& Name, mode_t Mode = 0660) {
        std::filesystem::remove(Dev() / Name);
        if (::mknod(DevPath(Name).c_str(), S_IFCHR | 0600, ::makedev(188, FNextMinor++)) != 0) {
            FNodesAreDevices = false;
            Write(Dev() / Name, "");
        }
        ::chmod(DevPath(Name).c_str(), Mode);
    }
    bool NodesAreDevices() const { return FNodesAreDevices; }
    // What DescribePort says of a node of Node() that this user may open.
    TPortAccess OpenNodeAccess() const {
        return FNodesAreDevices ? TPortAccess::paAllowed : TPortAccess::paNotSerial;
    }
    // A udev link in /dev/serial/<Kind> (by-id or by-path) to the node Name.
    std::string SerialLink(const std::string& Kind, const std::string& LinkName,
                           const std::string& Name) {
        Dirs(Dev() / "serial" / Kind);
        const auto link = Dev() / "serial" / Kind / LinkName;
        std::filesystem::create_symlink("../../" + Name, link);
        return link.string();
    }

  private:
    void Dirs(const std::filesystem::path& P) const {
        std::filesystem::create_directories(P);
        for (auto p = P; p != FRoot && p.has_relative_path(); p = p.parent_path())
            ::chmod(p.c_str(), 0755);
    }
    static void Write(const std::filesystem::path& P, const std::string& Text) {
        std::ofstream(P) << Text << (Text.empty() ? "" : "\n");
    }
    void AddDriver(const std::filesystem::path& Device, const std::string& Bus,
                   const std::string& Name) {
        const auto driver = Sysfs() / "bus" / Bus / "drivers" / Name;
        Dirs(driver);
        std::filesystem::create_directory_symlink(driver, Device / "driver");
    }
    // The tty's folder below Device, its `device` link and its class entry.
    std::filesystem::path Tty(const std::filesystem::path& Device, const std::string& Name) {
        const auto tty = Device / "tty" / Name;
        Dirs(tty);
        std::filesystem::create_directory_symlink("../../", tty / "device");
        std::filesystem::create_directory_symlink(tty, Sysfs() / "class" / "tty" / Name);
        return tty;
    }

    ScratchFolder FFolder{"trimora-devices"};
    const std::filesystem::path FRoot = FFolder.Path();
    unsigned FNextMinor = 0;
    bool FNodesAreDevices = true;
};

}  // namespace trimora::test

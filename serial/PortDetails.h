#pragma once

#include <string>
#include <vector>

namespace trimora {

// Where ports are looked up: the kernel's sysfs and the device folder. Tests point both at trees
// of their own.
struct TDeviceRoots {
    std::string Sysfs = "/sys";
    std::string Dev = "/dev";
};

// paNotSerial: something is there, but not a device a serial port can be (a file, a FIFO,
// /dev/zero). paUnreachable: the name cannot be followed (a loop of links, too long a name).
// paInUse: another program has the port open (Windows, whose ports open only once).
enum class TPortAccess { paMissing, paAllowed, paDenied, paNotSerial, paUnreachable, paInUse };

// What the machine says about one serial port: enough for a user to tell ports apart and to
// see why one cannot be opened.
struct TPortDetails {
    std::string Path{};    // the device path the port opens, under the device root
    std::string Device{};  // the device node it leads to, links followed; empty when there is none
    std::vector<std::string> ById{}, ByPath{};  // the stable links to it in serial/by-id, by-path
    std::string Driver{};                       // the kernel driver (ftdi_sio, cdc_acm, serial8250)
    bool Usb = false;
    // USB devices only.
    std::string VendorId{}, ProductId{}, Manufacturer{}, Product{}, SerialNumber{};
    TPortAccess Access = TPortAccess::paMissing;
    std::string Advice{};  // when denied: who may open it and how to become one of them
    std::string Reason{};  // when unreachable: the system's words for why
    // What Windows' Plug and Play calls the device ("USB Serial Port (COM3)") and its first
    // hardware id ("USB\VID_0403&PID_6001&REV_0600").
    std::string Description{}, HardwareId{};
};

// PortName as the serial port takes it (COM1, ttyUSB0, /dev/ttyUSB0, a by-id link).
TPortDetails DescribePort(const std::string& PortName, const TDeviceRoots& Roots = {});

// The device node PortName leads to, as DescribePort's Device, found without opening the port
// (an open raises a real port's modem lines, and on Windows fails while another program holds
// it); empty when there is none.
std::string PortDevice(const std::string& PortName, const TDeviceRoots& Roots = {});

// The link that names PortName's device across replugs (its first /dev/serial/by-id link), or
// PortName itself when it has none.
std::string StablePortName(const std::string& PortName, const TDeviceRoots& Roots = {});

// Whether two port names lead to the same device node (COM1 and /dev/ttyS0; a by-id link and
// the node it points at). Names that lead nowhere are the same only when their paths are.
bool SameDevice(const std::string& A, const std::string& B, const TDeviceRoots& Roots = {});

}  // namespace trimora

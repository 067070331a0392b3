#include "app/logic/PortListing.h"

namespace trimora {

namespace {

// A USB device names itself: its strings reach the terminal with their control characters
// (C0, DEL, C1 as UTF-8) shown as '?', so that none can move the cursor or retitle the window.
std::string Printable(const std::string& Text) {
    std::string out;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const auto c = static_cast<unsigned char>(Text[i]);
        const bool c1 = c == 0xC2 && i + 1 < Text.size() &&
                        static_cast<unsigned char>(Text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(Text[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            out += '?';
            i += c1 ? 1 : 0;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void Field(std::string& Out, const char* Name, const std::string& Value) {
    if (Value.empty()) return;
    Out += "  ";
    Out += Name;
    Out.append(14 - std::string(Name).size(), ' ');
    Out += Printable(Value);
    Out += '\n';
}

std::string AccessText(const TPortDetails& D) {
    switch (D.Access) {
        case TPortAccess::paAllowed:
            return "this user may open it";
        case TPortAccess::paDenied:
            return "this user may not open it: " + D.Advice;
        case TPortAccess::paNotSerial:
            return "not a serial device";
        case TPortAccess::paUnreachable:
            return "cannot reach it: " + D.Reason;
        case TPortAccess::paInUse:
            return "in use by another program";
        case TPortAccess::paMissing:
            break;
    }
    return "no such device";
}

std::string Block(const std::string& Port, const TPortDetails& D, const std::string& Why) {
    // The name may be a remembered by-id link, which a device named after its own strings.
    std::string out = Printable(D.Path);
    if (Port != D.Path && Port.find('/') == std::string::npos) out += " (" + Printable(Port) + ")";
    if (!Why.empty()) out += "  [" + Why + "]";
    out += '\n';
    if (!D.Device.empty() && D.Device != D.Path) Field(out, "device:", D.Device);
    Field(out, "description:", D.Description);
    Field(out, "hardware id:", D.HardwareId);
    for (const std::string& link : D.ById) Field(out, "by-id:", link);
    for (const std::string& link : D.ByPath) Field(out, "by-path:", link);
    Field(out, "driver:", D.Driver);
    if (D.Usb) {
        Field(out, "USB id:", D.VendorId + ":" + D.ProductId);
        Field(out, "manufacturer:", D.Manufacturer);
        Field(out, "product:", D.Product);
        Field(out, "serial:", D.SerialNumber);
    }
    Field(out, "access:", AccessText(D));
    return out;
}

}  // namespace

std::string PortListingText(const TFirstPort& First, const std::vector<std::string>& Ports,
                            const TDeviceRoots& Roots) {
    std::string out;
    for (std::size_t i = 0; i < Ports.size(); ++i) {
        std::string why;
        if (i == 0 && First.Source == TFirstPort::fpGiven) why = "given with --port";
        if (i == 0 && First.Source == TFirstPort::fpRemembered)
            why = "remembered: the dongle answered here last time";
        if (i > 0) out += '\n';
        out += Block(Ports[i], DescribePort(Ports[i], Roots), why);
    }
    return out;
}

}  // namespace trimora

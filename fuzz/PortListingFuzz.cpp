// What --list-ports prints when a USB device names itself with any strings, and udev names its
// by-id link after them, for a port given by any name: the listing shows every one, and no
// byte of it can move the terminal's cursor or retitle its window.
//
// Input, zero-separated: vendor id, product id, manufacturer, product, serial, by-id link name,
// the port given with --port.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/logic/PortListing.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzWords.h"
#include "serial/PortList.h"
#include "tests/serial/FakeDeviceTree.h"

namespace {

using namespace trimora;
namespace fs = std::filesystem;

struct Bench {
    test::FakeDeviceTree Tree;
    fs::path UsbDevice;
    Bench() {
        Tree.UsbPort("ttyUSB0", "1-2", "ftdi_sio", {"0403", "6001", "FTDI", "FT232R", "A1"});
        Tree.Node("ttyUSB0");
        UsbDevice = Tree.Sysfs() / "devices" / "pci0000:00" / "usb1" / "1-2";
        fs::create_directories(Tree.Dev() / "serial" / "by-id");
    }
};

Bench& TheBench() {
    static Bench bench;
    return bench;
}

void Attribute(const fs::path& File, const std::string& Text) {
    std::ofstream(File, std::ios::binary | std::ios::trunc) << Text << '\n';
}

bool Printable(const std::string& Listing) {
    for (std::size_t i = 0; i < Listing.size(); ++i) {
        const auto c = static_cast<unsigned char>(Listing[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) return false;
        if (c == 0xC2 && i + 1 < Listing.size() &&
            static_cast<unsigned char>(Listing[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(Listing[i + 1]) <= 0x9F)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    Bench& bench = TheBench();
    std::vector<std::string> fields = ZeroSeparatedWords(Data, Size);
    fields.resize(7);
    const char* names[] = {"idVendor", "idProduct", "manufacturer", "product", "serial"};
    for (int i = 0; i < 5; ++i) Attribute(bench.UsbDevice / names[i], fields[i]);

    // udev's link name is one path component of the device's own choosing.
    const fs::path byId = bench.Tree.Dev() / "serial" / "by-id";
    std::error_code ec;
    for (const auto& old : fs::directory_iterator(byId)) fs::remove(old.path(), ec);
    std::string linkName = fields[5];
    std::replace(linkName.begin(), linkName.end(), '/', '_');
    if (!linkName.empty() && linkName != "." && linkName != "..")
        fs::create_symlink("../../ttyUSB0", byId / linkName, ec);

    const TDeviceRoots roots = bench.Tree.Roots();
    const std::vector<std::string> machine = ListSerialPorts(roots.Sysfs);
    FUZZ_CHECK(machine.size() == 1);
    const TFirstPort first = ChooseFirstPort(fields[6], "", roots);
    const std::vector<std::string> order = PortSearchOrder(first, machine, roots);
    const std::string listing = PortListingText(first, order, roots);
    FUZZ_CHECK(Printable(listing));
    // A vendor id of one plain word is a USB device, and shown as one.
    const std::string& vendor = fields[0];
    if (!vendor.empty() && vendor.find_first_of("\r\n ") == std::string::npos)
        FUZZ_CHECK(listing.find("USB id:") != std::string::npos);
    return 0;
}

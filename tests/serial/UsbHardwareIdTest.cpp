#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "serial/UsbHardwareId.h"

using namespace trimora;

TEST(UsbHardwareId, ReadsVendorAndProductOfUsbIdsOnly) {
    struct Case {
        std::string Id;
        std::optional<TUsbIds> Ids;
    };
    const Case cases[] = {
        {"USB\\VID_0403&PID_6001&REV_0600", TUsbIds{"0403", "6001"}},
        {"USB\\VID_2341&PID_0043&REV_0001&MI_00", TUsbIds{"2341", "0043"}},
        {"usb\\vid_10c4&pid_ea60", TUsbIds{"10c4", "ea60"}},
        {"USB\\VID_10C4&PID_EA60", TUsbIds{"10c4", "ea60"}},
        // FTDI's own bus: the port's hardware id, and its instance id with '+' between.
        {"FTDIBUS\\COMPORT&VID_0403&PID_6015", TUsbIds{"0403", "6015"}},
        {"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", TUsbIds{"0403", "6001"}},
        // Not USB, or not in the form of four hex digits each.
        {"ACPI\\PNP0501", std::nullopt},
        {"", std::nullopt},
        {"USB\\VID_0403", std::nullopt},
        {"USB\\PID_6001&VID_0403", std::nullopt},
        {"USB\\VID_403&PID_6001", std::nullopt},
        {"USB\\VID_04030&PID_6001", std::nullopt},
        {"USB\\VID_04G3&PID_6001", std::nullopt},
        {"USB\\VID_0403&PID_600", std::nullopt},
        {"USB\\XVID_0403&XPID_6001", std::nullopt},
        // Bluetooth's form names a vendor too, but not of a USB device.
        {"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_VID&0001005d_PID&0223", std::nullopt},
        // The first well-formed vendor, and a product after it.
        {"USB\\VID_12&VID_0403&PID_6001", TUsbIds{"0403", "6001"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsbIdsOfHardwareId(c.Id), c.Ids) << c.Id;
    }
}

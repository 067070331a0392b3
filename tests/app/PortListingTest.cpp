#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/logic/PortListing.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/common/ScratchFolder.h"
#include "tests/serial/FakeDeviceTree.h"

using namespace trimora;
using trimora::test::FakeDeviceTree;

// A remembered FTDI adapter, COM1 that this user may not open, a CDC ACM device, and the
// adapter's node again in the machine's list (shown once).
TEST(PortListing, OneBlockPerPortInSearchOrder) {
    FakeDeviceTree t;
    t.UsbPort("ttyUSB0", "1-2", "ftdi_sio", {"0403", "6001", "FTDI", "FT232R USB UART", "A5"});
    t.Node("ttyUSB0");
    const std::string byId =
        t.SerialLink("by-id", "usb-FTDI_FT232R_USB_UART_A5-if00-port0", "ttyUSB0");
    const std::string byPath =
        t.SerialLink("by-path", "pci-0000:00:14.0-usb-0:2:1.0-port0", "ttyUSB0");
    t.UsbPort("ttyACM0", "1-3", "cdc_acm", {"2341", "0043", "Arduino (www.arduino.cc)", "", "7"});
    t.Node("ttyACM0");
    t.Uart("ttyS0", "00:04", "serial");

    const TFirstPort first{byId, TFirstPort::fpRemembered};
    const std::string text = PortListingText(
        first, PortSearchOrder(first, {"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}, t.Roots()),
        t.Roots());

    const std::string open = t.NodesAreDevices() ? "this user may open it" : "not a serial device";
    EXPECT_EQ(text, byId +
                        "  [remembered: the dongle answered here last time]\n"
                        "  device:       " +
                        t.DevPath("ttyUSB0") +
                        "\n"
                        "  by-id:        " +
                        byId +
                        "\n"
                        "  by-path:      " +
                        byPath +
                        "\n"
                        "  driver:       ftdi_sio\n"
                        "  USB id:       0403:6001\n"
                        "  manufacturer: FTDI\n"
                        "  product:      FT232R USB UART\n"
                        "  serial:       A5\n"
                        "  access:       " +
                        open +
                        "\n"
                        "\n" +
                        t.DevPath("ttyS0") +
                        " (COM1)\n"
                        "  access:       no such device\n"
                        "\n" +
                        t.DevPath("ttyACM0") +
                        "\n"
                        "  driver:       cdc_acm\n"
                        "  USB id:       2341:0043\n"
                        "  manufacturer: Arduino (www.arduino.cc)\n"
                        "  serial:       7\n"
                        "  access:       " +
                        open + "\n");
}

TEST(PortListing, APortGivenOnTheCommandLineIsSaidToBe) {
    FakeDeviceTree t;
    const TFirstPort first{"ttyUSB4", TFirstPort::fpGiven};
    EXPECT_EQ(PortListingText(first, {"ttyUSB4"}, t.Roots()),
              t.DevPath("ttyUSB4") +
                  " (ttyUSB4)  [given with --port]\n"
                  "  access:       no such device\n");
}

// Descriptor strings come from the device: a terminal escape in one (here a title change, a
// cursor move and a C1 control) is shown, not obeyed.
TEST(PortListing, ADevicesOwnStringsCannotSteerTheTerminal) {
    FakeDeviceTree t;
    t.UsbPort("ttyUSB0", "1-2", "ftdi_sio",
              {"0403", "6001", "Evil\x1b]0;owned\x07 Corp", "Dongle\x1b[2J",
               "A\xC2\x9B"
               "5\x7F"});
    t.Node("ttyUSB0");
    const std::string text =
        PortListingText({"ttyUSB0", TFirstPort::fpGiven}, {"ttyUSB0"}, t.Roots());
    EXPECT_NE(text.find("  manufacturer: Evil?]0;owned? Corp\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  product:      Dongle?[2J\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  serial:       A?5?\n"), std::string::npos) << text;
}

// The remembered port is the device's by-id link, whose name came from those strings.
TEST(PortListing, ARememberedPortsNameCannotSteerTheTerminal) {
    FakeDeviceTree t;
    const std::string link = "/dev/serial/by-id/usb-Evil\x1b]0;owned\x07-if00";
    EXPECT_EQ(PortListingText({link, TFirstPort::fpRemembered}, {link}, t.Roots()),
              t.DevPath("serial/by-id/usb-Evil?]0;owned?-if00") +
                  "  [remembered: the dongle answered here last time]\n"
                  "  access:       no such device\n");
}

// A name given with --port that leads to no serial device: neither called openable nor answered
// with advice about permissions that would not help.
TEST(PortListing, WhatIsNoSerialDeviceIsSaidToBeNone) {
    test::ScratchFolder dir;
    test::PseudoTerminal pty;
    const std::string fifo = dir.Path() + "/fifo", file = dir.Path() + "/file",
                      loop = dir.Path() + "/loop";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(file) << "x";
    ASSERT_EQ(::symlink((loop + "2").c_str(), loop.c_str()), 0);
    ASSERT_EQ(::symlink(loop.c_str(), (loop + "2").c_str()), 0);
    struct Case {
        std::string Port, Access;
    };
    const std::vector<Case> cases = {
        {fifo, "not a serial device"},
        {file, "not a serial device"},
        {"/dev/zero", "not a serial device"},
        {loop, "cannot reach it: Too many levels of symbolic links"},
        {dir.Path() + "/" + std::string(300, 'x'), "cannot reach it: File name too long"},
        {pty.SlavePath(), "this user may open it"},
    };
    for (const Case& c : cases) {
        const std::string text = PortListingText({c.Port, TFirstPort::fpGiven}, {c.Port});
        EXPECT_NE(text.find("\n  access:       " + c.Access + "\n"), std::string::npos) << text;
    }
}

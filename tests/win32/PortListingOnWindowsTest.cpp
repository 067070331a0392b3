// --list-ports on Windows: a device's own texts reach the terminal bounded and without control
// characters, with the USB ids read from its hardware id.
#include <gtest/gtest.h>

#include <string>

#include "app/logic/PortListing.h"
#include "tests/serial/win32/PortsClassDevice.h"

using namespace trimora;

TEST(PortListingOnWindows, ShowsWhatPlugAndPlaySaysOfAPortThatIsGone) {
    // The device record stays while its port is gone (COM42 is mapped to nothing).
    const std::wstring tail(300, L'x');
    test::PortsClassDevice device({L"COM42", L"Evil\x1b]0;owned\x07 Port (COM42)" + tail,
                                   L"USB\\VID_0403&PID_6001&REV_0600", L"FTDI\r\n", L"FTDIBUS"});
    ASSERT_TRUE(device.Made()) << device.Error();

    const std::string text = PortListingText({"COM42", TFirstPort::fpGiven}, {"COM42"});

    const std::string name = "Evil?]0;owned? Port (COM42)";
    EXPECT_EQ(text,
              "COM42  [given with --port]\n"
              "  description:  " +
                  name + std::string(128 - name.size(), 'x') +
                  "\n"
                  "  hardware id:  USB\\VID_0403&PID_6001&REV_0600\n"
                  "  driver:       FTDIBUS\n"
                  "  USB id:       0403:6001\n"
                  "  manufacturer: FTDI??\n"
                  "  access:       no such device\n");
}

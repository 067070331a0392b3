#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "serial/PortDetails.h"
#include "tests/serial/FakeDeviceTree.h"

using namespace trimora;
using trimora::test::FakeDeviceTree;

namespace {

const std::string kFtdiById = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kFtdiByPath = "pci-0000:00:14.0-usb-0:2:1.0-port0";

// An FTDI adapter with both udev links, an Arduino-like CDC ACM device without them, a UART.
class PortDetailsTest : public ::testing::Test {
  protected:
    PortDetailsTest() {
        T.UsbPort("ttyUSB0", "1-2", "ftdi_sio",
                  {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"});
        T.Node("ttyUSB0");
        ById = T.SerialLink("by-id", kFtdiById, "ttyUSB0");
        ByPath = T.SerialLink("by-path", kFtdiByPath, "ttyUSB0");
        T.UsbPort("ttyACM0", "1-3", "cdc_acm", {"2341", "0043", "", "", ""});
        T.Node("ttyACM0");
        T.Uart("ttyS0", "00:04", "serial");
        T.Node("ttyS0");
        T.Uart("ttyS1", "00:05", "serial");  // no node
    }
    // The FTDI adapter as DescribePort sees it through Path: its node or one of its links.
    TPortDetails Ftdi(const std::string& Path) const {
        return {.Path = Path,
                .Device = T.DevPath("ttyUSB0"),
                .ById = {ById},
                .ByPath = {ByPath},
                .Driver = "ftdi_sio",
                .Usb = true,
                .VendorId = "0403",
                .ProductId = "6001",
                .Manufacturer = "FTDI",
                .Product = "FT232R USB UART",
                .SerialNumber = "A50285BI",
                .Access = T.OpenNodeAccess(),
                .Advice = ""};
    }
    FakeDeviceTree T;
    std::string ById, ByPath;
};

}  // namespace

TEST_F(PortDetailsTest, ReadsLinksDriverAndUsbDescriptors) {
    struct Case {
        std::string Port;
        TPortDetails Want;
    };
    const std::vector<Case> cases = {
        {"/dev/ttyUSB0", Ftdi(T.DevPath("ttyUSB0"))},
        // Through its stable link: the same device, the link kept as the path.
        {"/dev/serial/by-id/" + kFtdiById, Ftdi(ById)},
        // No descriptors strings and no udev links: what there is.
        {"ttyACM0",
         {T.DevPath("ttyACM0"),
          T.DevPath("ttyACM0"),
          {},
          {},
          "cdc_acm",
          true,
          "2341",
          "0043",
          "",
          "",
          "",
          T.OpenNodeAccess(),
          ""}},
        {"COM1",
         {T.DevPath("ttyS0"),
          T.DevPath("ttyS0"),
          {},
          {},
          "serial",
          false,
          "",
          "",
          "",
          "",
          "",
          T.OpenNodeAccess(),
          ""}},
        // In sysfs but without a node, as on a machine where udev has not run.
        {"COM2",
         {T.DevPath("ttyS1"),
          "",
          {},
          {},
          "",
          false,
          "",
          "",
          "",
          "",
          "",
          TPortAccess::paMissing,
          ""}},
    };
    for (const Case& c : cases) {
        const TPortDetails got = DescribePort(c.Port, T.Roots());
        const TPortDetails& w = c.Want;
        SCOPED_TRACE(c.Port);
        EXPECT_EQ(got.Path, w.Path);
        EXPECT_EQ(got.Device, w.Device);
        EXPECT_EQ(got.ById, w.ById);
        EXPECT_EQ(got.ByPath, w.ByPath);
        EXPECT_EQ(got.Driver, w.Driver);
        EXPECT_EQ(got.Usb, w.Usb);
        EXPECT_EQ(got.VendorId, w.VendorId);
        EXPECT_EQ(got.ProductId, w.ProductId);
        EXPECT_EQ(got.Manufacturer, w.Manufacturer);
        EXPECT_EQ(got.Product, w.Product);
        EXPECT_EQ(got.SerialNumber, w.SerialNumber);
        EXPECT_EQ(got.Access, w.Access);
        EXPECT_EQ(got.Advice, w.Advice);
    }
}

// The user's own rights decide; as root, the check runs in a child that gave them up.
TEST_F(PortDetailsTest, ANodeThisUserMayNotOpenComesWithAdvice) {
    if (!T.NodesAreDevices()) GTEST_SKIP() << "only root makes device nodes";
    T.Node("ttyUSB0", 0600);
    auto check = [&] {
        const TPortDetails d = DescribePort("/dev/ttyUSB0", T.Roots());
        return d.Access == TPortAccess::paDenied &&
               d.Advice == "it belongs to the group root; ask for read and write access to it.";
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
            std::_Exit(check() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(PortDetailsTest, StableNameIsTheByIdLinkWhereThereIsOne) {
    EXPECT_EQ(StablePortName("/dev/ttyUSB0", T.Roots()), ById);
    EXPECT_EQ(StablePortName("ttyUSB0", T.Roots()), ById);
    EXPECT_EQ(StablePortName(ById, T.Roots()), ById);
    EXPECT_EQ(StablePortName("/dev/ttyACM0", T.Roots()), "/dev/ttyACM0");
    EXPECT_EQ(StablePortName("/dev/ttyUSB9", T.Roots()), "/dev/ttyUSB9") << "no such device";
}

TEST_F(PortDetailsTest, SameDeviceFollowsNamesAndLinks) {
    struct Case {
        std::string A, B;
        bool Same;
    };
    const std::vector<Case> cases = {
        {"COM1", "/dev/ttyS0", true},
        {"ttyUSB0", ById, true},
        {ByPath, ById, true},
        {"/dev/ttyUSB0", "/dev/ttyACM0", false},
        {"/dev/ttyUSB7", "/dev/ttyUSB7", true},  // missing, but the same name
        {"/dev/ttyUSB7", "/dev/ttyUSB8", false},
        {"/dev/ttyUSB7", "/dev/ttyUSB0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SameDevice(c.A, c.B, T.Roots()), c.Same) << c.A << " / " << c.B;
}

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "protocol/PortSearchOrder.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/common/ScratchFolder.h"
#include "tests/serial/FakeDeviceTree.h"

using namespace trimora;
using trimora::test::FakeDeviceTree;

namespace {

// A machine with a UART (COM1) and two USB adapters, one of them with its by-id link.
class PortSearchOrderTest : public ::testing::Test {
  protected:
    PortSearchOrderTest() {
        T.Uart("ttyS0", "00:04", "serial");
        T.Node("ttyS0");
        T.UsbPort("ttyUSB0", "1-2", "ftdi_sio", {"0403", "6001", "FTDI", "FT232R", "A5"});
        T.Node("ttyUSB0");
        ById = T.SerialLink("by-id", "usb-FTDI_FT232R_A5-if00-port0", "ttyUSB0");
        T.UsbPort("ttyACM0", "1-3", "cdc_acm", {"2341", "0043", "", "", ""});
        T.Node("ttyACM0");
    }
    FakeDeviceTree T;
    std::string ById;
    // As the port list gives them: sorted, under /dev.
    const std::vector<std::string> Machine = {"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"};
};

}  // namespace

TEST_F(PortSearchOrderTest, TheGivenPortWinsThenARememberedOneWhileItsDeviceIsThere) {
    struct Case {
        const char* Name;
        std::string Given, Remembered;
        TFirstPort Want;
    };
    const std::vector<Case> cases = {
        {"nothing", "", "", {"", TFirstPort::fpDefault}},
        {"given", "ttyUSB3", ById, {"ttyUSB3", TFirstPort::fpGiven}},
        {"remembered", "", ById, {ById, TFirstPort::fpRemembered}},
        {"remembered by its node", "", "/dev/ttyACM0", {"/dev/ttyACM0", TFirstPort::fpRemembered}},
        {"remembered, unplugged",
         "",
         "/dev/serial/by-id/usb-gone-if00",
         {"", TFirstPort::fpDefault}},
    };
    for (const Case& c : cases) {
        const TFirstPort got = ChooseFirstPort(c.Given, c.Remembered, T.Roots());
        EXPECT_EQ(got.Name, c.Want.Name) << c.Name;
        EXPECT_EQ(got.Source, c.Want.Source) << c.Name;
    }
}

TEST_F(PortSearchOrderTest, EachDeviceOnceInTheOrderTheSearchTriesThem) {
    struct Case {
        const char* Name;
        TFirstPort First;
        std::vector<std::string> Want;
    };
    const std::vector<Case> cases = {
        {"COM1 then the list", {}, {"COM1", "/dev/ttyACM0", "/dev/ttyUSB0"}},
        {"a given port then the list",
         {"/dev/ttyUSB0", TFirstPort::fpGiven},
         {"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"}},
        {"a given port that is not there",
         {"COM7", TFirstPort::fpGiven},
         {"COM7", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}},
        {"the remembered port, COM1, then the list",
         {ById, TFirstPort::fpRemembered},
         {ById, "COM1", "/dev/ttyACM0"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PortSearchOrder(c.First, Machine, T.Roots()), c.Want) << c.Name;
}

// A pseudo-terminal's number goes to the next terminal someone opens: the program must not open
// that terminal at its next start and write frames into it.
TEST(RememberedPseudoTerminal, IsNeitherKeptNorTriedFirst) {
    test::PseudoTerminal pty;
    test::ScratchFolder dir("trimora-remember");
    const std::string link = dir.Path() + "/ttyDONGLE";
    ASSERT_EQ(::symlink(pty.SlavePath().c_str(), link.c_str()), 0);

    EXPECT_FALSE(WorthRemembering(pty.SlavePath()));
    EXPECT_TRUE(WorthRemembering(link)) << "a link of its own, such as the emulator's, is kept";
    EXPECT_TRUE(WorthRemembering("/dev/ttyUSB0"));
    EXPECT_EQ(ChooseFirstPort("", pty.SlavePath()).Source, TFirstPort::fpDefault)
        << "remembered by an earlier version";
    EXPECT_EQ(ChooseFirstPort(pty.SlavePath(), "").Source, TFirstPort::fpGiven)
        << "named by the user, it is tried";
}

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/UiHooks.h"
#include "serial/PortList.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;
namespace fs = std::filesystem;

namespace {

// A sysfs tree as the kernel lays it out: class/tty/<name> links to the device's own folder,
// which holds a `device` link when hardware is behind it and, for serial-core ports, `type`.
class FakeSysfs {
  public:
    FakeSysfs() {
        fs::create_directories(FRoot / "devices" / "hw");
        fs::create_directories(FRoot / "class" / "tty");
    }
    std::string Root() const { return FRoot.string(); }

    // Type is written to the `type` file as given (std::nullopt: no such file).
    void Tty(const std::string& Name, bool Hardware, std::optional<std::string> Type = {}) {
        fs::path dir = FRoot / "devices" / "virtual" / Name;
        fs::create_directories(dir);
        if (Hardware) fs::create_directory_symlink("../../hw", dir / "device");
        if (Type) std::ofstream(dir / "type") << *Type;
        fs::create_directory_symlink("../../devices/virtual/" + Name,
                                     FRoot / "class" / "tty" / Name);
    }
    void Port(const std::string& Name) { Tty(Name, true); }
    void Uart(const std::string& Name, const std::string& Type) { Tty(Name, true, Type); }
    fs::path EntryFolder(const std::string& Name) const {
        return FRoot / "devices" / "virtual" / Name;
    }
    fs::path TtyFolder() const { return FRoot / "class" / "tty"; }

  private:
    test::ScratchFolder FFolder{"trimora-sysfs"};
    const fs::path FRoot = FFolder.Path();
};

struct Case {
    const char* Name;
    std::function<void(FakeSysfs&)> Build;
    std::vector<std::string> Ports;
    std::string Message;  // empty: none shown
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.Name;
}

class SerialPortList : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(SerialPortList, ListsPortsWithHardwareOrReportsTheFailure) {
    const Case& c = GetParam();
    FakeSysfs sysfs;
    c.Build(sysfs);
    TUiHooks ui;
    ui.SetMessageBoxHook([](const std::string&, TMsgDlgType) {});

    EXPECT_EQ(ListSerialPorts(sysfs.Root(), ui), c.Ports);

    if (c.Message.empty()) {
        EXPECT_TRUE(ui.ShownMessages().empty());
    } else {
        ASSERT_EQ(ui.ShownMessages().size(), 1u);
        EXPECT_EQ(ui.ShownMessages()[0].Text, c.Message);
        EXPECT_EQ(ui.ShownMessages()[0].Type, TMsgDlgType::mtError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SerialPortList,
    ::testing::Values(
        Case{"UsbSerialOfAnyNumberInTextOrder",
             [](FakeSysfs& s) {
                 for (auto n : {"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyUSB0", "ttyACM11"}) s.Port(n);
             },
             {"/dev/ttyACM0", "/dev/ttyACM11", "/dev/ttyUSB0", "/dev/ttyUSB10", "/dev/ttyUSB2"},
             ""},
        Case{"VirtualTerminalsHaveNoHardware",
             [](FakeSysfs& s) {
                 for (auto n : {"console", "ptmx", "tty", "tty0", "tty63"}) s.Tty(n, false);
                 s.Port("ttyACM0");
             },
             {"/dev/ttyACM0"},
             ""},
        Case{"UartPortsOnlyWhereAUartAnswers",
             [](FakeSysfs& s) {
                 s.Uart("ttyS0", "4\n");
                 s.Uart("ttyS1", "0\n");
                 s.Uart("ttyS2", "0");
                 s.Uart("ttyS3", "16");
                 s.Tty("ttyS4", false, "4\n");  // a UART type but no device: not listed
             },
             {"/dev/ttyS0", "/dev/ttyS3"},
             ""},
        Case{"OtherBoardUartsAndCaseInsensitiveOrder",
             [](FakeSysfs& s) {
                 s.Uart("ttyS0", "4\n");
                 s.Uart("ttymxc0", "1\n");
                 s.Uart("ttyAMA1", "0\n");  // registered, no UART
                 s.Port("ttyUSB0");
             },
             {"/dev/ttymxc0", "/dev/ttyS0", "/dev/ttyUSB0"},
             ""},
        Case{"UartWithoutTypeFileGoesByItsDevice",
             [](FakeSysfs& s) { s.Tty("ttyS0", true); },
             {"/dev/ttyS0"},
             ""},
        Case{"NoTtyAtAll", [](FakeSysfs&) {}, {}, ""},
        Case{"TtyFolderMissing",
             [](FakeSysfs& s) { fs::remove_all(s.TtyFolder()); },
             {},
             "Error Finding Com Port"},
        Case{"TtyFolderIsAFile",
             [](FakeSysfs& s) {
                 fs::remove_all(s.TtyFolder());
                 std::ofstream(s.TtyFolder()) << "not a folder";
             },
             {},
             "Error Finding Com Port"},
        Case{"TypeFileThatCannotBeRead",
             [](FakeSysfs& s) {
                 s.Port("ttyUSB0");
                 s.Tty("ttyS0", true);
                 fs::create_directory(s.EntryFolder("ttyS0") / "type");
             },
             {},
             "Error Reading Win registry!"},
        Case{"TypeFileThatIsNoNumber",
             [](FakeSysfs& s) {
                 s.Port("ttyUSB0");
                 s.Uart("ttyS0", "unknown\n");
             },
             {},
             "Error Reading Win registry!"},
        Case{"EmptyTypeFile",
             [](FakeSysfs& s) {
                 s.Port("ttyUSB0");
                 s.Uart("ttyS0", "");
             },
             {},
             "Error Reading Win registry!"},
        Case{"EntryThatCannotBeFollowed",
             [](FakeSysfs& s) {
                 s.Port("ttyUSB0");
                 fs::create_directory_symlink("ttyUSB1", s.TtyFolder() / "ttyUSB1");  // a loop
             },
             {},
             "Error Reading Win registry!"},
        Case{"EntryThatVanishedWhileListing",
             [](FakeSysfs& s) {
                 s.Port("ttyUSB0");
                 s.Port("ttyUSB1");
                 fs::remove_all(s.EntryFolder("ttyUSB1"));  // its class link now leads nowhere
             },
             {"/dev/ttyUSB0"},
             ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SerialPortListDefaults, ReportsThroughTheApplicationsHooks) {
    TUiHooks& ui = Application::Instance().Ui();
    ui.ClearShownMessages();
    ui.SetMessageBoxHook([](const std::string&, TMsgDlgType) {});
    EXPECT_TRUE(ListSerialPorts("/nonexistent-sysfs-root").empty());
    ASSERT_EQ(ui.ShownMessages().size(), 1u);
    EXPECT_EQ(ui.ShownMessages()[0].Text, "Error Finding Com Port");
    ui.SetMessageBoxHook(nullptr);
    ui.ClearShownMessages();
}

// The port list from a registry key shaped as SERIALCOMM (one value per port, the port's name as
// its data), here a scratch key of the test's own under HKEY_CURRENT_USER.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/UiHooks.h"
#include "serial/PortList.h"

using namespace trimora;

namespace {

const std::string kScratch = "Software\\TrimoraTest\\SERIALCOMM";

struct ScratchKey {
    ScratchKey() {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch.c_str());
        RegCreateKeyExA(HKEY_CURRENT_USER, kScratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &Key, nullptr);
    }
    ~ScratchKey() {
        RegCloseKey(Key);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TrimoraTest");
    }
    void Value(const std::string& Name, const std::string& Data) {
        RegSetValueExA(Key, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Data.c_str()),
                       static_cast<DWORD>(Data.size() + 1));
    }
    HKEY Key = nullptr;
};

struct Case {
    std::string Name;
    std::function<void(ScratchKey&)> Fill;  // none: the key does not exist
    std::vector<std::string> Ports;
    std::string Message;  // empty: none shown
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.Name;
}

class RegistryPortList : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(RegistryPortList, ListsThePortsInTextOrderOrReportsTheFailure) {
    const Case& c = GetParam();
    std::vector<std::string> ports;
    TUiHooks ui;
    ui.SetMessageBoxHook([](const std::string&, TMsgDlgType) {});
    if (c.Fill) {
        ScratchKey key;
        c.Fill(key);
        ports = ListSerialPorts("HKCU\\" + kScratch, ui);
    } else {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch.c_str());
        ports = ListSerialPorts("HKCU\\" + kScratch, ui);
    }
    EXPECT_EQ(ports, c.Ports);
    if (c.Message.empty()) {
        EXPECT_TRUE(ui.ShownMessages().empty());
    } else {
        ASSERT_EQ(ui.ShownMessages().size(), 1u);
        EXPECT_EQ(ui.ShownMessages()[0].Text, c.Message);
        EXPECT_EQ(ui.ShownMessages()[0].Type, TMsgDlgType::mtError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryPortList,
    ::testing::Values(Case{"CaseInsensitiveTextOrder",
                           [](ScratchKey& k) {
                               k.Value("\\Device\\Serial1", "COM2");
                               k.Value("\\Device\\VCP0", "COM10");
                               k.Value("\\Device\\Serial0", "com1");
                               k.Value("\\Device\\ProlificSerial0", "COM3");
                           },
                           {"com1", "COM10", "COM2", "COM3"},
                           ""},
                      Case{"AnEmptyKeyListsNothing", [](ScratchKey&) {}, {}, ""},
                      Case{"AMissingKeyCannotBeFound", nullptr, {}, "Error Finding Com Port"},
                      Case{"ADataLongerThanItsBufferIsUnreadable",
                           [](ScratchKey& k) {
                               k.Value("\\Device\\Serial0", "COM1");
                               k.Value("\\Device\\Odd", std::string(300, 'C'));
                           },
                           {},
                           "Error Reading Win registry!"},
                      Case{"ANameLongerThanItsBufferIsUnreadable",
                           [](ScratchKey& k) {
                               k.Value("\\Device\\" + std::string(300, 'n'), "COM4");
                           },
                           {},
                           "Error Reading Win registry!"}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.Name; });

TEST(MachinePortList, IsTheRegistrysSerialCommKey) {
    EXPECT_EQ(MachinePortList(), "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
    // Whatever the machine has, it reads without a message.
    TUiHooks ui;
    ui.SetMessageBoxHook([](const std::string&, TMsgDlgType) {});
    ListSerialPorts(MachinePortList(), ui);
    EXPECT_TRUE(ui.ShownMessages().empty());
}

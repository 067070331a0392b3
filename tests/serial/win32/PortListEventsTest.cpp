// A port that comes or goes on Windows changes the registry's list of ports: the search is told
// at once. Writing that machine-wide list needs an administrator (wine has no such limit).
#include <gtest/gtest.h>
#include <windows.h>

#include "serial/DeviceNodeEvents.h"
#include "serial/PortList.h"
#include "tests/common/Pump.h"

using namespace trimora;

TEST(PortListEvents, APortAddedToOrRemovedFromTheListIsToldAtOnce) {
    int changes = 0;
    TDeviceNodeEvents events([&] { ++changes; });
    events.Follow({});
    ASSERT_TRUE(events.Following());

    const std::string list = MachinePortList();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, list.substr(list.find('\\') + 1).c_str(), 0, nullptr,
                        REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "the machine's list of ports cannot be written here";
    const char name[] = "\\Device\\TrimoraEventTest";
    const char port[] = "COM33";
    ASSERT_EQ(
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(port), sizeof port),
        ERROR_SUCCESS);
    EXPECT_TRUE(test::PumpUntil([&] { return changes >= 1; }));
    const int afterAdd = changes;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
    EXPECT_TRUE(test::PumpUntil([&] { return changes > afterAdd; }));
    EXPECT_TRUE(events.Following());

    events.Stop();
    EXPECT_FALSE(events.Following());
}

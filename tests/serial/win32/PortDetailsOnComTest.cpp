// What --list-ports learns of a COM port on Windows: whether it opens, and what Plug and Play
// calls the device behind it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "serial/PortDetails.h"
#include "serial/win32/CommDeviceOpen.h"
#include "tests/serial/win32/BridgedComPort.h"
#include "tests/serial/win32/PortsClassDevice.h"

using namespace trimora;

namespace {

// Ports of their own, apart from those of the other COM tests.
constexpr int kDescribedPort = 31, kHeldPort = 32;

class PortDetailsOnCom : public ::testing::Test {
  protected:
    void Plug(int Number) {
        if (!test::BridgedComPort::Available())
            GTEST_SKIP() << "no COM port with a test at its other end (TRIMORA_COM_BRIDGE)";
        line = std::make_unique<test::BridgedComPort>(Number);
        ASSERT_TRUE(line->Plugged()) << line->Error();
    }
    std::unique_ptr<test::BridgedComPort> line;
};

// Writes Bytes on Device, opened for overlapped I/O, and waits for the write to end.
bool WriteAll(HANDLE Device, const std::string& Bytes) {
    OVERLAPPED o{};
    o.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    const bool ok =
        (WriteFile(Device, Bytes.data(), static_cast<DWORD>(Bytes.size()), nullptr, &o) ||
         GetLastError() == ERROR_IO_PENDING) &&
        GetOverlappedResult(Device, &o, &written, TRUE) && written == Bytes.size();
    CloseHandle(o.hEvent);
    return ok;
}

}  // namespace

TEST(PortDetailsOnWindows, APortThatIsNotThereIsMissing) {
    const TPortDetails d = DescribePort("COM99");
    EXPECT_EQ(d.Path, "COM99");
    EXPECT_EQ(d.Access, TPortAccess::paMissing);
    EXPECT_EQ(PortDevice("COM99"), "");
    // wine's COM1 and Windows' own have a DOS device: the same without an open as with one.
    EXPECT_EQ(PortDevice("COM1"), DescribePort("COM1").Device);
    EXPECT_EQ(d.Description, "");
    EXPECT_FALSE(d.Usb);
}

TEST_F(PortDetailsOnCom, APortPlugAndPlayListsIsDescribedByItsDevice) {
    Plug(kDescribedPort);
    // The device key may spell the name in its own case.
    test::PortsClassDevice device({L"com31", L"USB Serial Port (COM31)",
                                   L"FTDIBUS\\COMPORT&VID_0403&PID_6001", L"FTDI", L"FTDIBUS"});
    ASSERT_TRUE(device.Made()) << device.Error();
    for (const std::string name : {"COM31", "\\\\.\\COM31"}) {
        const TPortDetails d = DescribePort(name);
        EXPECT_EQ(d.Access, TPortAccess::paAllowed) << name;
        EXPECT_EQ(d.Description, "USB Serial Port (COM31)") << name;
        EXPECT_EQ(d.HardwareId, "FTDIBUS\\COMPORT&VID_0403&PID_6001") << name;
        EXPECT_EQ(d.Driver, "FTDIBUS") << name;
        EXPECT_EQ(d.Manufacturer, "FTDI") << name;
        EXPECT_TRUE(d.Usb) << name;
        EXPECT_EQ(d.VendorId + ":" + d.ProductId, "0403:6001") << name;
    }
    // Another port's device says nothing of this one.
    EXPECT_EQ(DescribePort("COM3").Description, "");
}

TEST_F(PortDetailsOnCom, APortAnotherProgramHoldsIsInUseAndKeepsWorking) {
    Plug(kHeldPort);
    HANDLE held = INVALID_HANDLE_VALUE;
    bool pipe = false;
    ASSERT_EQ(OpenCommDevice(line->Name(), held, pipe), 0u);
    const TPortDetails d = DescribePort(line->Name());
    // Its device is looked up without an open, whoever holds it, as the listing finds it. (wine
    // names no DOS device for a port mapped after it started: then both are empty.)
    EXPECT_EQ(PortDevice(line->Name()), d.Device);
    EXPECT_EQ(PortDevice("\\\\.\\" + line->Name()), d.Device);
    // The look opened and closed the port beside the holder's handle: the holder's line works.
    EXPECT_TRUE(WriteAll(held, "ping"));
    EXPECT_EQ(line->Receive(4), "ping");

    HANDLE again = INVALID_HANDLE_VALUE;
    const bool twice = OpenCommDevice(line->Name(), again, pipe) == 0;
    if (twice) CloseHandle(again);
    CloseHandle(held);
    if (twice) GTEST_SKIP() << "this system opens a COM port twice (wine does): no port is in use";
    EXPECT_EQ(d.Access, TPortAccess::paInUse);
}

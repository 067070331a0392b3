#pragma once

#include <string>

namespace trimora::test {

// A device of the Ports class in Plug and Play's records, as a driver's installation makes one:
// its properties, and "PortName" in its device key. Removed again when the object goes. Making
// devices needs an administrator on Windows; wine lets a test do it.
class PortsClassDevice {
  public:
    struct Properties {
        std::wstring PortName, FriendlyName, HardwareId, Manufacturer, Service;
    };

    explicit PortsClassDevice(const Properties& Device);
    ~PortsClassDevice();
    PortsClassDevice(const PortsClassDevice&) = delete;
    PortsClassDevice& operator=(const PortsClassDevice&) = delete;

    // Made, with every property it was given; Error() says what failed.
    bool Made() const { return FError.empty(); }
    const std::string& Error() const { return FError; }

  private:
    void* FSet = nullptr;
    alignas(8) unsigned char FDevice[64]{};  // the device's SP_DEVINFO_DATA
    std::string FError;
};

}  // namespace trimora::test

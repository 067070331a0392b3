#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace trimora {

// Port error numbers, as reported in EComPort::PortErrorNumber.
enum TComPortErrorCode : std::int32_t {
    ecOpenFailed = 1,
    ecWriteFailed = 2,
    ecReadFailed = 3,
    ecInvalidAsync = 4,
    ecPurgeFailed = 5,
    ecAsyncStatus = 6,
    ecSetCommState = 7,
    ecSetTimeouts = 8,
    ecSetupComm = 9,
    ecClearCommError = 10,
    ecModemStatus = 11,
    ecEscapeComm = 12,
    ecTransmitChar = 13,
    ecConnectedChange = 14,
    ecEnumPorts = 15,
    ecStoreSettings = 16,
    ecLoadSettings = 17,
    ecLinkRegistration = 18,
    ecLedState = 19,
    ecThreadCreated = 20,
    ecWaitForEvent = 21,
    ecRxBufLinked = 22,
    ecRegistry = 23,
};

// The fixed text of a port error number; empty for numbers outside the table.
const char* ComErrorText(std::int32_t PortErrorNumber);

// Error of a serial port operation. WindowsError holds the operating system's error code
// (errno here), or -1 when none applies; the message then carries no code suffix.
class EComPort : public std::runtime_error {
  public:
    explicit EComPort(std::int32_t PortErrorNumber, std::int32_t WindowsError = -1);

    std::int32_t WindowsError() const { return FWindowsError; }
    std::int32_t PortErrorNumber() const { return FPortErrorNumber; }
    std::string Message() const { return what(); }

  private:
    std::int32_t FWindowsError;
    std::int32_t FPortErrorNumber;
};

}  // namespace trimora

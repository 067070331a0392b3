#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/WakeSignal.h"
#include "serial/InputQueue.h"
#include "serial/SerialDevice.h"
#include "serial/win32/CommDeviceOpen.h"
#include "serial/win32/DeviceRequests.h"
#include "serial/win32/WindowsApi.h"
#include "serial/win32/WriteRequests.h"

namespace trimora {

// An overlapped request of the event thread's own (the event wait, or a pipe's read) that may
// still be pending when the thread stops; the device waits for it before it closes.
struct TPendingRequest {
    OVERLAPPED Overlapped{};
    bool Pending = false;
    DWORD Mask = 0;   // what WaitCommEvent reports
    DWORD Count = 0;  // what ReadFile asked for
};

// No event mask set on the device yet.
inline constexpr DWORD kNoCommMask = 0xFFFFFFFF;

struct TSerialDevice::TImpl {
    TImpl();
    ~TImpl();
    TImpl(const TImpl&) = delete;
    TImpl& operator=(const TImpl&) = delete;

    // Written by the GUI thread only while no event thread uses the device.
    std::atomic<HANDLE> Device{INVALID_HANDLE_VALUE};
    // A named pipe (the demo's emulator), not a COM port: no line, no comm events.
    bool Pipe = false;
    // The Windows error that ended the device (an adapter pulled out); 0 while it works.
    std::atomic<DWORD> GoneError{0};
    std::atomic<bool> DiscardNull{false};
    std::atomic<char> EventChar{0};
    TInputQueue Input;
    TWriteRequests Output;
    TWakeSignal WriteQueuedOrInputRoom;  // writes were started, or the full input queue got room
    // The event thread's: the comm event wait (or the pipe's read) and the reads it drains with.
    TPendingRequest Wait;
    OVERLAPPED Drain{};
    char ReadBuffer[4096];
    DWORD CommMask = kNoCommMask;       // the event thread's, as last set on the device
    std::int32_t WriteConstant = 1000;  // GUI thread only
    std::int32_t WriteMultiplier = 100;

    void MarkGone(DWORD Error);
    bool Gone() const { return GoneError.load() != 0; }
};

}  // namespace trimora

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/ComTypes.h"
#include "serial/LineSettings.h"

namespace trimora {

class TWakeSignal;

// Modem status bits, valued as Windows reports them.
inline constexpr std::uint32_t MS_CTS_ON = 0x0010;
inline constexpr std::uint32_t MS_DSR_ON = 0x0020;
inline constexpr std::uint32_t MS_RING_ON = 0x0040;
inline constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// What a wait for the device (the event thread's) or a read of its input (the GUI loop's) found.
struct TDeviceFindings {
    TComEvents Events;   // within the mask the wait was given
    bool Quit = false;   // the quit signal was raised
    bool Ended = false;  // the device hung up or failed: wait no more
};

// One open serial device: the operating system's side of a port. Every call but
// WaitForEvents belongs to the GUI thread; WaitForEvents belongs to the port's event thread,
// which sends queued writes and, unless the GUI thread reads the device itself (ReadInput),
// moves received bytes into the device's input queue. Calls return 0 or the operating system's
// error code.
class TSerialDevice {
  public:
    TSerialDevice();
    ~TSerialDevice();
    TSerialDevice(const TSerialDevice&) = delete;
    TSerialDevice& operator=(const TSerialDevice&) = delete;

    // Opens the port exclusively: a second open of the same device fails.
    int Open(const std::string& PortName);
    // Drops queued writes and received bytes and closes the device.
    void Close();
    bool IsOpen() const;
    // The device's descriptor (POSIX) or handle (Windows); -1 while closed.
    std::intptr_t Handle() const;
    // Whether the GUI loop can wait for a device's input itself (a descriptor it polls). Where
    // it cannot, the event thread reads and hands received bytes over.
    static bool GuiLoopWatchesInput();

    int SetBuffers(std::int32_t InputSize, std::int32_t OutputSize);
    int SetLine(const TDcb& Dcb);
    int SetTimeouts(std::int32_t WriteTotalMultiplier, std::int32_t WriteTotalConstant);
    // MS_* bits; lines of a device that has none (a pseudo-terminal) read as off.
    int ModemStatus(std::uint32_t& Status) const;

    int Purge(bool Input, bool Output);
    // Drops the writes not yet taken by the device.
    void AbortWrites();

    // Never waits: what the device does not take at once is queued and sent by the event thread.
    int Write(const char* Data, std::size_t Count, std::size_t& Written);
    std::size_t Read(char* Out, std::size_t Count);
    // Returns and clears the error condition (CE_* flags), with the queued byte counts.
    int ClearErrors(std::uint32_t& Errors, std::size_t& InQueue, std::size_t& OutQueue);
    std::size_t InputCount() const;
    std::size_t OutputCount() const;
    // The input queue has no room: reading the device waits for the port's reader.
    bool InputFull() const;

    // Waits until the device reports one of Mask's events, ends, or Quit is raised. While it
    // waits it sends queued writes and, with ReadsInput and a mask that is not empty, drains
    // the device into the input queue.
    TDeviceFindings WaitForEvents(const TWakeSignal& Quit, TComEvents Mask, bool ReadsInput);
    // Drains the device into the input queue now, without waiting, for a thread that waits for
    // the device's input itself; the events found are those of Mask.
    TDeviceFindings ReadInput(TComEvents Mask);

    struct TImpl;

  private:
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace trimora

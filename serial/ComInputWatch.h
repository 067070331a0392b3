#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "runtime/Application.h"
#include "serial/ComTypes.h"

namespace trimora {

class TCustomComPort;
class TSerialDevice;

// The GUI thread's wait for an open port's input. The application's loop watches the device,
// and when it is readable the watch reads it and serves the port's events right there: received
// bytes reach the receivers without waking the event thread and without a blocking hand-over.
// Events are served only when the GUI thread retrieves messages, and while they are served the
// device is not read again, as with a hand-over. GUI thread only.
class TComInputWatch : public std::enable_shared_from_this<TComInputWatch> {
  public:
    // OnEnded runs once if the watch ends by itself; DeviceGone tells a hang-up (the device was
    // unplugged) from a failed handler.
    using TEndedCall = std::function<void(bool DeviceGone)>;
    static std::shared_ptr<TComInputWatch> Start(TCustomComPort& Port, TSerialDevice& Device,
                                                 TComEvents Mask, TEndedCall OnEnded);
    ~TComInputWatch();
    TComInputWatch(const TComInputWatch&) = delete;
    TComInputWatch& operator=(const TComInputWatch&) = delete;

    // Serves what the device holds now, unless the watch is serving already.
    void ServeNow();
    // The input queue has room again after being full: read the device again.
    void RoomMade();
    // Serves nothing more and touches the port no more. Safe from inside a handler.
    void Stop();

  private:
    TComInputWatch(TCustomComPort& Port, TSerialDevice& Device, TComEvents Mask,
                   TEndedCall OnEnded);
    void End(bool DeviceGone);

    TCustomComPort& FPort;
    TSerialDevice& FDevice;
    const TComEvents FMask;
    TEndedCall FOnEnded;
    Application::TWatchId FWatch = 0;
    bool FStopped = false;
    bool FServing = false;
    bool FPaused = false;
    std::atomic<bool> FDetached{false};  // what the port's serving checks after each handler
};

}  // namespace trimora

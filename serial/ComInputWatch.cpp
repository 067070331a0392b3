#include "serial/ComInputWatch.h"

#include "runtime/HandlerGuards.h"
#include "runtime/SwallowedError.h"
#include "serial/ComPort.h"
#include "serial/SerialDevice.h"

namespace trimora {

std::shared_ptr<TComInputWatch> TComInputWatch::Start(TCustomComPort& Port, TSerialDevice& Device,
                                                      TComEvents Mask, TEndedCall OnEnded) {
    std::shared_ptr<TComInputWatch> watch(
        new TComInputWatch(Port, Device, Mask, std::move(OnEnded)));
    std::weak_ptr<TComInputWatch> weak = watch;
    watch->FWatch = Application::Instance().Watch(static_cast<int>(Device.Handle()), [weak] {
        if (auto self = weak.lock()) self->ServeNow();
    });
    return watch;
}

TComInputWatch::TComInputWatch(TCustomComPort& Port, TSerialDevice& Device, TComEvents Mask,
                               TEndedCall OnEnded)
    : FPort(Port), FDevice(Device), FMask(Mask), FOnEnded(std::move(OnEnded)) {}

TComInputWatch::~TComInputWatch() {
    Stop();
}

void TComInputWatch::Stop() {
    if (FStopped) return;
    FStopped = true;
    FDetached.store(true);
    Application::Instance().Unwatch(FWatch);
}

void TComInputWatch::RoomMade() {
    if (!FPaused || FStopped || FDevice.InputFull()) return;
    FPaused = false;
    Application::Instance().PauseWatch(FWatch, false);
}

void TComInputWatch::ServeNow() {
    if (FStopped || FServing) return;
    // A handler may close or destroy the port, which drops its hold on this watch.
    std::shared_ptr<TComInputWatch> self = shared_from_this();
    const TFlagScope serving(FServing);

    TDeviceFindings found = FDevice.ReadInput(FMask);
    if (!found.Events.Empty()) {
        try {
            FPort.ServeDeviceEvents(found.Events, FDetached);
        } catch (...) {
            // Like an event thread ended by an error: nothing more is delivered until the port
            // is opened again, which the port then reports (InputEnded).
            ReportSwallowed("a handler of a port's received data", std::current_exception());
            if (!FStopped) End(false);
            return;
        }
    }
    if (FStopped) return;
    if (found.Ended) {
        End(true);
        return;
    }
    // A full queue is read by the port's reader first; the device holds the rest meanwhile.
    if (FDevice.InputFull()) {
        FPaused = true;
        Application::Instance().PauseWatch(FWatch, true);
    }
}

void TComInputWatch::End(bool DeviceGone) {
    Stop();
    if (FOnEnded) FOnEnded(DeviceGone);
}

}  // namespace trimora

// The port's side of serving its device's events (received bytes above all), whether its event
// thread hands them over or the GUI thread's own input watch finds them.
#include <atomic>
#include <memory>

#include "serial/ComErrorFlags.h"
#include "serial/ComPort.h"

namespace trimora {

void TCustomComPort::ServeDeviceEvents(TComEvents Events, const std::atomic<bool>& Detached) {
    static constexpr TComEvent kOrder[] = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                           evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};
    for (TComEvent event : kOrder) {
        // A handler may have closed or destroyed the port.
        if (Detached.load()) return;
        if (!Events.Contains(event)) continue;
        switch (event) {
            case evError:
                ServeErrorEvent();
                break;
            case evRxChar:
                DeliverReceivedBytes();
                break;
            case evTxEmpty:
                DoTxEmpty();
                break;
            case evBreak:
                DoBreak();
                break;
            case evRing:
                DoRing();
                break;
            case evCTS:
            case evDSR:
            case evRLSD:
                ServeLineChange(event);
                break;
            case evRxFlag:
                ServeRxFlag();
                break;
            case evRx80Full:
                DoRx80Full();
                break;
        }
    }
}

void TCustomComPort::DeliverReceivedBytes() {
    const TAliveGuard port(FLife);
    std::uint32_t errors = 0;
    std::size_t count = 0, outQueue = 0;
    // Reading the count also clears a pending error condition, unreported.
    if (int e = FDevice.ClearErrors(errors, count, outQueue)) throw EComPort(ecClearCommError, e);
    if (count == 0) return;
    if (!CallLinks(&TComLink::RxNotifyHook, true)) return;

    if (FAnyDataHook) {
        // A block of its own per delivery (with the spare's capacity): a handler may pump
        // messages and let another delivery of this port run meanwhile.
        std::string block = std::move(FSpareBlock);
        bool haveBlock = false;
        bool alive = ForEachLink([&](TComLink* link) {
            if (!link->RxDataHook) return;
            if (!haveBlock) {
                haveBlock = true;
                block.resize(count);
                block.resize(FDevice.Read(block.data(), count));
                if (FDevice.InputCount() == 0 && !CallLinks(&TComLink::RxNotifyHook, false)) return;
                DoRxBuf(block.data(), static_cast<int>(block.size()));
                if (port.Gone() || !IsRegistered(link)) return;
            }
            link->RxDataHook(this, block.data(), static_cast<int>(block.size()));
        });
        if (!alive || port.Gone()) return;
        block.clear();
        FSpareBlock = std::move(block);
        count = 0;
    }
    if (count > 0) DoRxChar(static_cast<int>(count));
}

void TCustomComPort::ServeErrorEvent() {
    std::uint32_t flags = 0;
    std::size_t inQueue = 0, outQueue = 0;
    if (int e = FDevice.ClearErrors(flags, inQueue, outQueue)) throw EComPort(ecClearCommError, e);
    TComErrors errors = ErrorsFromCommFlags(flags, FParity.Check());
    if (!errors.Empty()) DoError(errors);
}

void TCustomComPort::ServeRxFlag() {
    bool alive = ForEachLink([this](TComLink* link) {
        if (link->RxFlagHook) link->RxFlagHook(this);
    });
    if (alive) DoRxFlag();
}

void TCustomComPort::ServeLineChange(TComEvent Event) {
    std::uint32_t status = ReadModemStatus();
    TLinkSignalHook hook = &TComLink::CTSChangeHook;
    bool on = (status & MS_CTS_ON) != 0;
    void (TCustomComPort::*fire)(bool) = &TCustomComPort::DoCTSChange;
    if (Event == evDSR) {
        hook = &TComLink::DSRChangeHook;
        on = (status & MS_DSR_ON) != 0;
        fire = &TCustomComPort::DoDSRChange;
    } else if (Event == evRLSD) {
        hook = &TComLink::RLSDChangeHook;
        on = (status & MS_RLSD_ON) != 0;
        fire = &TCustomComPort::DoRLSDChange;
    }
    if (CallLinks(hook, on)) (this->*fire)(on);
}

}  // namespace trimora

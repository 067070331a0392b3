#include <algorithm>

#include "serial/DeviceInput.h"
#include "serial/win32/CommSettings.h"
#include "serial/win32/SerialDeviceImpl.h"

namespace trimora {

namespace {

// Reads return at once under the port's read time-outs; this only bounds a driver that
// ignores them.
constexpr DWORD kReadWaitMs = 1000;

const TComEvents kReceiveEvents{evRxChar, evRxFlag, evRx80Full};

TInputFill StartFill(TSerialDevice::TImpl& d) {
    return TInputFill(d.Input, d.DiscardNull.load(), d.EventChar.load());
}

// Reads what the driver holds now, as far as the input queue has room. The count the driver
// reports is not trusted (some report 0 while bytes are there): reading tells. False when the
// device failed.
bool DrainComPort(TSerialDevice::TImpl& d, HANDLE h, TComEvents& Events) {
    TInputFill fill = StartFill(d);
    bool alive = true;
    for (;;) {
        const std::size_t room = ReadRoom(d.Input, sizeof d.ReadBuffer);
        if (room == 0) break;
        ResetEvent(d.Drain.hEvent);
        DWORD got = 0;
        if (!ReadFile(h, d.ReadBuffer, static_cast<DWORD>(room), &got, &d.Drain)) {
            DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                if (WaitForSingleObject(d.Drain.hEvent, kReadWaitMs) != WAIT_OBJECT_0)
                    CancelIoEx(h, &d.Drain);
                error = GetOverlappedResult(h, &d.Drain, &got, TRUE) ? 0 : GetLastError();
            }
            if (error != 0 && error != ERROR_OPERATION_ABORTED) {
                if (DeviceGoneError(error)) {
                    d.MarkGone(error);
                    alive = false;
                }
                break;
            }
        }
        fill.Take(d.ReadBuffer, got);
        if (got < room) break;  // the driver is empty
    }
    Events = Events | fill.Events();
    return alive;
}

// Starts the wait for the device: the comm event wait, or a pipe's read (a pipe has no comm
// events; its read completes when bytes come). False when the device failed.
bool StartWait(TSerialDevice::TImpl& d, HANDLE h) {
    TPendingRequest& w = d.Wait;
    ResetEvent(w.Overlapped.hEvent);
    w.Mask = 0;
    BOOL done;
    if (d.Pipe) {
        w.Count =
            static_cast<DWORD>(std::max<std::size_t>(ReadRoom(d.Input, sizeof d.ReadBuffer), 1));
        done = ReadFile(h, d.ReadBuffer, w.Count, nullptr, &w.Overlapped);
    } else {
        done = WaitCommEvent(h, &w.Mask, &w.Overlapped);
    }
    if (done) {
        // Finished at once: its event is set as for a later end.
        SetEvent(w.Overlapped.hEvent);
        w.Pending = true;
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        w.Pending = true;
        return true;
    }
    d.MarkGone(error);
    return false;
}

// 0 while the device still answers, else the error it answers with.
DWORD ProbeDevice(const TSerialDevice::TImpl& d, HANDLE h) {
    if (d.Pipe) return PeekNamedPipe(h, nullptr, 0, nullptr, nullptr, nullptr) ? 0 : GetLastError();
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(h, &errors, &status) ? 0 : GetLastError();
}

// The wait ended: what it found. False when the device failed.
bool FinishWait(TSerialDevice::TImpl& d, HANDLE h, TComEvents& Events) {
    TPendingRequest& w = d.Wait;
    w.Pending = false;
    DWORD got = 0;
    if (!GetOverlappedResult(h, &w.Overlapped, &got, FALSE)) {
        // A wait can end in failure (aborted) while the device works on: only a device that no
        // longer answers is gone. Otherwise look at it all the same, and wait again.
        const DWORD error = GetLastError();
        if (const DWORD probe = ProbeDevice(d, h)) {
            d.MarkGone(DeviceGoneError(probe) ? probe : error);
            return false;
        }
    } else if (d.Pipe) {
        TInputFill fill = StartFill(d);
        fill.Take(d.ReadBuffer, got);
        Events = Events | fill.Events();
        return true;
    }
    if (d.Pipe) return true;
    // Received bytes are told by reading them: the mask may come back empty after a wake.
    Events = Events | (EventsOfCommMask(w.Mask) & AllComEvents);
    Events.Exclude(evRxChar).Exclude(evRxFlag).Exclude(evRx80Full);
    return DrainComPort(d, h, Events);
}

}  // namespace

TDeviceFindings TSerialDevice::ReadInput(TComEvents Mask) {
    TImpl& d = *FImpl;
    TDeviceFindings found;
    HANDLE h = d.Device.load();
    if (h == INVALID_HANDLE_VALUE || d.Gone()) {
        found.Ended = true;
        return found;
    }
    TComEvents events;
    const bool alive = d.Pipe || DrainComPort(d, h, events);
    return FindingsOf(d.Input, events, alive, Mask);
}

TDeviceFindings TSerialDevice::WaitForEvents(const TWakeSignal& Quit, TComEvents Mask,
                                             bool ReadsInput) {
    TImpl& d = *FImpl;
    HANDLE h = d.Device.load();
    const bool readInput = ReadsInput && !Mask.Empty();
    TDeviceFindings found;
    if (!d.Pipe) {
        // Received characters are always watched while the port reads: they fill its queue.
        const DWORD mask = (CommMaskOf(Mask) | (readInput ? EV_RXCHAR : 0)) &
                           ~static_cast<DWORD>(readInput ? 0 : EV_RXCHAR | EV_RXFLAG);
        if (mask != d.CommMask) {
            SetCommMask(h, mask);
            d.CommMask = mask;
        }
    }
    for (;;) {
        TComEvents events;
        bool alive = !d.Gone();
        bool emptied = false;
        if (DWORD e = d.Output.Reap(h, emptied)) {
            d.MarkGone(e);
            alive = false;
        }
        if (emptied) events.Include(evTxEmpty);

        const bool commEvents = !d.Pipe && (d.CommMask & ~static_cast<DWORD>(EV_RXCHAR)) != 0;
        // A full input queue waits for the GUI thread's read, which raises WriteQueuedOrInputRoom.
        const bool wantInput = readInput && d.Input.Room() > 0;
        const bool watchDevice = wantInput || commEvents;
        if (alive && watchDevice && !d.Wait.Pending) {
            alive = StartWait(d, h);
            // Bytes that came before the wait began may not wake it: read what is there.
            if (alive && wantInput && !d.Pipe) alive = DrainComPort(d, h, events);
        }
        found = FindingsOf(d.Input, events, alive, Mask);
        if (!found.Events.Empty() || found.Ended) return found;

        HANDLE handles[4];
        DWORD count = 0;
        handles[count++] = reinterpret_cast<HANDLE>(Quit.Handle());
        handles[count++] = reinterpret_cast<HANDLE>(d.WriteQueuedOrInputRoom.Handle());
        const DWORD waitIndex = count;
        if (watchDevice && d.Wait.Pending) handles[count++] = d.Wait.Overlapped.hEvent;
        if (HANDLE write = d.Output.OldestEvent()) handles[count++] = write;
        const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) {
            found.Quit = true;
            return found;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            d.WriteQueuedOrInputRoom.Clear();
            continue;
        }
        if (result >= WAIT_OBJECT_0 + count) {
            // A wait that cannot be made cannot be repeated either.
            d.MarkGone(GetLastError());
            found = FindingsOf(d.Input, {}, false, Mask);
            return found;
        }
        if (result == WAIT_OBJECT_0 + waitIndex && watchDevice && d.Wait.Pending) {
            alive = FinishWait(d, h, events);
            found = FindingsOf(d.Input, events, alive, Mask);
            if (!found.Events.Empty() || found.Ended) return found;
        }
        // A write ended: reaped at the top.
    }
}

}  // namespace trimora

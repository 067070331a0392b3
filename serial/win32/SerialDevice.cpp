#include "serial/SerialDevice.h"

#include <algorithm>

#include "serial/ComErrorFlags.h"
#include "serial/DeviceInput.h"
#include "serial/win32/CommSettings.h"
#include "serial/win32/SerialDeviceImpl.h"

namespace trimora {

namespace {
// The driver's own input buffer is 4 KiB at least; the port never keeps less.
constexpr std::size_t kMinInputQueue = 4096;
// At most this long for the last writes to go out when the port closes.
constexpr std::int64_t kMaxSettleMs = 3000;
const std::string kDevicePrefix = "\\\\.\\";

int Code(DWORD Error) {
    return static_cast<int>(Error);
}
}  // namespace

TSerialDevice::TImpl::TImpl() {
    Wait.Overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Drain.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

TSerialDevice::TImpl::~TImpl() {
    // A request the driver never let go of keeps its event.
    if (!Wait.Pending && Wait.Overlapped.hEvent != nullptr) CloseHandle(Wait.Overlapped.hEvent);
    if (Drain.hEvent != nullptr) CloseHandle(Drain.hEvent);
}

void TSerialDevice::TImpl::MarkGone(DWORD Error) {
    DWORD none = 0;
    GoneError.compare_exchange_strong(none, Error != 0 ? Error : ERROR_GEN_FAILURE);
}

DWORD OpenCommDevice(const std::string& PortName, HANDLE& Device, bool& Pipe) {
    Device = INVALID_HANDLE_VALUE;
    Pipe = false;
    // "COM3" is the device \\.\COM3 (COM10 and above have no other name); a full device name
    // such as the demo's pipe is taken as it is.
    const std::string path =
        PortName.rfind(kDevicePrefix, 0) == 0 ? PortName : kDevicePrefix + PortName;
    for (int attempt = 0;; ++attempt) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            Device = h;
            Pipe = GetFileType(h) == FILE_TYPE_PIPE;
            return 0;
        }
        const DWORD error = GetLastError();
        // A pipe takes the next open a moment after the last one closed.
        if (error != ERROR_PIPE_BUSY || attempt == 3) return error;
        WaitNamedPipeA(path.c_str(), 500);
    }
}

bool TSerialDevice::GuiLoopWatchesInput() {
    // A COM handle is not a waitable "input ready" object: the event thread waits and hands over.
    return false;
}

TSerialDevice::TSerialDevice() : FImpl(std::make_unique<TImpl>()) {}

TSerialDevice::~TSerialDevice() {
    Close();
}

int TSerialDevice::Open(const std::string& PortName) {
    if (IsOpen()) return Code(ERROR_BUSY);
    HANDLE device = INVALID_HANDLE_VALUE;
    bool pipe = false;
    if (DWORD e = OpenCommDevice(PortName, device, pipe)) return Code(e);
    TImpl& d = *FImpl;
    d.Pipe = pipe;
    d.GoneError.store(0);
    d.Input.Clear();
    std::size_t ignored;
    d.Input.TakeErrors(ignored);
    d.WriteQueuedOrInputRoom.Clear();
    d.Wait.Pending = false;
    d.CommMask = kNoCommMask;
    d.Device.store(device);
    return 0;
}

void TSerialDevice::Close() {
    TImpl& d = *FImpl;
    HANDLE h = d.Device.exchange(INVALID_HANDLE_VALUE);
    if (h == INVALID_HANDLE_VALUE) return;
    const DWORD settle = d.Gone()
                             ? 0
                             : static_cast<DWORD>(std::min<std::int64_t>(
                                   std::max(d.WriteConstant, 0) +
                                       static_cast<std::int64_t>(std::max(d.WriteMultiplier, 0)) *
                                           static_cast<std::int64_t>(d.Output.PendingBytes()),
                                   kMaxSettleMs));
    d.Output.Finish(h, settle);
    if (!d.Pipe) {
        // Ends a pending event wait, and drops what the driver still holds.
        SetCommMask(h, 0);
        PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
    if (d.Wait.Pending) {
        AwaitRequest(h, d.Wait.Overlapped);
        d.Wait.Pending = !HasOverlappedIoCompleted(&d.Wait.Overlapped);
    }
    CloseHandle(h);
    d.Input.Clear();
}

bool TSerialDevice::IsOpen() const {
    return FImpl->Device.load() != INVALID_HANDLE_VALUE;
}

std::intptr_t TSerialDevice::Handle() const {
    HANDLE h = FImpl->Device.load();
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
}

int TSerialDevice::SetBuffers(std::int32_t InputSize, std::int32_t OutputSize) {
    HANDLE h = FImpl->Device.load();
    if (h == INVALID_HANDLE_VALUE) return Code(ERROR_INVALID_HANDLE);
    if (!FImpl->Pipe && !SetupComm(h, static_cast<DWORD>(std::max(InputSize, 0)),
                                   static_cast<DWORD>(std::max(OutputSize, 0))))
        return Code(GetLastError());
    FImpl->Input.SetCapacity(
        std::max(static_cast<std::size_t>(std::max(InputSize, 0)), kMinInputQueue));
    return 0;
}

int TSerialDevice::SetLine(const TDcb& Dcb) {
    HANDLE h = FImpl->Device.load();
    if (h == INVALID_HANDLE_VALUE) return Code(ERROR_INVALID_HANDLE);
    // A pipe has no line: its settings are those of whatever plays the device at the other end.
    if (!FImpl->Pipe) {
        DCB state = CommStateOf(Dcb);
        if (!SetCommState(h, &state)) return Code(GetLastError());
    }
    FImpl->DiscardNull.store(Dcb.Flag(DcbNull));
    FImpl->EventChar.store(Dcb.EvtChar);
    return 0;
}

int TSerialDevice::SetTimeouts(std::int32_t WriteTotalMultiplier, std::int32_t WriteTotalConstant) {
    HANDLE h = FImpl->Device.load();
    if (h == INVALID_HANDLE_VALUE) return Code(ERROR_INVALID_HANDLE);
    if (!FImpl->Pipe) {
        // Reads return at once with what has arrived: the event thread reads only after a wake.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 0;
        timeouts.WriteTotalTimeoutMultiplier = static_cast<DWORD>(WriteTotalMultiplier);
        timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(WriteTotalConstant);
        if (!SetCommTimeouts(h, &timeouts)) return Code(GetLastError());
    }
    FImpl->WriteConstant = WriteTotalConstant;
    FImpl->WriteMultiplier = WriteTotalMultiplier;
    return 0;
}

int TSerialDevice::ModemStatus(std::uint32_t& Status) const {
    Status = 0;
    HANDLE h = FImpl->Device.load();
    if (h == INVALID_HANDLE_VALUE) return Code(ERROR_INVALID_HANDLE);
    if (FImpl->Pipe) return 0;
    DWORD lines = 0;
    if (!GetCommModemStatus(h, &lines)) {
        const DWORD error = GetLastError();
        // A device without modem lines (some USB adapters) has them off.
        if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
            error == ERROR_INVALID_PARAMETER)
            return 0;
        return Code(error);
    }
    Status = lines & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
    return 0;
}

int TSerialDevice::Purge(bool Input, bool Output) {
    HANDLE h = FImpl->Device.load();
    if (h == INVALID_HANDLE_VALUE) return Code(ERROR_INVALID_HANDLE);
    if (Input) {
        // The driver first, so that nothing it held can reach the queue after the queue is
        // emptied.
        if (!FImpl->Pipe && !PurgeComm(h, PURGE_RXCLEAR)) return Code(GetLastError());
        FImpl->Input.Clear();
        FImpl->WriteQueuedOrInputRoom.Raise();  // in case the event thread waits for room
    }
    // Output: every byte still waiting belongs to a write request, and a purge does not abort
    // requests (callers purge before each write; clearing would cut off the previous one).
    (void)Output;
    return 0;
}

void TSerialDevice::AbortWrites() {
    // Every write is the driver's from the moment it starts; Close gives them their time.
}

int TSerialDevice::Write(const char* Data, std::size_t Count, std::size_t& Written) {
    Written = 0;
    TImpl& d = *FImpl;
    HANDLE h = d.Device.load();
    if (h == INVALID_HANDLE_VALUE) return Code(ERROR_INVALID_HANDLE);
    if (DWORD gone = d.GoneError.load()) return Code(gone);
    const DWORD e = d.Output.Start(h, Data, Count, Written);
    if (e != 0) {
        if (DeviceGoneError(e)) d.MarkGone(e);
        return Code(e);
    }
    // The event thread reaps it when it is done.
    if (Written < Count) d.WriteQueuedOrInputRoom.Raise();
    return 0;
}

std::size_t TSerialDevice::Read(char* Out, std::size_t Count) {
    return TakeInput(FImpl->Input, FImpl->WriteQueuedOrInputRoom, Out, Count);
}

int TSerialDevice::ClearErrors(std::uint32_t& Errors, std::size_t& InQueue, std::size_t& OutQueue) {
    Errors = 0;
    InQueue = OutQueue = 0;
    TImpl& d = *FImpl;
    HANDLE h = d.Device.load();
    if (h == INVALID_HANDLE_VALUE) return Code(ERROR_INVALID_HANDLE);
    DWORD flags = 0;
    if (!d.Pipe && !d.Gone()) {
        COMSTAT status{};
        if (!ClearCommError(h, &flags, &status)) {
            const DWORD error = GetLastError();
            // Pulled out: the event thread reports it; what was received is still delivered.
            if (!DeviceGoneError(error)) return Code(error);
            d.MarkGone(error);
            flags = CE_IOE;
        }
    }
    // The byte count is the port's queue, which the event thread has filled from the driver.
    Errors = d.Input.TakeErrors(InQueue) | flags;
    OutQueue = d.Output.PendingBytes();
    return 0;
}

std::size_t TSerialDevice::InputCount() const {
    return FImpl->Input.Count();
}
bool TSerialDevice::InputFull() const {
    return FImpl->Input.Room() == 0;
}
std::size_t TSerialDevice::OutputCount() const {
    return FImpl->Output.PendingBytes();
}

}  // namespace trimora

#include "serial/SerialDevice.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>

#include "serial/ComErrorFlags.h"
#include "serial/DeviceInput.h"
#include "serial/posix/PortPath.h"
#include "serial/posix/SerialDeviceImpl.h"
#include "serial/posix/TermiosLine.h"

namespace trimora {

namespace {
// The driver's own input buffer is 4 KiB; the port never keeps less.
constexpr std::size_t kMinInputQueue = 4096;
}  // namespace

void TSerialDevice::TImpl::MarkGone(int Errno) {
    int none = 0;
    GoneError.compare_exchange_strong(none, Errno != 0 ? Errno : EIO);
    Output.Clear();
}

TSerialDevice::TSerialDevice() : FImpl(std::make_unique<TImpl>()) {}

TSerialDevice::~TSerialDevice() {
    Close();
}

int TSerialDevice::Open(const std::string& PortName) {
    if (IsOpen()) return EBUSY;
    int fd = -1;
    if (int e = OpenTerminal(DevicePathForPort(PortName), fd)) return e;
    FImpl->SavedLine.Take(fd);
    FImpl->GoneError.store(0);
    FImpl->Input.Clear();
    std::size_t ignored;
    FImpl->Input.TakeErrors(ignored);
    FImpl->Output.Clear();
    FImpl->WriteQueuedOrInputRoom.Clear();
    FImpl->Fd.store(fd);
    return 0;
}

void TSerialDevice::Close() {
    int fd = FImpl->Fd.exchange(-1);
    if (fd < 0) return;
    FImpl->Output.Clear();
    CloseTerminal(fd, FImpl->GoneError.load() != 0 ? 0 : FImpl->WriteConstant,
                  FImpl->WriteMultiplier, FImpl->SavedLine);
    FImpl->Input.Clear();
}

bool TSerialDevice::IsOpen() const {
    return FImpl->Fd.load() >= 0;
}
std::intptr_t TSerialDevice::Handle() const {
    return FImpl->Fd.load();
}
bool TSerialDevice::GuiLoopWatchesInput() {
    return true;
}

int TSerialDevice::SetBuffers(std::int32_t InputSize, std::int32_t /*OutputSize*/) {
    // Output needs no buffer of its own: writes keep their bytes until the device takes them.
    if (!IsOpen()) return EBADF;
    FImpl->Input.SetCapacity(
        std::max(static_cast<std::size_t>(std::max(InputSize, 0)), kMinInputQueue));
    return 0;
}

int TSerialDevice::SetLine(const TDcb& Dcb) {
    int fd = FImpl->Fd.load();
    if (fd < 0) return EBADF;
    termios current{};
    if (::tcgetattr(fd, &current) != 0) return errno;
    TTermiosLine line;
    if (int e = MakeTermiosLine(Dcb, current, line)) return e;
    if (int e = ApplyTermiosLine(fd, line)) return e;
    FImpl->DiscardNull.store(Dcb.Flag(DcbNull));
    FImpl->EventChar.store(Dcb.EvtChar);
    return 0;
}

int TSerialDevice::SetTimeouts(std::int32_t WriteTotalMultiplier, std::int32_t WriteTotalConstant) {
    // Reads take what the input queue holds and never wait, which is what the read time-outs
    // ask for (interval -1, totals 0); other read time-outs have no effect here.
    if (!IsOpen()) return EBADF;
    FImpl->WriteConstant = WriteTotalConstant;
    FImpl->WriteMultiplier = WriteTotalMultiplier;
    FImpl->Output.SetTimeouts(WriteTotalConstant, WriteTotalMultiplier);
    return 0;
}

int TSerialDevice::ModemStatus(std::uint32_t& Status) const {
    Status = 0;
    int fd = FImpl->Fd.load();
    if (fd < 0) return EBADF;
    int lines = 0;
    if (::ioctl(fd, TIOCMGET, &lines) != 0) {
        if (errno == ENOTTY || errno == EINVAL) return 0;
        return errno;
    }
    if (lines & TIOCM_CTS) Status |= MS_CTS_ON;
    if (lines & TIOCM_DSR) Status |= MS_DSR_ON;
    if (lines & TIOCM_RI) Status |= MS_RING_ON;
    if (lines & TIOCM_CD) Status |= MS_RLSD_ON;
    return 0;
}

int TSerialDevice::Purge(bool Input, bool Output) {
    int fd = FImpl->Fd.load();
    if (fd < 0) return EBADF;
    if (Input) {
        // The driver first, so that nothing it held can reach the queue after the queue is
        // emptied.
        if (::tcflush(fd, TCIFLUSH) != 0) return errno;
        FImpl->Input.Clear();
        FImpl->WriteQueuedOrInputRoom.Raise();  // in case the event thread waits for room
    }
    // Output: every byte still waiting belongs to a write request, and a purge does not abort
    // requests, so there is nothing to discard. (Flushing the driver here would cut off the
    // previous write, since callers purge before each write.)
    (void)Output;
    return 0;
}

void TSerialDevice::AbortWrites() {
    FImpl->Output.Clear();
}

int TSerialDevice::Write(const char* Data, std::size_t Count, std::size_t& Written) {
    Written = 0;
    int fd = FImpl->Fd.load();
    if (fd < 0) return EBADF;
    if (int gone = FImpl->GoneError.load()) return gone;
    bool queued = false;
    int e = FImpl->Output.Submit(fd, Data, Count, Written, queued);
    if (e != 0) {
        if (DeviceGoneError(e)) FImpl->MarkGone(e);
        return e;
    }
    if (queued) FImpl->WriteQueuedOrInputRoom.Raise();
    return 0;
}

std::size_t TSerialDevice::Read(char* Out, std::size_t Count) {
    return TakeInput(FImpl->Input, FImpl->WriteQueuedOrInputRoom, Out, Count);
}

int TSerialDevice::ClearErrors(std::uint32_t& Errors, std::size_t& InQueue, std::size_t& OutQueue) {
    Errors = 0;
    InQueue = OutQueue = 0;
    if (!IsOpen()) return EBADF;
    Errors = FImpl->Input.TakeErrors(InQueue);
    OutQueue = FImpl->Output.PendingBytes();
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

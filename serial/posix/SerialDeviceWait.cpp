#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "serial/DeviceInput.h"
#include "serial/posix/SerialDeviceImpl.h"

namespace trimora {

namespace {
// Moves what the device holds into the input queue, as far as it has room. Returns false when
// the device has hung up or failed.
bool Drain(TSerialDevice::TImpl& d, int fd, TComEvents& events) {
    TInputFill fill(d.Input, d.DiscardNull.load(), d.EventChar.load());
    bool alive = true;
    for (;;) {
        const std::size_t room = ReadRoom(d.Input, sizeof d.ReadBuffer);
        if (room == 0) break;
        ssize_t n = ::read(fd, d.ReadBuffer, room);
        if (n > 0) {
            fill.Take(d.ReadBuffer, static_cast<std::size_t>(n));
            // A short read emptied the driver; poll() tells when more comes.
            if (static_cast<std::size_t>(n) < room) break;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // End of file (a hung-up line) or an error such as EIO, ENXIO, ENODEV: the device is
        // gone (a dongle pulled out, a pseudo-terminal's master closed).
        d.MarkGone(n == 0 ? EIO : errno);
        alive = false;
        break;
    }
    events = events | fill.Events();
    return alive;
}

}  // namespace

TDeviceFindings TSerialDevice::ReadInput(TComEvents Mask) {
    TImpl& d = *FImpl;
    TDeviceFindings found;
    const int fd = d.Fd.load();
    // Gone already: whoever found that out has reported it.
    if (fd < 0 || d.GoneError.load() != 0) {
        found.Ended = true;
        return found;
    }
    TComEvents events;
    bool alive = Drain(d, fd, events);
    if (alive && events.Empty() && d.Input.Room() > 0) {
        // Woken with nothing to read: a line that hung up without an end of file would keep
        // the waiter's descriptor ready for ever.
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            d.MarkGone(EIO);
            alive = false;
        }
    }
    return FindingsOf(d.Input, events, alive, Mask);
}

TDeviceFindings TSerialDevice::WaitForEvents(const TWakeSignal& Quit, TComEvents Mask,
                                             bool ReadsInput) {
    TImpl& d = *FImpl;
    const int fd = d.Fd.load();
    const bool readInput = ReadsInput && !Mask.Empty();
    TDeviceFindings found;
    for (;;) {
        // A full input queue waits for the GUI thread's read, which raises WriteQueuedOrInputRoom.
        const bool wantInput = readInput && d.Input.Room() > 0;
        // When another thread reads, the device matters here only while writes wait for it.
        const bool watchDevice = readInput || !d.Output.Empty();
        pollfd fds[3] = {
            {static_cast<int>(Quit.Handle()), POLLIN, 0},
            {watchDevice ? fd : -1,
             static_cast<short>((wantInput ? POLLIN : 0) | (d.Output.Empty() ? 0 : POLLOUT)), 0},
            {static_cast<int>(d.WriteQueuedOrInputRoom.Handle()), POLLIN, 0},
        };
        int timeout = d.Output.MsUntilDeadline(TWriteFifo::Clock::now());
        int ready = ::poll(fds, 3, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            found.Ended = true;  // a wait that cannot be made cannot be repeated either
            return found;
        }
        if (fds[0].revents != 0) {
            found.Quit = true;
            return found;
        }
        if (fds[2].revents != 0) d.WriteQueuedOrInputRoom.Clear();

        TComEvents events;
        bool alive = true;
        const short seen = fds[1].revents;
        if (!d.Output.Empty()) {
            bool emptied = false;
            if (int e = d.Output.Service(fd, TWriteFifo::Clock::now(), emptied)) {
                d.MarkGone(e);
                alive = false;
            }
            if (emptied) events.Include(evTxEmpty);
        }
        if (readInput && (seen & (POLLIN | POLLHUP | POLLERR)) != 0)
            alive = Drain(d, fd, events) && alive;
        if ((seen & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            d.MarkGone(EIO);
            alive = false;
        }
        found = FindingsOf(d.Input, events, alive, Mask);
        if (!found.Events.Empty() || found.Ended) return found;
    }
}

}  // namespace trimora

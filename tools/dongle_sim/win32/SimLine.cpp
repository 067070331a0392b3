#include "tools/dongle_sim/SimLine.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace trimora::sim {

namespace {

constexpr DWORD PipeBufferBytes = 64 * 1024;

// One overlapped operation with its own event, so that a wait can name it.
struct Overlapped {
    OVERLAPPED Ov{};
    bool Pending = false;
    Overlapped() { Ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() { CloseHandle(Ov.hEvent); }
    bool Completed() const { return Pending && HasOverlappedIoCompleted(&Ov); }
    void Reset() {
        ResetEvent(Ov.hEvent);
        Ov.Internal = Ov.InternalHigh = 0;
        Ov.Offset = Ov.OffsetHigh = 0;
    }
};

}  // namespace

// The server end of a named pipe with one instance: the host opens it by name as it would open
// a COM port, alone. A host that closes its end leaves the line up for the next open, as a
// serial device does; Close takes the line away, which the host sees as the dongle unplugged.
struct SimLine::TImpl {
    HANDLE Wake = nullptr;
    HANDLE Pipe = INVALID_HANDLE_VALUE;
    std::string Name;
    bool Connected = false;
    Overlapped Connect, Reading, Writing;
    char ReadBuffer[4096];
    DWORD ReadCount = 0, ReadTaken = 0;
    std::string WriteBuffer;
    std::uint64_t Opens = 0;

    void Listen();
    void HostLeft();
    void StartRead();
    void Settle();  // takes in what the operations under way have finished
    void CancelAll();
};

void SimLine::TImpl::Listen() {
    Connected = false;
    Connect.Reset();
    if (ConnectNamedPipe(Pipe, &Connect.Ov)) {
        Connected = true;
    } else {
        const DWORD error = GetLastError();
        if (error == ERROR_PIPE_CONNECTED) Connected = true;
        Connect.Pending = error == ERROR_IO_PENDING;
    }
    if (Connected) StartRead();
}

void SimLine::TImpl::HostLeft() {
    // Whatever was under way for this host is of no use to the next one.
    CancelAll();
    DisconnectNamedPipe(Pipe);
    ReadCount = ReadTaken = 0;
    Listen();
}

void SimLine::TImpl::StartRead() {
    ReadCount = ReadTaken = 0;
    Reading.Reset();
    if (ReadFile(Pipe, ReadBuffer, sizeof ReadBuffer, nullptr, &Reading.Ov) ||
        GetLastError() == ERROR_IO_PENDING) {
        Reading.Pending = true;
        return;
    }
    HostLeft();
}

void SimLine::TImpl::Settle() {
    DWORD count = 0;
    if (Connect.Completed()) {
        Connect.Pending = false;
        Connected = GetOverlappedResult(Pipe, &Connect.Ov, &count, FALSE) != FALSE;
        if (Connected) StartRead();
    }
    if (Writing.Completed()) {
        Writing.Pending = false;
        if (!GetOverlappedResult(Pipe, &Writing.Ov, &count, FALSE)) HostLeft();
    }
    if (Reading.Completed()) {
        Reading.Pending = false;
        if (GetOverlappedResult(Pipe, &Reading.Ov, &count, FALSE))
            ReadCount = count, ReadTaken = 0;
        else
            HostLeft();
    }
}

void SimLine::TImpl::CancelAll() {
    if (Pipe == INVALID_HANDLE_VALUE) return;
    CancelIo(Pipe);
    DWORD ignored = 0;
    // The buffers stay in use until the cancelled operations have ended.
    for (Overlapped* op : {&Connect, &Reading, &Writing}) {
        if (op->Pending) GetOverlappedResult(Pipe, &op->Ov, &ignored, TRUE);
        op->Pending = false;
    }
}

SimLine::SimLine() : FImpl(std::make_unique<TImpl>()) {}

SimLine::~SimLine() {
    Close();
    if (FImpl->Wake != nullptr) CloseHandle(FImpl->Wake);
}

bool SimLine::CreateWake(std::string& Error) {
    FImpl->Wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (FImpl->Wake != nullptr) return true;
    Error = "CreateEvent failed";
    return false;
}

void SimLine::Wake() {
    if (FImpl->Wake != nullptr) SetEvent(FImpl->Wake);
}

bool SimLine::Open(std::string& Error) {
    Close();
    TImpl& line = *FImpl;
    // A name of this process's own, fresh at every plug-in.
    line.Name = "\\\\.\\pipe\\trimora-dongle-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(reinterpret_cast<std::uintptr_t>(&line)) + "-" +
                std::to_string(++line.Opens);
    line.Pipe = CreateNamedPipeA(
        line.Name.c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        PipeBufferBytes, PipeBufferBytes, 0, nullptr);
    if (line.Pipe == INVALID_HANDLE_VALUE) {
        Error = "CreateNamedPipe " + line.Name + " failed (" + std::to_string(GetLastError()) + ")";
        line.Name.clear();
        return false;
    }
    line.Listen();
    return true;
}

void SimLine::Close() {
    TImpl& line = *FImpl;
    if (line.Pipe == INVALID_HANDLE_VALUE) return;
    line.CancelAll();
    CloseHandle(line.Pipe);
    line.Pipe = INVALID_HANDLE_VALUE;
    line.Connected = false;
    line.ReadCount = line.ReadTaken = 0;
    line.Name.clear();
}

bool SimLine::IsOpen() const {
    return FImpl->Pipe != INVALID_HANDLE_VALUE;
}

const std::string& SimLine::HostPath() const {
    return FImpl->Name;
}

SimLine::Readiness SimLine::Wait(bool WantOutput, std::optional<std::uint64_t> TimeoutNs) {
    TImpl& line = *FImpl;
    const auto readiness = [&] {
        Readiness ready;
        if (!IsOpen()) return ready;
        line.Settle();
        ready.Input = line.Connected && line.ReadTaken < line.ReadCount;
        ready.Output = WantOutput && line.Connected && !line.Writing.Pending;
        return ready;
    };
    Readiness ready = readiness();
    if (!ready.Input && !ready.Output) {
        HANDLE handles[4] = {line.Wake};
        DWORD count = 1;
        if (IsOpen()) {
            for (Overlapped* op : {&line.Connect, &line.Reading})
                if (op->Pending) handles[count++] = op->Ov.hEvent;
            if (WantOutput && line.Writing.Pending) handles[count++] = line.Writing.Ov.hEvent;
        }
        DWORD ms = INFINITE;
        // Rounded up: a deadline must not be woken for before it is due.
        if (TimeoutNs)
            ms = static_cast<DWORD>(
                std::min<std::uint64_t>((*TimeoutNs + 999999) / 1000000, INFINITE - 1));
        WaitForMultipleObjects(count, handles, FALSE, ms);
        ready = readiness();
    }
    ResetEvent(line.Wake);
    return ready;
}

SimLine::Io SimLine::Read(char* Buffer, std::size_t Size, std::size_t& Count) {
    TImpl& line = *FImpl;
    Count = 0;
    if (!IsOpen()) return Io::Ended;
    line.Settle();
    if (line.ReadTaken >= line.ReadCount) return Io::WouldBlock;
    Count = std::min<std::size_t>(Size, line.ReadCount - line.ReadTaken);
    std::memcpy(Buffer, line.ReadBuffer + line.ReadTaken, Count);
    line.ReadTaken += static_cast<DWORD>(Count);
    if (line.ReadTaken >= line.ReadCount && line.Connected && !line.Reading.Pending)
        line.StartRead();
    return Io::Done;
}

SimLine::Io SimLine::Write(const char* Data, std::size_t Size, std::size_t& Count) {
    TImpl& line = *FImpl;
    Count = 0;
    if (!IsOpen()) return Io::Ended;
    line.Settle();
    // Until a host opens the line, what the dongle sends waits for it, as in a device's buffer.
    if (!line.Connected || line.Writing.Pending) return Io::WouldBlock;
    line.WriteBuffer.assign(Data, std::min<std::size_t>(Size, PipeBufferBytes));
    line.Writing.Reset();
    if (WriteFile(line.Pipe, line.WriteBuffer.data(), static_cast<DWORD>(line.WriteBuffer.size()),
                  nullptr, &line.Writing.Ov) ||
        GetLastError() == ERROR_IO_PENDING) {
        line.Writing.Pending = true;
        Count = line.WriteBuffer.size();
        return Io::Done;
    }
    line.HostLeft();
    return Io::WouldBlock;
}

}  // namespace trimora::sim

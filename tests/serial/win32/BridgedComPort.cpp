#include "tests/serial/win32/BridgedComPort.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

namespace trimora::test {

namespace {

struct Winsock {
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
};

// The bridge's "host:port".
std::string BridgeAddress() {
    const char* value = std::getenv("TRIMORA_COM_BRIDGE");
    return value != nullptr ? value : "";
}

// One line of the bridge's answer, without its end.
std::string ReadLine(SOCKET s) {
    std::string line;
    char c;
    while (recv(s, &c, 1, 0) == 1 && c != '\n') line += c;
    return line;
}

}  // namespace

bool BridgedComPort::Available() {
    return !BridgeAddress().empty();
}

BridgedComPort::BridgedComPort(int Number) : FNumber(Number) {
    static Winsock winsock;
    Replug();
}

BridgedComPort::~BridgedComPort() {
    Unplug();
}

bool BridgedComPort::Connect(const std::string& Request, std::uintptr_t& Socket,
                             std::string& Reply) const {
    Socket = kNoSocket;
    const std::string address = BridgeAddress();
    const std::size_t colon = address.rfind(':');
    if (colon == std::string::npos) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints,
                    &found) != 0)
        return false;
    SOCKET s = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    const bool connected =
        s != INVALID_SOCKET && connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
    freeaddrinfo(found);
    if (!connected) {
        if (s != INVALID_SOCKET) closesocket(s);
        return false;
    }
    const BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    const std::string line = Request + "\n";
    send(s, line.data(), static_cast<int>(line.size()), 0);
    Reply = ReadLine(s);
    Socket = s;
    return true;
}

bool BridgedComPort::Replug() {
    Unplug();
    FError.clear();
    std::uintptr_t s = kNoSocket;
    std::string reply;
    if (!Connect(Name(), s, reply)) {
        FError = "no bridge at TRIMORA_COM_BRIDGE=" + BridgeAddress();
        return false;
    }
    if (reply.rfind("ok ", 0) != 0) {
        FError = "the bridge refused " + Name() + ": " + reply;
        closesocket(s);
        return false;
    }
    FSocket = s;
    return true;
}

void BridgedComPort::Unplug() {
    if (FSocket == kNoSocket) return;
    closesocket(FSocket);
    FSocket = kNoSocket;
    // The bridge removes the port once it has seen the close; a line query tells when.
    for (int i = 0; i < 200 && LineSettings().rfind("error", 0) != 0; ++i) Sleep(10);
}

bool BridgedComPort::Send(const std::string& Bytes) {
    if (FSocket == kNoSocket) return false;
    std::size_t sent = 0;
    while (sent < Bytes.size()) {
        const int n = send(FSocket, Bytes.data() + sent, static_cast<int>(Bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string BridgedComPort::Receive(std::size_t Count, std::chrono::milliseconds Timeout) {
    std::string got;
    if (FSocket == kNoSocket) return got;
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (got.size() < Count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(FSocket, &readable);
        timeval wait{static_cast<long>(left.count() / 1000),
                     static_cast<long>((left.count() % 1000) * 1000)};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) break;
        char buffer[4096];
        const int n =
            recv(FSocket, buffer,
                 static_cast<int>(std::min<std::size_t>(sizeof buffer, Count - got.size())), 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string BridgedComPort::LineSettings() const {
    std::uintptr_t s = kNoSocket;
    std::string reply;
    if (!Connect("LINE " + Name(), s, reply)) return "error no bridge";
    closesocket(s);
    return reply.rfind("ok ", 0) == 0 ? reply.substr(3) : reply;
}

}  // namespace trimora::test

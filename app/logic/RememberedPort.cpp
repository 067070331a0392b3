#include "app/logic/RememberedPort.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "protocol/PortSearchOrder.h"
#include "protocol/WirelessProtocol.h"
#include "serial/ComPort.h"
#include "serial/PortDetails.h"

// What both platforms' files share: which files are read at all, which values name a port, and
// when a found port is worth writing down. Where the file lives and how it is parsed and written
// is each platform's own.
namespace trimora {

namespace {

// Far beyond what this program writes there; parsing a larger file took seconds per 10 MB.
constexpr std::uintmax_t kMaxFileBytes = 64 * 1024;

}  // namespace

TRememberedPort::TRememberedPort(std::string File) : FFile(std::move(File)) {}

std::string TRememberedPort::Unreadable() const {
    // A FIFO would hold the start-up for good, a device such as /dev/zero never end.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(FFile, error);
    if (error || !std::filesystem::exists(status)) return {};
    if (!std::filesystem::is_regular_file(status)) return FFile + " is not a plain file: ignored";
    const std::uintmax_t size = std::filesystem::file_size(FFile, error);
    if (!error && size > kMaxFileBytes)
        return FFile + " is larger than " + std::to_string(kMaxFileBytes / 1024) + " KiB: ignored";
    return {};
}

std::string TRememberedPort::PlainName(std::string Value) {
    // A NUL would cut the name short where it is opened.
    return Value.find('\0') == std::string::npos ? Value : std::string();
}

void RememberFoundPort(const TVelnWirelessProtocol& Protocol, const TRememberedPort& Memory) {
    if (!Protocol.Connected() || Protocol.Port() == nullptr) return;
    const std::string port = StablePortName(Protocol.Port()->Port());
    if (!WorthRemembering(port) || port == Memory.Load()) return;
    std::string error;
    if (!Memory.Store(port, error))
        std::fprintf(stderr, "trimora: %s: the port is not remembered\n", error.c_str());
}

}  // namespace trimora

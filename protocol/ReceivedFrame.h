#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trimora {

// Read access to a received frame. It keeps its own copy of the bytes: an event handler may pump
// messages and let the framer reuse the buffer the frame came from.
class TReceivedFrame {
  public:
    explicit TReceivedFrame(std::string Bytes) : FBytes(std::move(Bytes)) {}

    const std::string& Bytes() const { return FBytes; }
    std::uint8_t Command() const { return Byte(1); }
    std::uint8_t ConsoleId() const { return Byte(2); }
    std::uint8_t DataLength() const { return Byte(3); }

    // Data byte K, D0 being the first. A byte that the data field does not hold reads as 0:
    // nothing is ever read beyond the data field, whatever the message expects.
    std::uint8_t Data(std::size_t K) const {
        const std::size_t inFrame = FBytes.size() >= 6 ? FBytes.size() - 6 : 0;
        return K < DataLength() && K < inFrame ? Byte(4 + K) : 0;
    }

  private:
    std::uint8_t Byte(std::size_t I) const {
        return I < FBytes.size() ? static_cast<std::uint8_t>(FBytes[I]) : 0;
    }

    std::string FBytes;
};

}  // namespace trimora

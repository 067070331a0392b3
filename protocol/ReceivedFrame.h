#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/DongleFrames.h"

namespace trimora {

// Read access to a received frame, in place: the caller's string must stay as it is while the
// frame is handled. The framer hands each frame over in a string of its own, which no handler can
// reach, so no copy is needed even when a handler pumps and the framer cuts more frames meanwhile.
class TReceivedFrame {
  public:
    explicit TReceivedFrame(const std::string& Bytes)
        : FDataInFrame(DataInFrame(Bytes)), FBytes(Bytes) {}
    TReceivedFrame(const TReceivedFrame&) = delete;
    TReceivedFrame& operator=(const TReceivedFrame&) = delete;

    const std::string& Bytes() const { return FBytes; }
    std::uint8_t Command() const { return Byte(kFrameCommandAt); }
    std::uint8_t ConsoleId() const { return Byte(kFrameIdAt); }
    std::uint8_t DataLength() const { return Byte(kFrameLengthAt); }

    // Data byte K, D0 being the first. A byte that the data field does not hold reads as 0:
    // nothing is ever read beyond the data field, whatever the message expects.
    std::uint8_t Data(std::size_t K) const {
        return K < FDataInFrame ? static_cast<std::uint8_t>(FBytes[kFrameDataAt + K]) : 0;
    }

  private:
    // The data bytes that both the length byte and the frame hold.
    static std::size_t DataInFrame(const std::string& B) {
        if (B.size() < kFrameOverhead) return 0;
        return std::min<std::size_t>(static_cast<std::uint8_t>(B[kFrameLengthAt]),
                                     B.size() - kFrameOverhead);
    }
    std::uint8_t Byte(std::size_t I) const {
        return I < FBytes.size() ? static_cast<std::uint8_t>(FBytes[I]) : 0;
    }

    std::size_t FDataInFrame;
    const std::string& FBytes;
};

}  // namespace trimora

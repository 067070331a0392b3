#include "protocol/DongleFrames.h"

namespace trimora {

std::string OutboundFrame(std::uint8_t Command, std::uint8_t Id, std::string_view Data) {
    std::string frame;
    frame.reserve(Data.size() + kFrameOverhead);
    frame += static_cast<char>(kFrameStart);
    frame += static_cast<char>(Command);
    frame += static_cast<char>(Id);
    frame += static_cast<char>(static_cast<std::uint8_t>(Data.size()));
    frame += Data;
    frame += '\0';  // reserved
    frame += static_cast<char>(kFrameEnd);
    return frame;
}

}  // namespace trimora

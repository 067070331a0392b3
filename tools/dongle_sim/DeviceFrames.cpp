#include "tools/dongle_sim/DeviceFrames.h"

namespace trimora::sim {

std::string MakeFrame(std::uint8_t Command, std::uint8_t Id, const std::string& Data) {
    // The layout is the one the program sends in; the length byte holds at most 255.
    return OutboundFrame(Command, Id, std::string_view(Data).substr(0, 255));
}

std::string MakeMeasureFrame(std::uint8_t Id, const MeasureData& Measure) {
    std::string data;
    data += static_cast<char>(Measure.RawSpeed >> 8);
    data += static_cast<char>(Measure.RawSpeed & 0xFF);
    data += static_cast<char>(Measure.HeartRate);
    data += static_cast<char>(Measure.Aux);
    data += static_cast<char>(Measure.Keys);
    return MakeFrame(cmd::kMeasure, Id, data);
}

}  // namespace trimora::sim

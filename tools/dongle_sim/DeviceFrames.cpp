#include "tools/dongle_sim/DeviceFrames.h"

namespace trimora::sim {

std::string MakeFrame(std::uint8_t Command, std::uint8_t Id, const std::string& Data) {
    const std::string data = Data.substr(0, 255);
    std::string frame;
    frame.reserve(data.size() + 6);
    frame += static_cast<char>(kFrameStart);
    frame += static_cast<char>(Command);
    frame += static_cast<char>(Id);
    frame += static_cast<char>(data.size());
    frame += data;
    frame += '\0';
    frame += static_cast<char>(kFrameEnd);
    return frame;
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

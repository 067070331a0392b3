#pragma once

#include <istream>
#include <string>
#include <vector>

#include "tools/dongle_sim/SimConfig.h"

namespace trimora::sim {

// The frames a trace file (trimora --trace) shows the dongle sending, timed for playback. Each
// line of the file is the time of day ("14:02:33.125 ") and a trace line; the dongle's frames are
// the lines "<-" + hex text + description. Time zero is the host frame ("->") just before the
// dongle's first frame: the request it answered, which the host sends again when it replays.
// Lines of any other form are passed over; the time of day may pass midnight, and a line
// stamped a little earlier than the one before it counts as sent at the same time. False, with
// Error set, when the file cannot be read or shows no frame from the dongle.
bool ReadTraceForReplay(std::istream& In, std::vector<ReplayFrame>& Frames, std::string& Error);
bool LoadTraceForReplay(const std::string& Path, std::vector<ReplayFrame>& Frames,
                        std::string& Error);

}  // namespace trimora::sim

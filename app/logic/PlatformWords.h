#pragma once

#include <string_view>

namespace trimora {

// What the program says in its platform's own words. The options, their rules and the rest of
// each text are shared. A '\n' in a text starts a new line there.
struct TPlatformWords {
    std::string_view PortExamples;  // port names as --port takes them: "COM7"
    // What the --trace file is for, after "each line with the time of day".
    std::string_view TraceUse;
    // After "Press d in the window to show its text pane.": what else ends the program as
    // the operator's closing of the window does, so that the dongle is still told.
    std::string_view OtherEnds;
    std::string_view InstanceScope;  // where a second start finds the first: "on this display"
};

}  // namespace trimora

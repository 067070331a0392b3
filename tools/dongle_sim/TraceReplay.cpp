#include "tools/dongle_sim/TraceReplay.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#include "protocol/FrameCodec.h"

namespace trimora::sim {

namespace {

constexpr std::uint64_t kMsPerDay = 24ull * 60 * 60 * 1000;

// "HH:MM:SS.mmm " at the start of Line, as milliseconds since midnight.
std::optional<std::uint64_t> TimeOfDayMs(const std::string& Line) {
    if (Line.size() < 13 || Line[2] != ':' || Line[5] != ':' || Line[8] != '.' || Line[12] != ' ')
        return std::nullopt;
    std::uint64_t fields[4] = {};
    const int starts[4] = {0, 3, 6, 9}, widths[4] = {2, 2, 2, 3};
    for (int f = 0; f < 4; ++f)
        for (int i = 0; i < widths[f]; ++i) {
            const char c = Line[starts[f] + i];
            if (c < '0' || c > '9') return std::nullopt;
            fields[f] = fields[f] * 10 + static_cast<std::uint64_t>(c - '0');
        }
    if (fields[0] > 23 || fields[1] > 59 || fields[2] > 60) return std::nullopt;
    return ((fields[0] * 60 + fields[1]) * 60 + fields[2]) * 1000 + fields[3];
}

int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// The frame of a trace line's text "<-" / "->" + hex + description, if it is a whole one.
std::optional<std::string> TracedFrame(const std::string& Text, const char* Mark) {
    if (Text.rfind(Mark, 0) != 0) return std::nullopt;
    std::string bytes;
    std::size_t i = 2;
    for (; i + 1 < Text.size() && HexDigit(Text[i]) >= 0 && HexDigit(Text[i + 1]) >= 0; i += 2)
        bytes += static_cast<char>(HexDigit(Text[i]) * 16 + HexDigit(Text[i + 1]));
    if (i < Text.size() && HexDigit(Text[i]) >= 0) return std::nullopt;  // an odd digit
    if (!IsValidFrame(bytes)) return std::nullopt;
    return bytes;
}

}  // namespace

bool ReadTraceForReplay(std::istream& In, std::vector<ReplayFrame>& Frames, std::string& Error) {
    Frames.clear();
    std::optional<std::uint64_t> lastHostMs, zeroMs, latestTime;
    std::uint64_t previous = 0;
    std::string line;
    while (std::getline(In, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::optional<std::uint64_t> time = TimeOfDayMs(line);
        if (!time) continue;
        // The step from the latest time of day, on a clock face of one day: forward up to half
        // a day is time passing (midnight included); the rest is a little back (the clock set
        // back, lines of two writers interleaved, on either side of midnight), no time passing.
        std::uint64_t at = previous;
        const std::uint64_t step =
            latestTime ? (*time + kMsPerDay - *latestTime) % kMsPerDay : *time;
        if (!latestTime || step <= kMsPerDay / 2) {
            at = previous + step;
            latestTime = time;
        }
        previous = at;
        const std::string text = line.substr(13);
        if (TracedFrame(text, "->")) {
            lastHostMs = at;
            continue;
        }
        const std::optional<std::string> frame = TracedFrame(text, "<-");
        if (!frame) continue;
        if (!zeroMs) zeroMs = lastHostMs ? *lastHostMs : at;
        Frames.push_back({at - *zeroMs, *frame});
    }
    if (In.bad()) {
        Error = "cannot read the trace";
        return false;
    }
    if (Frames.empty()) {
        Error = "the trace shows no frame from the dongle";
        return false;
    }
    return true;
}

bool LoadTraceForReplay(const std::string& Path, std::vector<ReplayFrame>& Frames,
                        std::string& Error) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) {
        Error = "cannot open " + Path + ": " + std::strerror(errno);
        return false;
    }
    if (!ReadTraceForReplay(in, Frames, Error)) {
        Error = Path + ": " + Error;
        return false;
    }
    return true;
}

}  // namespace trimora::sim

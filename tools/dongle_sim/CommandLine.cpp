#include "tools/dongle_sim/CommandLine.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <sstream>

#include "runtime/OptionTable.h"
#include "tools/dongle_sim/ConsoleCommands.h"

namespace trimora::sim {

bool ParseUnsigned(const std::string& Text, std::uint32_t& Value) {
    const char* end = Text.data() + Text.size();
    auto [ptr, ec] = std::from_chars(Text.data(), end, Value);
    return !Text.empty() && ec == std::errc() && ptr == end;
}

bool ParseHexByte(const std::string& Text, std::uint8_t& Value) {
    std::string digits = Text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    unsigned v = 0;
    const char* end = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), end, v, 16);
    if (digits.empty() || ec != std::errc() || ptr != end || v > 0xFF) return false;
    Value = static_cast<std::uint8_t>(v);
    return true;
}

bool ParseKmh(const std::string& Text, double& Value) {
    const char* end = Text.data() + Text.size();
    double v = 0;
    auto [ptr, ec] = std::from_chars(Text.data(), end, v);
    if (Text.empty() || ec != std::errc() || ptr != end || !std::isfinite(v) || v < 0 || v > 500)
        return false;
    Value = v;
    return true;
}

bool ParseConsoleId(const std::string& Text, std::uint8_t& Value) {
    std::uint32_t v = 0;
    if (!ParseUnsigned(Text, v) || !IsUsableConsoleId(v)) return false;
    Value = static_cast<std::uint8_t>(v);
    return true;
}

namespace {

std::vector<std::string> Split(const std::string& Text, char Separator) {
    std::vector<std::string> parts;
    std::stringstream in(Text);
    std::string part;
    while (std::getline(in, part, Separator)) parts.push_back(part);
    if (!Text.empty() && Text.back() == Separator) parts.push_back("");
    return parts;
}

bool ParseHex24(const std::string& Text, std::uint32_t& Value) {
    const char* end = Text.data() + Text.size();
    auto [ptr, ec] = std::from_chars(Text.data(), end, Value, 16);
    return !Text.empty() && ec == std::errc() && ptr == end && Value <= 0xFFFFFF;
}

// Options that take a value: each applies it to the options or says it is bad.
using Setter = std::function<bool(CliOptions&, const std::string&)>;

template <typename Apply>
Setter UnsignedSetter(Apply apply) {
    return [apply](CliOptions& o, const std::string& v) {
        std::uint32_t n = 0;
        if (!ParseUnsigned(v, n)) return false;
        apply(o, n);
        return true;
    };
}

template <typename Apply>
Setter ProfileSetter(Apply apply) {
    return [apply](CliOptions& o, const std::string& v) { return apply(v, o.Console.Profile); };
}

std::vector<ConsoleConfig> JoiningConsoles(const CliOptions& Options) {
    std::vector<ConsoleConfig> consoles;
    for (std::uint8_t id : Options.ConsoleIds) {
        ConsoleConfig c = Options.Console;
        c.Id = id;
        c.Serial = 0x00A000 + id;
        consoles.push_back(c);
    }
    return consoles;
}

const std::map<std::string, Setter>& ValueOptions() {
    static const std::map<std::string, Setter> options = {
        {"--link",
         [](CliOptions& o, const std::string& v) {
             o.Config.LinkPath = v;
             return !v.empty();
         }},
        {"--consoles",
         [](CliOptions& o, const std::string& v) {
             o.ConsoleIds.clear();
             if (v == "none") return true;
             if (v.empty()) return false;
             for (const std::string& part : Split(v, ',')) {
                 std::uint8_t id = 0;
                 if (!ParseConsoleId(part, id)) return false;
                 o.ConsoleIds.push_back(id);
             }
             return true;
         }},
        {"--join-delay",
         UnsignedSetter([](CliOptions& o, std::uint32_t n) { o.Console.JoinDelayMs = n; })},
        {"--interval",
         UnsignedSetter([](CliOptions& o, std::uint32_t n) { o.Config.MeasureIntervalMs = n; })},
        {"--speed", ProfileSetter([](const std::string& v, SpeedProfile& p) {
             double kmh = 0;
             if (!ParseKmh(v, kmh)) return false;
             p = SpeedProfile::Constant(kmh);
             return true;
         })},
        {"--ramp", ProfileSetter([](const std::string& v, SpeedProfile& p) {
             const auto parts = Split(v, ':');
             double from = 0, to = 0;
             std::uint32_t ms = 0;
             if (parts.size() != 3 || !ParseKmh(parts[0], from) || !ParseKmh(parts[1], to) ||
                 !ParseUnsigned(parts[2], ms))
                 return false;
             p = SpeedProfile::Ramp(from, to, ms);
             return true;
         })},
        {"--steps", ProfileSetter([](const std::string& v, SpeedProfile& p) {
             std::uint32_t ms = 0;
             if (!ParseUnsigned(v, ms) || ms == 0) return false;
             p = SpeedProfile::Steps({20.0, 30.0, 40.0}, ms);
             return true;
         })},
        {"--lag",
         UnsignedSetter([](CliOptions& o, std::uint32_t n) { o.Config.ResistanceLagMs = n; })},
        {"--hr",
         [](CliOptions& o, const std::string& v) {
             std::uint32_t n = 0;
             if (!ParseUnsigned(v, n) || n > 255) return false;
             o.Console.HeartRate = static_cast<std::uint8_t>(n);
             return true;
         }},
        {"--keys",
         [](CliOptions& o, const std::string& v) {
             const auto keys = ParseKeyScript(v);
             if (!keys) return false;
             o.Console.Keys = *keys;
             return true;
         }},
        {"--version",
         [](CliOptions& o, const std::string& v) { return ParseHexByte(v, o.Config.Version); }},
        {"--serial",
         [](CliOptions& o, const std::string& v) { return ParseHex24(v, o.Config.Serial); }},
        {"--reply-delay",
         UnsignedSetter([](CliOptions& o, std::uint32_t n) { o.Config.ReplyDelayMs = n; })},
        {"--garbage",
         [](CliOptions& o, const std::string& v) {
             const auto mode = ParseGarbageMode(v);
             if (!mode) return false;
             o.Config.Faults.Garbage = *mode;
             return true;
         }},
        {"--garbage-bytes",
         [](CliOptions& o, const std::string& v) {
             return ParseUnsigned(v, o.Config.Faults.GarbageBytes) &&
                    o.Config.Faults.GarbageBytes <= kMaxGarbageBytes;
         }},
        {"--garbage-every", UnsignedSetter([](CliOptions& o, std::uint32_t n) {
             o.Config.Faults.GarbageIntervalMs = n;
         })},
        {"--hang-up-after",
         UnsignedSetter([](CliOptions& o, std::uint32_t n) { o.Config.Faults.HangUpAfterMs = n; })},
        {"--replay",
         [](CliOptions& o, const std::string& v) {
             o.Replay = v;
             return !v.empty();
         }},
        {"--seed", UnsignedSetter([](CliOptions& o, std::uint32_t n) { o.Config.Seed = n; })},
    };
    return options;
}

const std::map<std::string, std::function<void(CliOptions&)>>& FlagOptions() {
    static const std::map<std::string, std::function<void(CliOptions&)>> flags = {
        {"--help", [](CliOptions& o) { o.Help = true; }},
        {"--stay", [](CliOptions& o) { o.Stay = true; }},
        {"--echo", [](CliOptions& o) { o.Echo = true; }},
        {"--wrong-version", [](CliOptions& o) { o.Config.Version = 0x77; }},
        {"--silent", [](CliOptions& o) { o.Config.Faults.Silent = true; }},
        {"--inner-end-byte", [](CliOptions& o) { o.Config.Faults.InnerEndByte = true; }},
        {"--short-frames", [](CliOptions& o) { o.Config.Faults.ShortFrames = true; }},
        {"--flood", [](CliOptions& o) { o.Config.Faults.Flood = true; }},
    };
    return flags;
}

// The table the parser reads, applying to Options.
std::vector<TOption> OptionTable(CliOptions& Options) {
    std::vector<TOption> table;
    for (const auto& flag : FlagOptions())
        table.push_back(FlagOption(flag.first, [&Options, &flag] { flag.second(Options); }));
    for (const auto& setter : ValueOptions())
        table.push_back(ValueOption(setter.first, [&Options, &setter](const std::string& Value) {
            if (setter.second(Options, Value)) return std::string();
            return "bad value for " + setter.first + ": " + Value;
        }));
    return table;
}

}  // namespace

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& Args,
                                           std::string& Error) {
    CliOptions options;
    Error = ApplyOptions(Args, OptionTable(options));
    if (!Error.empty()) return std::nullopt;
    if (options.Help) return options;
    options.Config.Consoles = JoiningConsoles(options);
    Error = ValidateConfig(options.Config);
    if (!Error.empty()) return std::nullopt;
    return options;
}

std::vector<std::string> OptionNames() {
    std::vector<std::string> names;
    for (const auto& [name, setter] : ValueOptions()) names.push_back(name);
    for (const auto& [name, flag] : FlagOptions()) names.push_back(name);
    return names;
}

std::string UsageText() {
    return R"(Usage: trimora-dongle-sim [OPTION]...
Plays the USB dongle and its wireless consoles on a pseudo-terminal. Prints the slave's path as
its first line, then reads commands on standard input (one a line) and answers each with a line
that begins with "ok" or "error".

Line:
  --link PATH            also make PATH a symbolic link to the slave (re-pointed on reconnect,
                         removed on a hang-up)
  --hang-up-after MS     unplug the dongle MS after start (the master closes)
  --stay                 keep running when standard input ends (until SIGINT or SIGTERM)
  --echo                 print "host HEX" for every frame the host sends

Dongle:
  --version HEX          version byte of the version reply (default 78)
  --wrong-version        version 77 instead
  --serial HEX           3-byte serial number (default 0A0B0C)
  --reply-delay MS       answer requests this much later (default 0)

Consoles:
  --consoles IDS         ids that join when registration opens, e.g. 1,2 (default 1; "none")
  --join-delay MS        time from registration opening to a console joining (default 500)
  --interval MS          time between two measures of a console (default 100)
  --speed KMH            constant speed (default 30)
  --ramp FROM:TO:MS      speed from FROM to TO km/h over MS, then held
  --steps MS             speed 20, 30, 40 km/h, each held MS, over and over
  --lag MS               time constant of the response to profile and resistance (default
                         1500; 0 = at once); resistance level L scales the speed by
                         1 - L/510
  --hr BPM               heart rate (default 120)
  --keys SCRIPT          keys pressed after measures start, e.g. 2000:4,4000:1
                         (ms:key; 4 = next point, 1 = previous point)

Faults:
  --silent               answer nothing and send nothing (frames are still logged)
  --garbage MODE         between: random bytes without 3E and 21 before each frame;
                         random: random bytes of any value before each frame
  --garbage-bytes N      bytes per burst (default 8, at most 32768)
  --garbage-every MS     a burst on its own every MS as well
  --inner-end-byte       every frame carries 21 in its reserved byte, and speeds are sent
                         even when a byte of them is 21 (the host cuts such frames short)
  --short-frames         frames go out without their reserved and end bytes
  --flood                measures as fast as the line takes them
  --seed N               seed of the garbage bytes (default 1)

Replay:
  --replay FILE          play back the frames a trace file (trimora --trace FILE) shows the
                         dongle sending, with their timing, from the host's first frame on;
                         the dongle then answers nothing by itself

  --help                 this text

A speed byte that would be 21 is otherwise moved to the nearest raw value without one, and any
other data byte 21 is sent as 22: a 21 inside a frame would cut it short at the host.

Commands on standard input:
)" + CommandHelpText();
}

}  // namespace trimora::sim

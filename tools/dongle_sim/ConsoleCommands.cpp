#include "tools/dongle_sim/ConsoleCommands.h"

#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "tools/dongle_sim/CommandLine.h"
#include "tools/dongle_sim/DongleSim.h"

namespace trimora::sim {

std::optional<GarbageMode> ParseGarbageMode(const std::string& Text) {
    if (Text == "none") return GarbageMode::None;
    if (Text == "between") return GarbageMode::BetweenFrames;
    if (Text == "random") return GarbageMode::FullyRandom;
    return std::nullopt;
}

namespace {

using Words = std::vector<std::string>;
const std::string kOk = "ok";

std::string Error(const std::string& Why) {
    return "error " + Why;
}

bool ParseSwitch(const std::string& Text, bool& Value) {
    if (Text == "on") return Value = true, true;
    if (Text == "off") return Value = false, true;
    return false;
}

// Optional console id in Args[Index]; absent means every console.
bool OptionalConsole(const Words& Args, std::size_t Index, std::uint8_t& Id) {
    Id = 0;
    return Args.size() <= Index || ParseConsoleId(Args[Index], Id);
}

std::string Status(DongleSim& Sim) {
    const SimCounters c = Sim.Counters();
    std::ostringstream out;
    out << "ok connected=" << (Sim.Connected() ? 1 : 0) << " path=" << Sim.SlavePath()
        << " consoles=";
    const auto joined = Sim.JoinedConsoles();
    for (std::size_t i = 0; i < joined.size(); ++i) out << (i ? "," : "") << int(joined[i]);
    out << " registration=" << (Sim.RegistrationOpen() ? "open" : "closed")
        << " measures=" << (Sim.MeasuresRunning() ? "on" : "off")
        << " frames_written=" << c.FramesWritten << " measures_written=" << c.MeasuresWritten
        << " frames_dropped=" << c.FramesDropped << " host_frames=" << c.HostFrames
        << " hangups=" << c.HangUps;
    return out.str();
}

// A switch command: one word on or off, applied to the emulator.
std::function<std::string(DongleSim&, const Words&)> Switch(void (DongleSim::*Set)(bool)) {
    return [Set](DongleSim& Sim, const Words& Args) {
        bool on = false;
        if (Args.size() != 2 || !ParseSwitch(Args[1], on)) return Error("expected on or off");
        (Sim.*Set)(on);
        return kOk;
    };
}

using Handler = std::function<std::string(DongleSim&, const Words&)>;

const std::map<std::string, Handler>& Handlers() {
    static const std::map<std::string, Handler> handlers = {
        {"key",
         [](DongleSim& Sim, const Words& Args) {
             std::uint32_t key = 0;
             std::uint8_t id = 0;
             if (Args.size() < 2 || Args.size() > 3 || !ParseUnsigned(Args[1], key) || key > 255 ||
                 !OptionalConsole(Args, 2, id))
                 return Error("usage: key K [ID]");
             Sim.PressKey(static_cast<std::uint8_t>(key), id);
             return kOk;
         }},
        {"speed",
         [](DongleSim& Sim, const Words& Args) {
             double kmh = 0;
             std::uint8_t id = 0;
             if (Args.size() < 2 || Args.size() > 3 || !ParseKmh(Args[1], kmh) ||
                 !OptionalConsole(Args, 2, id))
                 return Error("usage: speed KMH [ID]");
             Sim.SetSpeed(kmh, id);
             return kOk;
         }},
        {"join",
         [](DongleSim& Sim, const Words& Args) {
             std::uint8_t id = 0;
             if (Args.size() != 2 || !ParseConsoleId(Args[1], id)) return Error("usage: join ID");
             return Sim.JoinConsole(id) ? kOk : Error("console already joined or line down");
         }},
        {"leave",
         [](DongleSim& Sim, const Words& Args) {
             std::uint8_t id = 0;
             if (Args.size() != 2 || !ParseConsoleId(Args[1], id)) return Error("usage: leave ID");
             return Sim.LeaveConsole(id) ? kOk : Error("console not joined");
         }},
        {"measures", Switch(&DongleSim::SetMeasuresRunning)},
        {"hangup", [](DongleSim& Sim,
                      const Words&) { return Sim.HangUp() ? kOk : Error("already hung up"); }},
        {"unplug", [](DongleSim& Sim,
                      const Words&) { return Sim.HangUp() ? kOk : Error("already unplugged"); }},
        {"hangup-after",
         [](DongleSim& Sim, const Words& Args) {
             std::uint32_t ms = 0;
             if (Args.size() != 2 || !ParseUnsigned(Args[1], ms))
                 return Error("usage: hangup-after MS");
             Sim.SetHangUpAfter(ms);
             return kOk;
         }},
        {"reconnect",
         [](DongleSim& Sim, const Words&) {
             std::string why;
             return Sim.Reconnect(&why) ? kOk + " " + Sim.SlavePath() : Error(why);
         }},
        {"replug",
         [](DongleSim& Sim, const Words&) {
             std::string why;
             return Sim.Reconnect(&why) ? kOk + " " + Sim.SlavePath() : Error(why);
         }},
        {"replug-at",
         [](DongleSim& Sim, const Words& Args) {
             if (Args.size() != 2) return Error("usage: replug-at LINK");
             std::string why;
             return Sim.ReconnectAt(Args[1], &why) ? kOk + " " + Sim.SlavePath() : Error(why);
         }},
        {"silent", Switch(&DongleSim::SetSilent)},
        {"inner-end-byte", Switch(&DongleSim::SetInnerEndByte)},
        {"short-frames", Switch(&DongleSim::SetShortFrames)},
        {"flood", Switch(&DongleSim::SetFlood)},
        {"version",
         [](DongleSim& Sim, const Words& Args) {
             std::uint8_t v = 0;
             if (Args.size() != 2 || !ParseHexByte(Args[1], v)) return Error("usage: version HEX");
             Sim.SetDongleVersion(v);
             return kOk;
         }},
        {"reply-delay",
         [](DongleSim& Sim, const Words& Args) {
             std::uint32_t ms = 0;
             if (Args.size() != 2 || !ParseUnsigned(Args[1], ms))
                 return Error("usage: reply-delay MS");
             Sim.SetReplyDelayMs(ms);
             return kOk;
         }},
        {"garbage",
         [](DongleSim& Sim, const Words& Args) {
             std::optional<GarbageMode> mode;
             std::uint32_t bytes = 8, every = 0;
             if (Args.size() < 2 || Args.size() > 4 || !(mode = ParseGarbageMode(Args[1])) ||
                 (Args.size() > 2 && !ParseUnsigned(Args[2], bytes)) ||
                 (Args.size() > 3 && !ParseUnsigned(Args[3], every)))
                 return Error("usage: garbage none|between|random [BYTES [EVERY_MS]]");
             if (bytes > kMaxGarbageBytes)
                 return Error("garbage bursts are at most " + std::to_string(kMaxGarbageBytes) +
                              " bytes");
             Sim.SetGarbage(*mode, bytes, every);
             return kOk;
         }},
        {"status", [](DongleSim& Sim, const Words&) { return Status(Sim); }},
        {"frames",
         [](DongleSim& Sim, const Words&) {
             std::string out;
             const auto frames = Sim.HostFrames();
             for (const HostFrame& f : frames)
                 out += "frame " + std::to_string(f.Sequence) + " " + f.Hex + "\n";
             return out + kOk + " " + std::to_string(frames.size());
         }},
        {"help", [](DongleSim&, const Words&) { return CommandHelpText() + kOk; }},
    };
    return handlers;
}

}  // namespace

CommandResult ExecuteCommand(DongleSim& Sim, const std::string& Line) {
    Words words;
    std::istringstream in(Line);
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty() || words[0][0] == '#') return {};
    if (words[0] == "quit") return {kOk, true};
    const auto handler = Handlers().find(words[0]);
    if (handler == Handlers().end()) return {Error("unknown command " + words[0] + " (try help)")};
    return {handler->second(Sim, words)};
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names{"quit"};
    for (const auto& [name, handler] : Handlers()) names.push_back(name);
    return names;
}

std::string CommandHelpText() {
    return R"(  key K [ID]             console ID (all when absent) sends key K in its next measure
                         (4 = next point, 1 = previous point)
  speed KMH [ID]         the console holds KMH from now on
  join ID                console ID joins now (add notification), registration open or not
  leave ID               console ID leaves now (remove notification)
  measures on|off        start or stop measures as the host's command does
  unplug                 unplug the dongle now (the master closes, the link goes)
  hangup                 the same
  hangup-after MS        unplug MS from now (0 cancels)
  replug                 plug back in on a fresh pseudo-terminal, the link re-pointed;
                         answers "ok PATH"
  reconnect              the same
  replug-at LINK         plug back in with the link at LINK from now on (another device
                         name); answers "ok PATH"
  silent on|off          answer nothing and send nothing
  version HEX            version byte of later version replies
  reply-delay MS         answer requests this much later
  garbage none|between|random [BYTES [EVERY_MS]]
                         garbage before each frame, and on its own every EVERY_MS
  inner-end-byte on|off  frames carry 21 inside
  short-frames on|off    frames lose their reserved and end bytes
  flood on|off           measures as fast as the line takes them
  status                 one line: line state, consoles, counters
  frames                 every frame the host sent, "frame SEQ HEX" a line
  help                   this list
  quit                   stop (as does the end of standard input, unless --stay)
)";
}

}  // namespace trimora::sim

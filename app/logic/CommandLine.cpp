#include "app/logic/CommandLine.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "runtime/OptionTable.h"

namespace trimora {

namespace {

// Plain decimal seconds ("2", "0.5"): no sign, exponent, hex or locale's decimal comma.
bool ParseSeconds(const std::string& Text, double& Value) {
    if (Text.empty() || !(std::isdigit(static_cast<unsigned char>(Text[0])) || Text[0] == '.'))
        return false;
    const char* end = Text.data() + Text.size();
    const auto [stop, error] = std::from_chars(Text.data(), end, Value, std::chars_format::fixed);
    return error == std::errc() && stop == end && std::isfinite(Value) && Value > 0;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
    TCommandLine result;
    // An empty file name would silently mean "no file".
    auto fileName = [](std::string Name, std::string& Field) {
        return ValueOption(Name, [Name, &Field](const std::string& Value) {
            Field = Value;
            return Value.empty() ? "option " + Name + " needs a file name" : std::string();
        });
    };
    const std::vector<TOption> table = {
        FlagOption("--help", [&] { result.Help = true; }),
        FlagOption("-h", [&] { result.Help = true; }),
        FlagOption("--demo", [&] { result.Demo = true; }),
        FlagOption("--list-ports", [&] { result.ListPorts = true; }),
        ValueOption("--port",
                    [&](const std::string& Value) {
                        result.Port = Value;
                        return Value.empty() ? "option --port needs a port name" : std::string();
                    }),
        fileName("--trace", result.Trace),
        fileName("--demo-log", result.DemoLog),
        fileName("--screenshot", result.Screenshot),
        ValueOption("--quit-after",
                    [&](const std::string& Value) {
                        if (ParseSeconds(Value, result.QuitAfter)) return std::string();
                        return "option --quit-after needs a positive number of seconds, not '" +
                               Value + "'";
                    }),
    };
    result.Error = ApplyOptions(Args, table);
    if (!result.Error.empty()) return result;
    if (result.Help) return result;
    if (result.ListPorts && (result.Demo || result.QuitAfter > 0 || !result.Screenshot.empty() ||
                             !result.Trace.empty()))
        result.Error = "--list-ports opens no window: it takes no option but --port";
    else if (result.Demo && !result.Port.empty())
        result.Error = "--demo brings its own port: leave out --port";
    else if (!result.DemoLog.empty() && !result.Demo)
        result.Error = "--demo-log needs --demo";
    else if (!result.Screenshot.empty() && result.QuitAfter <= 0)
        result.Error = "--screenshot needs --quit-after: the picture is taken just before quitting";
    return result;
}

std::string CommandLineUsage(const std::string& Program, const TPlatformWords& Words) {
    // Where the options' descriptions begin.
    const std::string indent(22, ' ');
    std::string traceUse;
    for (const char c : Words.TraceUse) traceUse += c == '\n' ? "\n" + indent : std::string(1, c);
    return "Usage: " + Program +
           " [options]\n"
           "Calibrates wireless training consoles through the USB dongle.\n"
           "\n"
           "  --port NAME         try this serial port first (" +
           std::string(Words.PortExamples) +
           ")\n"
           "  --list-ports        list the serial ports the search would try, in that order,\n"
           "                      with what each is and whether you may open it; then end\n"
           "  --demo              run against the built-in dongle emulator with one console\n"
           "  --demo-log PATH     with --demo: write the frames the program sent to PATH\n"
           "  --trace FILE        append every frame and event of the dongle protocol to FILE,\n"
           "                      each line with the time of day " +
           traceUse +
           "\n"
           "  --quit-after SECS   close the window after SECS seconds, as the operator would\n"
           "  --screenshot PATH   with --quit-after: save a picture of the window first (PNG)\n"
           "  -h, --help          show this help\n"
           "\n"
           "Press d in the window to show its text pane. " +
           std::string(Words.OtherEnds) + "\n";
}

}  // namespace trimora

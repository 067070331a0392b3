#include "app/logic/CommandLine.h"

#include <cctype>
#include <charconv>
#include <cmath>

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

// A word that begins like an option ("--demo", "-h") is not taken as the value of the option
// before it; "--port=-x" still gives such a value.
bool LooksLikeOption(const std::string& Word) {
    return Word.size() > 1 && Word[0] == '-' &&
           !std::isdigit(static_cast<unsigned char>(Word[1])) && Word[1] != '.';
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
    TCommandLine result;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        std::string name = Args[i];
        std::string value;
        bool hasValue = false;
        if (name.rfind("--", 0) == 0) {
            if (auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
                hasValue = true;
            }
        }
        // Options that take a value accept "--name value" and "--name=value".
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= Args.size() || LooksLikeOption(Args[i + 1])) {
                result.Error = "option " + name + " needs a value";
                return false;
            }
            value = Args[++i];
            return true;
        };
        // An empty file name would silently mean "no file".
        auto takeFileName = [&]() -> bool {
            if (!takeValue()) return false;
            if (!value.empty()) return true;
            result.Error = "option " + name + " needs a file name";
            return false;
        };
        auto refuseValue = [&]() -> bool {
            if (!hasValue) return true;
            result.Error = "option " + name + " takes no value";
            return false;
        };

        if (name == "--help" || name == "-h") {
            if (!refuseValue()) return result;
            result.Help = true;
        } else if (name == "--demo") {
            if (!refuseValue()) return result;
            result.Demo = true;
        } else if (name == "--list-ports") {
            if (!refuseValue()) return result;
            result.ListPorts = true;
        } else if (name == "--port") {
            if (!takeValue()) return result;
            if (value.empty()) {
                result.Error = "option --port needs a port name";
                return result;
            }
            result.Port = value;
        } else if (name == "--trace") {
            if (!takeFileName()) return result;
            result.Trace = value;
        } else if (name == "--demo-log") {
            if (!takeFileName()) return result;
            result.DemoLog = value;
        } else if (name == "--screenshot") {
            if (!takeFileName()) return result;
            result.Screenshot = value;
        } else if (name == "--quit-after") {
            if (!takeValue()) return result;
            if (!ParseSeconds(value, result.QuitAfter)) {
                result.Error =
                    "option --quit-after needs a positive number of seconds, not '" + value + "'";
                return result;
            }
        } else {
            result.Error = "unknown option '" + Args[i] + "'";
            return result;
        }
    }
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

std::string CommandLineUsage(const std::string& Program) {
    return "Usage: " + Program +
           " [options]\n"
           "Calibrates wireless training consoles through the USB dongle.\n"
           "\n"
           "  --port NAME         try this serial port first (COM3, ttyUSB0 or /dev/ttyUSB0)\n"
           "  --list-ports        list the serial ports the search would try, in that order,\n"
           "                      with what each is and whether you may open it; then end\n"
           "  --demo              run against the built-in dongle emulator with one console\n"
           "  --demo-log PATH     with --demo: write the frames the program sent to PATH\n"
           "  --trace FILE        append every frame and event of the dongle protocol to FILE,\n"
           "                      each line with the time of day (for support; replay it with\n"
           "                      trimora-dongle-sim --replay FILE)\n"
           "  --quit-after SECS   close the window after SECS seconds, as the operator would\n"
           "  --screenshot PATH   with --quit-after: save a picture of the window first (PNG)\n"
           "  -h, --help          show this help\n"
           "\n"
           "Press d in the window to show its text pane. SIGINT and SIGTERM close the window\n"
           "the same way the operator does, so the dongle is told before the program ends.\n";
}

}  // namespace trimora

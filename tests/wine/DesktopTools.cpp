#include "tests/wine/DesktopTools.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "tests/common/ProgramProcess.h"

namespace trimora::test {

namespace {

using namespace std::chrono_literals;

ProgramOutcome Shell(const std::string& Command, const std::string& Scratch) {
    return RunProgram({"sh", "-c", Command}, Scratch, 30s);
}

std::string Quoted(const std::string& Text) {
    std::string quoted = "'";
    for (char c : Text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

bool WindowManager::Start(const std::string& Folder, std::string& Error) {
    FOpenbox.emplace(Folder);
    if (!FOpenbox->Start()) {
        Error = "cannot run openbox (package openbox)";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + OpenboxProcess::kStartLimit;
    while (!FOpenbox->Managing()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            Error = "openbox did not take the display over within " +
                    std::to_string(OpenboxProcess::kStartLimit.count()) + " s";
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::optional<DesktopWindow> FindWindow(const std::string& Title, std::chrono::milliseconds Timeout,
                                        const std::string& Scratch) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        ProgramOutcome found =
            RunProgram({"xdotool", "search", "--onlyvisible", "--name", Title}, Scratch, 10s);
        std::istringstream ids(found.Out);
        std::string id;
        if (ids >> id) {
            // xwininfo, not xdotool's geometry: under a reparenting window manager xdotool counts
            // the frame's title bar twice.
            ProgramOutcome shape = RunProgram({"xwininfo", "-id", id}, Scratch, 10s);
            DesktopWindow window;
            window.Id = id;
            std::istringstream lines(shape.Out);
            for (std::string line; std::getline(lines, line);) {
                const auto colon = line.find(':');
                if (colon == std::string::npos) continue;
                const std::string key = line.substr(0, colon);
                const int value = std::atoi(line.c_str() + colon + 1);
                if (key.find("Absolute upper-left X") != std::string::npos) window.X = value;
                if (key.find("Absolute upper-left Y") != std::string::npos) window.Y = value;
                if (key == "  Width") window.Width = value;
                if (key == "  Height") window.Height = value;
            }
            if (window.Width > 0) return window;
        }
        std::this_thread::sleep_for(200ms);
    }
    return std::nullopt;
}

bool CloseLikeUser(const DesktopWindow& Window, const std::string& Scratch) {
    return RunProgram({"xdotool", "windowactivate", "--sync", Window.Id, "key", "--clearmodifiers",
                       "alt+F4"},
                      Scratch, 10s)
               .Status == 0;
}

std::optional<ScreenPicture> ScreenPicture::Grab(const DesktopWindow& Window,
                                                 const std::string& Scratch,
                                                 const std::string& PngPath) {
    // The screen as X shows it, cut to the window: what the operator would see.
    const std::string ppm = Scratch + "/grab.ppm";
    const std::string cut = " | pnmcut " + std::to_string(Window.X) + " " +
                            std::to_string(Window.Y) + " " + std::to_string(Window.Width) + " " +
                            std::to_string(Window.Height);
    const ProgramOutcome grabbed =
        // xwdtopnm gives 16 bits a channel for some visuals: 8 are read below.
        Shell("xwd -root -silent | xwdtopnm 2>/dev/null" + cut + " | pnmdepth 255 > " + Quoted(ppm),
              Scratch);
    if (grabbed.Status != 0) {
        std::fprintf(stderr, "screen grab failed (%d): %s\n", grabbed.Status, grabbed.Err.c_str());
        return std::nullopt;
    }
    if (!PngPath.empty()) Shell("pnmtopng " + Quoted(ppm) + " > " + Quoted(PngPath), Scratch);

    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    ScreenPicture picture;
    in >> magic >> picture.FWidth >> picture.FHeight >> maxValue;
    in.get();  // the one white-space character before the pixels
    if (magic != "P6" || maxValue != 255 || picture.FWidth <= 0 || picture.FHeight <= 0) {
        std::fprintf(stderr, "screen grab unreadable: %s %d %d %d\n", magic.c_str(), picture.FWidth,
                     picture.FHeight, maxValue);
        return std::nullopt;
    }
    picture.FRgb.resize(static_cast<std::size_t>(picture.FWidth) * picture.FHeight * 3);
    in.read(reinterpret_cast<char*>(picture.FRgb.data()),
            static_cast<std::streamsize>(picture.FRgb.size()));
    if (!in) {
        std::fprintf(stderr, "screen grab cut short\n");
        return std::nullopt;
    }
    return picture;
}

std::uint32_t ScreenPicture::At(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0xFFFFFFFFu;
    const std::size_t i = (static_cast<std::size_t>(Y) * FWidth + X) * 3;
    return (std::uint32_t{FRgb[i]} << 16) | (std::uint32_t{FRgb[i + 1]} << 8) | FRgb[i + 2];
}

std::vector<int> ScreenPicture::ColumnsOf(std::uint32_t Colour, int Y) const {
    std::vector<int> columns;
    for (int x = 0; x < FWidth; ++x)
        if (At(x, Y) == Colour) columns.push_back(x);
    return columns;
}

int ScreenPicture::Count(std::uint32_t Colour) const {
    int count = 0;
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x)
            if (At(x, y) == Colour) ++count;
    return count;
}

}  // namespace trimora::test

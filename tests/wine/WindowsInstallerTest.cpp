// The Windows installer under wine: a silent install for the current user puts the program, its
// read-me, an uninstaller, a Start-menu entry and an "Apps & features" entry in place; the
// installed program runs; a silent uninstall leaves no file and no entry behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/ProgramProcess.h"
#include "tests/common/ScratchFolder.h"
#include "tests/e2e/VirtualDisplay.h"
#include "tests/wine/WineSession.h"
#include "tools/dongle_sim/DongleSim.h"

using namespace std::chrono_literals;
using namespace trimora;

namespace {

namespace fs = std::filesystem;

constexpr const char* UninstallKey =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Trimora";

// Every file and folder below the prefix's user folders whose name holds "trimora".
std::vector<std::string> TrimoraFilesOfUsers(const test::WineSession& Wine) {
    std::vector<std::string> found;
    std::error_code ignored;
    for (fs::recursive_directory_iterator
             it(Wine.HostPath("C:\\users"), fs::directory_options::skip_permission_denied, ignored),
         end;
         it != end; it.increment(ignored)) {
        std::string name = it->path().filename().string();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name.find("trimora") != std::string::npos) found.push_back(it->path().string());
    }
    return found;
}

}  // namespace

TEST(WindowsInstaller, InstallsForTheUserRunsAndUninstallsWithoutATrace) {
    test::ScratchFolder scratch{"trimora-wine-setup"};
    test::VirtualDisplay display;
    std::string error;
    ASSERT_TRUE(display.StartAsThisProcessDisplay(error)) << error;
    test::WineSession wine{TRIMORA_WINE_PREFIX, scratch.Path()};
    ASSERT_TRUE(wine.Start(error)) << error;
    ASSERT_TRUE(TrimoraFilesOfUsers(wine).empty()) << "left from an earlier run";

    ASSERT_EQ(wine.Run({TRIMORA_WINDOWS_SETUP, "/S"}), 0);
    std::string key;
    ASSERT_EQ(wine.Run({"reg", "query", UninstallKey}, &key), 0) << "no Apps & features entry";
    for (const char* value : {"DisplayName", "DisplayVersion", "UninstallString",
                              "QuietUninstallString", "InstallLocation", "DisplayIcon"})
        EXPECT_NE(key.find(value), std::string::npos) << value << " missing in " << key;
    EXPECT_NE(key.find("2.0.0"), std::string::npos) << key;

    // In the user's own profile, no administrator rights needed.
    std::string installed;
    for (const std::string& path : TrimoraFilesOfUsers(wine))
        if (path.find("AppData/Local/Programs/Trimora") != std::string::npos) installed = path;
    ASSERT_FALSE(installed.empty());
    const fs::path folder = fs::path(installed).filename() == "Trimora"
                                ? fs::path(installed)
                                : fs::path(installed).parent_path();
    for (const char* file : {"trimora.exe", "README.txt", "uninstall.exe"})
        EXPECT_TRUE(fs::exists(folder / file)) << file;
    bool startMenu = false;
    for (const std::string& path : TrimoraFilesOfUsers(wine))
        startMenu = startMenu || path.find("Start Menu/Programs/Trimora.lnk") != std::string::npos;
    EXPECT_TRUE(startMenu) << "no Start-menu entry";

    // The installed program runs: it finds the dongle on COM7, opens registration and ends.
    sim::DongleSim dongle;
    ASSERT_TRUE(dongle.Start(&error)) << error;
    ASSERT_TRUE(wine.PlugComPort(7, dongle.SlavePath(), error)) << error;
    test::ProgramProcess program(
        wine.Command({(folder / "trimora.exe").string(), "--port", "COM7", "--quit-after", "2"}),
        wine.Environment(), scratch.Path(), "installed-program");
    EXPECT_EQ(test::RunToEnd(program, 60s), 0) << program.Err();
    EXPECT_TRUE(dongle.WaitForHostFrame("3E0200000021", 1s)) << "registration never opened";
    wine.UnplugComPort(7);

    ASSERT_EQ(wine.Run({(folder / "uninstall.exe").string(), "/S"}), 0);
    // The uninstaller runs on from a copy of itself after the one started has ended.
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!TrimoraFilesOfUsers(wine).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(200ms);
    EXPECT_EQ(TrimoraFilesOfUsers(wine), std::vector<std::string>{});
    EXPECT_NE(wine.Run({"reg", "query", UninstallKey}), 0) << "the entry stays";
}

// The remembered-port file (an INI file the user may edit), any bytes: whatever port it gives
// starts the search without a crash or a port tried twice, and a port written back is read
// back the same, by QSettings here and by the INI text the Windows program reads and writes.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/logic/IniText.h"
#include "app/logic/RememberedPort.h"
#include "fuzz/FuzzCheck.h"
#include "protocol/PortSearchOrder.h"
#include "tests/common/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

// A folder of this process's own, with an empty device tree so that no port of the machine
// is looked at. Made once: only the file's content changes from input to input.
class Scratch {
  public:
    Scratch() {
        const fs::path folder = FFolder.Path();
        fs::create_directories(folder / "sys");
        fs::create_directories(folder / "dev");
        File = (folder / "Trimora.conf").string();
        Copy = (folder / "Copy.conf").string();
        Roots = {(folder / "sys").string(), (folder / "dev").string()};
    }

    // QSettings parses a file again only when its size or modification time changed, and the
    // time moves in clock ticks: an input the size of the one before would be read as that one.
    void Write(const std::uint8_t* Data, std::size_t Size) {
        std::ofstream(File, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
        const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(++FWrites), 0}};
        FUZZ_CHECK(::utimensat(AT_FDCWD, File.c_str(), times, 0) == 0);
    }

    std::string File;
    std::string Copy;
    trimora::TDeviceRoots Roots;

  private:
    trimora::test::ScratchFolder FFolder{"trimora-fuzz-conf"};
    std::uint64_t FWrites = 0;
};

std::string WithoutByteOrderMarks(std::string Text) {
    for (std::size_t at; (at = Text.find("\xEF\xBB\xBF")) != std::string::npos;) Text.erase(at, 3);
    return Text;
}

Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace trimora;
    Scratch& scratch = TheScratch();
    scratch.Write(Data, Size);
    const std::string remembered = TRememberedPort(scratch.File).Load();

    // The Windows program's reader and writer of the same file.
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    ReadIniText(text, "Dongle/Port");
    const std::string port = remembered.empty() ? "/dev/ttyUSB0" : remembered;
    for (const char* lineEnd : {"\n", "\r\n"})
        FUZZ_CHECK(ReadIniText(WithIniText(text, "Dongle/Port", port, lineEnd), "Dongle/Port") ==
                   port);

    const TDeviceRoots& roots = scratch.Roots;
    const TFirstPort first = ChooseFirstPort("", remembered, roots);
    FUZZ_CHECK(first.Source != TFirstPort::fpGiven);
    const std::vector<std::string> order = PortSearchOrder(first, {"/dev/ttyS0"}, roots);
    FUZZ_CHECK(!order.empty());
    FUZZ_CHECK(std::set<std::string>(order.begin(), order.end()).size() == order.size());
    FUZZ_CHECK(std::none_of(order.begin(), order.end(), [](auto& p) { return p.empty(); }));

    if (remembered.empty()) return 0;
    const std::string& copy = scratch.Copy;
    std::remove(copy.c_str());
    std::string error;
    FUZZ_CHECK(TRememberedPort(copy).Store(remembered, error));
    // QSettings drops a U+FEFF at a value's start or after an escaped character, where no
    // port's path has one; anything else lost is a finding.
    FUZZ_CHECK(WithoutByteOrderMarks(TRememberedPort(copy).Load()) ==
               WithoutByteOrderMarks(remembered));
    return 0;
}

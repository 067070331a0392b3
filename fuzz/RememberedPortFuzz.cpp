// The remembered-port file (an INI file the user may edit), any bytes: whatever port it gives
// starts the search without a crash or a port tried twice, and a port written back is read
// back the same.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "app/logic/RememberedPort.h"
#include "fuzz/FuzzCheck.h"
#include "protocol/PortSearchOrder.h"

namespace {

// A folder of this process's own, with an empty device tree so that no port of the machine
// is looked at.
const std::string& Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/trimora-fuzz-conf-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        FUZZ_CHECK(made != nullptr);
        const std::string f = made;
        ::mkdir((f + "/sys").c_str(), 0755);
        ::mkdir((f + "/dev").c_str(), 0755);
        return f;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace trimora;
    const std::string file = Folder() + "/Trimora.conf";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    const std::string remembered = TRememberedPort(file).Load();

    const TDeviceRoots roots{Folder() + "/sys", Folder() + "/dev"};
    const TFirstPort first = ChooseFirstPort("", remembered, roots);
    FUZZ_CHECK(first.Source != TFirstPort::fpGiven);
    const std::vector<std::string> order = PortSearchOrder(first, {"/dev/ttyS0"}, roots);
    FUZZ_CHECK(!order.empty());
    FUZZ_CHECK(std::set<std::string>(order.begin(), order.end()).size() == order.size());
    FUZZ_CHECK(std::none_of(order.begin(), order.end(), [](auto& p) { return p.empty(); }));

    if (remembered.empty()) return 0;
    const std::string copy = Folder() + "/Copy.conf";
    std::remove(copy.c_str());
    std::string error;
    FUZZ_CHECK(TRememberedPort(copy).Store(remembered, error));
    FUZZ_CHECK(TRememberedPort(copy).Load() == remembered);
    return 0;
}

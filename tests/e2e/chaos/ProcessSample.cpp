#include "tests/e2e/chaos/ProcessSample.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace trimora::test {

namespace {

int CountEntries(const std::string& Folder) {
    DIR* dir = ::opendir(Folder.c_str());
    if (dir == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(dir);
    return count;
}

}  // namespace

std::optional<ProcessSample> SampleProcess(pid_t Pid) {
    const std::string proc = "/proc/" + std::to_string(Pid);
    std::ifstream status(proc + "/status");
    if (!status) return std::nullopt;
    ProcessSample sample;
    bool resident = false, threads = false;
    for (std::string line; std::getline(status, line);) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (key == "VmRSS:") resident = static_cast<bool>(in >> sample.ResidentKiB);
        if (key == "Threads:") threads = static_cast<bool>(in >> sample.Threads);
    }
    sample.Descriptors = CountEntries(proc + "/fd");
    // A zombie has neither: it is gone for this purpose.
    if (!resident || !threads || sample.Descriptors < 0) return std::nullopt;
    return sample;
}

void FigureRange::Add(std::uint64_t Value) {
    if (FCount++ == 0) FFirst = FMax = Value;
    FMax = std::max(FMax, Value);
    FLast = Value;
}

std::string FigureRange::Text() const {
    return std::to_string(FFirst) + "/" + std::to_string(FMax) + "/" + std::to_string(FLast);
}

}  // namespace trimora::test

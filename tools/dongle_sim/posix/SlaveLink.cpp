#include "tools/dongle_sim/SlaveLink.h"

#include <errno.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trimora::sim {

bool PointLink(const std::string& LinkPath, const std::string& Target, std::string& Error) {
    struct stat st {};
    if (lstat(LinkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        Error = LinkPath + " exists and is not a symbolic link";
        return false;
    }
    const std::string temporary = LinkPath + ".tmp" + std::to_string(getpid());
    ::unlink(temporary.c_str());
    if (symlink(Target.c_str(), temporary.c_str()) != 0 ||
        rename(temporary.c_str(), LinkPath.c_str()) != 0) {
        Error = LinkPath + ": " + strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

void RemoveLink(const std::string& LinkPath, const std::string& Target) {
    char buffer[PATH_MAX];
    const ssize_t n = readlink(LinkPath.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) return;
    if (std::string(buffer, static_cast<std::size_t>(n)) == Target) ::unlink(LinkPath.c_str());
}

}  // namespace trimora::sim

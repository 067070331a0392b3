#include "tools/dongle_sim/posix/PseudoTerminal.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

namespace trimora::sim {

namespace {
std::string SystemError(const char* What) {
    return std::string(What) + ": " + strerror(errno);
}
}  // namespace

bool PseudoTerminal::Open(std::string& Error) {
    Close();
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0) {
        Error = SystemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0 ||
        ptsname_r(FMaster, name, sizeof name) != 0) {
        Error = SystemError("pseudo-terminal set-up");
        Close();
        return false;
    }
    FSlavePath = name;
    FKeepAliveSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (FKeepAliveSlave < 0 || tcgetattr(FKeepAliveSlave, &tio) != 0) {
        Error = SystemError(FSlavePath.c_str());
        Close();
        return false;
    }
    // Binary frames: no echo, no line editing, no translation of any byte.
    cfmakeraw(&tio);
    const int flags = fcntl(FMaster, F_GETFL);
    if (tcsetattr(FKeepAliveSlave, TCSANOW, &tio) != 0 || flags < 0 ||
        fcntl(FMaster, F_SETFL, flags | O_NONBLOCK) != 0) {
        Error = SystemError("pseudo-terminal line set-up");
        Close();
        return false;
    }
    return true;
}

void PseudoTerminal::Close() {
    // The master first: its close is what the host sees as the dongle going away.
    if (FMaster >= 0) ::close(FMaster);
    if (FKeepAliveSlave >= 0) ::close(FKeepAliveSlave);
    FMaster = -1;
    FKeepAliveSlave = -1;
    FSlavePath.clear();
}

}  // namespace trimora::sim

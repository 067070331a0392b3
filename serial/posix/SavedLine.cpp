#include "serial/posix/SavedLine.h"

// The kernel's header, not the C library's: it clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace trimora {

TSavedLine::TSavedLine() = default;
TSavedLine::~TSavedLine() = default;

void TSavedLine::Take(int Fd) {
    auto settings = std::make_unique<termios2>();
    if (::ioctl(Fd, TCGETS2, settings.get()) == 0)
        FSettings = std::move(settings);
    else
        FSettings.reset();
}

void TSavedLine::Restore(int Fd) {
    // A device gone meanwhile refuses; there is nothing left to put back then.
    if (FSettings) ::ioctl(Fd, TCSETS2, FSettings.get());
    FSettings.reset();
}

}  // namespace trimora
